// A port holding a byte string.
#ifndef SG_STRING_PORT_H
#define SG_STRING_PORT_H

#include "scenegraph/ports/SGPort.h"

class SGStringPort : public SGPort {
public:
    static constexpr SGPortValueType kStorage = STRING;
    SGStringPort() { storage = kStorage; }
    using SGPort::setValue;
    // Stores v and marks everything that depends on this port dirty. Code
    // that must not mark (a node writing its outputs from compute) stores
    // into value directly.
    void setValue(const std::string& v)
    {
        value = v;
        markAsDirty();
    }

    std::string stringValue() override;
    float numberValue() override;
    int32_t intValue() override;
    bool boolValue() override;

    std::string value;
};

#endif
