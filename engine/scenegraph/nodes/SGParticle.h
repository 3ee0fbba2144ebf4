// One particle of a particle system: its birth time, randomised lifetime and
// the emission values copied at its birth. Its position, size, rotation and
// colour at any time follow in closed form from these and its age.
#ifndef SG_PARTICLE_H
#define SG_PARTICLE_H

#include <cstdint>

struct SGParticle {
    float velocityX;
    float velocityY;
    float originX;
    float originY;
    float angularVelocity;  // degrees per time unit
    float startTime;        // birth time, in the unit of the time port
    float lifetime;         // between half the lifetime port value and that value
    float startWidth;
    float startHeight;
    float targetWidth;
    float targetHeight;
    float rotation;  // degrees at birth
    float colorTransitionTime;
    int32_t initialized;  // 1 once given its birth values
};

#endif
