#include "physics/tnFixtureUserData.h"

#include <algorithm>

#include "box2d/b2_fixture.h"

tnFixtureUserData::tnFixtureUserData()
    : fixtureID_(0),
      references_(1)
{
}

tnFixtureUserData::tnFixtureUserData(const tnFixtureUserData* other)
    : fixtureID_(other->fixtureID_),
      maskCategories_(other->maskCategories_),
      references_(1)
{
}

tnFixtureUserData* tnFixtureUserData::of(b2Fixture* fixture)
{
    return static_cast<tnFixtureUserData*>(fixture->GetUserData().pointer);
}

void tnFixtureUserData::addCollisionMaskCategory(int category)
{
    maskCategories_.push_back(category);
}

void tnFixtureUserData::removeCollisionMaskCategory(int category)
{
    auto found = std::find(maskCategories_.begin(), maskCategories_.end(), category);
    if (found != maskCategories_.end())
        maskCategories_.erase(found);
}

void tnFixtureUserData::release()
{
    if (--references_ == 0)
        delete this;
}
