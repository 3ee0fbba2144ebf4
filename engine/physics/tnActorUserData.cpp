#include "physics/tnActorUserData.h"

#include <algorithm>

#include "box2d/b2_body.h"

tnActorUserData::tnActorUserData()
    : actorID_(0),
      references_(1)
{
}

tnActorUserData* tnActorUserData::of(b2Body* body)
{
    return static_cast<tnActorUserData*>(body->GetUserData().pointer);
}

void tnActorUserData::addCollisionCategory(int category)
{
    collisionCategories_.push_back(category);
}

void tnActorUserData::removeCollisionCategory(int category)
{
    auto found = std::find(collisionCategories_.begin(), collisionCategories_.end(), category);
    if (found != collisionCategories_.end())
        collisionCategories_.erase(found);
}

void tnActorUserData::release()
{
    if (--references_ == 0)
        delete this;
}
