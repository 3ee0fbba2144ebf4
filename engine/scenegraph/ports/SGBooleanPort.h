// A port holding a boolean.
#ifndef SG_BOOLEAN_PORT_H
#define SG_BOOLEAN_PORT_H

#include "scenegraph/ports/SGPort.h"

class SGBooleanPort : public SGPort {
public:
    static constexpr SGPortValueType kStorage = BOOLEAN;
    SGBooleanPort() { storage = kStorage; }
    using SGPort::setValue;
    // Stores v and marks everything that depends on this port dirty. Code
    // that must not mark (a node writing its outputs from compute) stores
    // into value directly.
    void setValue(bool v)
    {
        value = v;
        markAsDirty();
    }

    bool boolValue() override;
    std::string stringValue() override;
    float numberValue() override;
    int32_t intValue() override;

    bool value = false;
};

#endif
