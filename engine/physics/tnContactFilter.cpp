#include "physics/tnContactFilter.h"

#include "box2d/b2_fixture.h"
#include "physics/tnActorUserData.h"
#include "physics/tnFixtureUserData.h"

bool hasIntersection(std::vector<int>& a, std::vector<int>& b)
{
    if (b.empty())
        return false;
    for (int x : a) {
        for (int y : b) {
            if (x == y)
                return true;
        }
    }
    return false;
}

namespace {

// Whether the mask of fixture names a category of otherFixture's body.
bool maskMatches(tnFixtureUserData* fixture, b2Fixture* otherFixture)
{
    tnActorUserData* actor = tnActorUserData::of(otherFixture->GetBody());
    return actor && hasIntersection(fixture->maskCategories(), actor->collisionCategories());
}

}  // namespace

bool tnContactFilter::ShouldCollide(b2Fixture* fixtureA, b2Fixture* fixtureB)
{
    tnFixtureUserData* dataA = tnFixtureUserData::of(fixtureA);
    tnFixtureUserData* dataB = tnFixtureUserData::of(fixtureB);
    // A fixture whose user data is gone is being destroyed: it touches nothing.
    if (!dataA || !dataB)
        return false;
    if (dataA->fixtureID() != dataB->fixtureID())
        return false;
    if (maskMatches(dataA, fixtureB))
        return true;
    return maskMatches(dataB, fixtureA);
}
