// A port holding a 32-bit float.
#ifndef SG_NUMBER_PORT_H
#define SG_NUMBER_PORT_H

#include "scenegraph/ports/SGPort.h"

class SGNumberPort : public SGPort {
public:
    static constexpr SGPortValueType kStorage = NUMBER;
    SGNumberPort() { storage = kStorage; }
    using SGPort::setValue;
    // Stores v and marks everything that depends on this port dirty. Code
    // that must not mark (a node writing its outputs from compute) stores
    // into value directly.
    void setValue(float v)
    {
        value = v;
        markAsDirty();
    }

    float numberValue() override;
    std::string stringValue() override;
    int32_t intValue() override;
    bool boolValue() override;

    float value = 0.0f;
};

#endif
