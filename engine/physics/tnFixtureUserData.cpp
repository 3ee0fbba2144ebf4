#include "physics/tnFixtureUserData.h"

#include "box2d/b2_fixture.h"

tnFixtureUserData* tnFixtureUserData::of(b2Fixture* fixture)
{
    return static_cast<tnFixtureUserData*>(fixture->GetUserData().pointer);
}
