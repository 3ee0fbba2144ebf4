// Counts the touching contacts of each fixture pair and tells the engine
// script when a pair starts touching ("fixtureCollisionBegan") and when its
// last contact ends ("fixtureCollisionEnded").
#ifndef TN_CONTACT_LISTENER_H
#define TN_CONTACT_LISTENER_H

#include <map>
#include <utility>

#include "box2d/b2_world_callbacks.h"
#include "lua.h"

class b2Body;
class b2Contact;
class b2Fixture;
class tnPhysicsWorld;

// The first fixture of body whose fixture identifier is 2, or null.
b2Fixture* getSensorFixture(b2Body* body);

// Call the script's global of the same name with two fixtures in protected
// mode; errors and a missing global are ignored and the stack is left as it
// was. Never throws.
void callCollisionBeganCallback(lua_State* L, tnPhysicsWorld* world, b2Contact* contact);
void callCollisionEndedCallback(lua_State* L, tnPhysicsWorld* world, b2Fixture* first, b2Fixture* second);

class tnContactListener : public b2ContactListener {
public:
    explicit tnContactListener(tnPhysicsWorld* world);

    // The state the callbacks run on: the one that is stepping the world.
    void setLuaState(lua_State* L) { L_ = L; }

    void BeginContact(b2Contact* contact) override;
    void EndContact(b2Contact* contact) override;

private:
    using FixturePair = std::pair<b2Fixture*, b2Fixture*>;

    // The stored entry of the pair in either order, or end().
    std::map<FixturePair, int>::iterator findPair(b2Fixture* a, b2Fixture* b);

    std::map<FixturePair, int> contactCounts_;
    lua_State* L_;
    tnPhysicsWorld* world_;
};

#endif
