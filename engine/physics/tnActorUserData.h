// The user data of a body: the actor identifier the script gave it and the
// collision categories that fixtures' masks are matched against.
#ifndef TN_ACTOR_USER_DATA_H
#define TN_ACTOR_USER_DATA_H

#include "physics/tnUserData.h"

class b2Body;

class tnActorUserData : public tnUserData {
public:
    tnActorUserData() = default;

    // The user data of body, or null once destroyBody has detached it.
    static tnActorUserData* of(b2Body* body);

    int actorID() const { return identifier(); }
    void setActorID(int id) { setIdentifier(id); }

    std::vector<int>& collisionCategories() { return categories(); }
    void addCollisionCategory(int category) { addCategory(category); }
    void removeCollisionCategory(int category) { removeCategory(category); }

private:
    ~tnActorUserData() override = default;  // deleted by release()
};

#endif
