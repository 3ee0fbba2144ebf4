// A port holding a sound handle (not owned).
#ifndef SG_SOUND_PORT_H
#define SG_SOUND_PORT_H

#include "scenegraph/ports/SGPort.h"

class SGSoundPort : public SGPort {
public:
    using SGPort::setValue;
    // Stores v and marks everything that depends on this port dirty. Code
    // that must not mark (a node writing its outputs from compute) stores
    // into value directly.
    void setValue(SGSound v)
    {
        value = v;
        markAsDirty();
    }

    SGSound soundValue() override;

    SGSound value = SGSoundNull;
};

#endif
