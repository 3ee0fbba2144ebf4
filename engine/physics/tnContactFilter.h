// Decides whether two fixtures collide from the fixture identifiers, the
// fixtures' mask categories and their bodies' collision categories, in
// place of Box2D's bit masks.
#ifndef TN_CONTACT_FILTER_H
#define TN_CONTACT_FILTER_H

#include <vector>

#include "box2d/b2_world_callbacks.h"

// False when b is empty; otherwise whether some element of a equals some
// element of b.
bool hasIntersection(std::vector<int>& a, std::vector<int>& b);

class tnContactFilter : public b2ContactFilter {
public:
    // Fixtures collide only when their identifiers are equal and either
    // fixture's mask names a category of the other fixture's body.
    bool ShouldCollide(b2Fixture* fixtureA, b2Fixture* fixtureB) override;
};

#endif
