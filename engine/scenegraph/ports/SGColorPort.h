// A port holding a colour.
#ifndef SG_COLOR_PORT_H
#define SG_COLOR_PORT_H

#include "scenegraph/ports/SGPort.h"

class SGColorPort : public SGPort {
public:
    using SGPort::setValue;
    // Stores v and marks everything that depends on this port dirty. Code
    // that must not mark (a node writing its outputs from compute) stores
    // into value directly.
    void setValue(SGColor v)
    {
        value = v;
        markAsDirty();
    }

    SGColor colorValue() override;

    SGColor value = SGWhiteColor;
};

#endif
