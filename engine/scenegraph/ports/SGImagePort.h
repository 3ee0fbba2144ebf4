// A port holding an image handle (not owned).
#ifndef SG_IMAGE_PORT_H
#define SG_IMAGE_PORT_H

#include "scenegraph/ports/SGPort.h"

class SGImagePort : public SGPort {
public:
    using SGPort::setValue;
    // Stores v and marks everything that depends on this port dirty. Code
    // that must not mark (a node writing its outputs from compute) stores
    // into value directly.
    void setValue(SGImage v)
    {
        value = v;
        markAsDirty();
    }

    SGImage imageValue() override;

    SGImage value = SGImageNull;
};

#endif
