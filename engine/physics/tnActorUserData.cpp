#include "physics/tnActorUserData.h"

#include "box2d/b2_body.h"

tnActorUserData* tnActorUserData::of(b2Body* body)
{
    return static_cast<tnActorUserData*>(body->GetUserData().pointer);
}
