// A port holding a signed 32-bit integer.
#ifndef SG_INTEGER_PORT_H
#define SG_INTEGER_PORT_H

#include "scenegraph/ports/SGPort.h"

class SGIntegerPort : public SGPort {
public:
    static constexpr SGPortValueType kStorage = INTEGER;
    SGIntegerPort() { storage = kStorage; }
    using SGPort::setValue;
    // Stores v and marks everything that depends on this port dirty. Code
    // that must not mark (a node writing its outputs from compute) stores
    // into value directly.
    void setValue(int32_t v)
    {
        value = v;
        markAsDirty();
    }

    int32_t intValue() override;
    std::string stringValue() override;
    float numberValue() override;
    bool boolValue() override;

    int32_t value = 0;
};

#endif
