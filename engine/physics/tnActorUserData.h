// The user data of a body: the actor identifier the script gave it and the
// collision categories that fixtures' masks are matched against.
#ifndef TN_ACTOR_USER_DATA_H
#define TN_ACTOR_USER_DATA_H

#include <vector>

class b2Body;

class tnActorUserData {
public:
    tnActorUserData();
    tnActorUserData(const tnActorUserData&) = delete;
    tnActorUserData& operator=(const tnActorUserData&) = delete;

    // The user data of body, or null once destroyBody has detached it.
    static tnActorUserData* of(b2Body* body);

    int actorID() const { return actorID_; }
    void setActorID(int id) { actorID_ = id; }

    std::vector<int>& collisionCategories() { return collisionCategories_; }
    void addCollisionCategory(int category);
    // Removes the first element equal to category; nothing if absent.
    void removeCollisionCategory(int category);

    // One object is shared by the body definition that made it and every
    // body created from that definition; each holder keeps one reference.
    void retain() { ++references_; }
    void release();

private:
    ~tnActorUserData() = default;

    int actorID_;
    std::vector<int> collisionCategories_;
    int references_;
};

#endif
