// The physics Lua module: worlds, body and fixture definitions, bodies,
// fixtures and shapes over Box2D, in scene pixels (1 metre = 50 pixels).
#ifndef TN_PHYSICS_H
#define TN_PHYSICS_H

#include "lua.h"

class b2Body;
class b2Fixture;
class tnPhysicsWorld;

int luaopen_physics(lua_State* L);

// The world of the World userdata at index, or null if it is none (or has
// been collected). For host code and tests that drive a script's world.
tnPhysicsWorld* physicsWorldAt(lua_State* L, int index);

// Push a fresh box ("physics.BodyMT" / "physics.FixtureMT") naming a live
// object of world by its handle; nil if the object has no handle there.
void pushBody(lua_State* L, tnPhysicsWorld* world, b2Body* body);
void pushFixture(lua_State* L, tnPhysicsWorld* world, b2Fixture* fixture);

#endif
