// What the wrap_<Type>.cpp files of the physics module share: the scale,
// the userdata types and what their blocks hold, the argument readers of
// each type, and the handling of Box2D's failed assertions.
#ifndef TN_WRAP_PHYSICS_INTERNAL_H
#define TN_WRAP_PHYSICS_INTERNAL_H

#include <cstdint>
#include <memory>

#include "b2_exception.h"
#include "box2d/b2_math.h"
#include "lauxlib.h"
#include "lua.h"
#include "lua/TNHandle.h"
#include "lua/TNLuaType.h"
#include "physics/tnPhysicsWorld.h"

class b2Body;
class b2Fixture;
class b2PolygonShape;
class b2CircleShape;
struct b2BodyDef;
struct b2FixtureDef;

namespace tn_physics {

// One metre of the physics world is 50 pixels of the scene.
constexpr float kToMetres = 0.02f;
constexpr float kToPixels = 50.0f;

extern const TNLuaType kWorld;
extern const TNLuaType kBodyDefinition;
extern const TNLuaType kBody;
extern const TNLuaType kFixtureDefinition;
extern const TNLuaType kFixture;
extern const TNLuaType kPolygonShape;
extern const TNLuaType kCircleShape;

// What the userdata of each type hold. A body or fixture is named by its
// handle, so a box never holds a pointer that Box2D may free; its share of
// the world keeps the world object (not the Box2D world) alive.
struct WorldBox {
    std::shared_ptr<tnPhysicsWorld> world;
};

struct ObjectBox {
    std::shared_ptr<tnPhysicsWorld> world;
    TNHandle handle;
};

struct BodyDefinitionBox {
    b2BodyDef* def;
};

struct FixtureDefinitionBox {
    b2FixtureDef* def;
};

struct PolygonShapeBox {
    b2PolygonShape* shape;
};

struct CircleShapeBox {
    b2CircleShape* shape;
};

// Readers of the argument at index. Each raises the wrong-argument message
// naming func. A world, body or fixture that is gone (destroyed, or its
// world collected) gives null after one line on standard error
// (lua/TNGone.h): the call then does nothing, and a read gives 0 or nil.
// So does a definition or shape whose __gc the script called by hand.
// liveBody and liveFixture also give the object's world.
tnPhysicsWorld* liveWorld(lua_State* L, int index, const char* func);
b2Body* liveBody(lua_State* L, int index, const char* func, tnPhysicsWorld** world = nullptr);
b2Fixture* liveFixture(lua_State* L, int index, const char* func, tnPhysicsWorld** world = nullptr);
b2BodyDef* liveBodyDefinition(lua_State* L, int index, const char* func);
b2FixtureDef* liveFixtureDefinition(lua_State* L, int index, const char* func);
b2PolygonShape* livePolygonShape(lua_State* L, int index, const char* func);

// The live body or fixture named by the box of type at index (and its
// world), or null after one line naming what when it is gone.
void* liveObject(lua_State* L, int index, const TNLuaType& type, const char* func, const char* what,
                 tnPhysicsWorld** world);
// Pushes a fresh box of type naming a live object of world; nil when the
// handle is null.
void pushObject(lua_State* L, tnPhysicsWorld* world, TNHandle handle, const TNLuaType& type);

// Numbers are read as the engine scripts' first player read them: what is
// no finite number reads as 0, after one line per function (tn_tofinite).
// A number truncated to an integer.
int32_t integerAt(lua_State* L, int index, const char* func);
// The numbers at index and index + 1, in pixels, as a vector in metres.
b2Vec2 pixelsAt(lua_State* L, int index, const char* func);
// Pushes two numbers.
void pushVector(lua_State* L, const b2Vec2& vector);

// The category functions of Body and Fixture: reads the category (argument
// 2) and applies change to the object's user data, unless the user data is
// already detached (a body or fixture being destroyed).
template <class UserData>
void changeCategories(lua_State* L, UserData* data, void (UserData::*change)(int), const char* func)
{
    const int category = integerAt(L, 2, func);
    if (data)
        (data->*change)(category);
}

// False, after one line on standard error, while world is inside a call
// that runs collision callbacks: Box2D refuses changes then, and the call
// changes nothing.
bool canChange(tnPhysicsWorld* world, const char* func);

// Prints "<file>:<line> assertion failed <condition>" on standard output.
void printAssertion(const b2Exception& failure);

// The functions that change a world are registered as printsAssertions<F>:
// a failed Box2D assertion prints its line and the call returns nothing.
template <lua_CFunction F>
int printsAssertions(lua_State* L)
{
    try {
        return F(L);
    } catch (const b2Exception& failure) {
        printAssertion(failure);
    }
    return 0;
}

// The functions and collector of each type, in the files named after it.
extern const luaL_Reg world_functions[];
extern const luaL_Reg bodyDefinition_functions[];
extern const luaL_Reg body_functions[];
extern const luaL_Reg fixtureDefinition_functions[];
extern const luaL_Reg fixture_functions[];
extern const luaL_Reg polygonShape_functions[];
extern const luaL_Reg circleShape_functions[];
int world_gc(lua_State* L);
int bodyDefinition_gc(lua_State* L);
int object_gc(lua_State* L);  // Body and Fixture
int fixtureDefinition_gc(lua_State* L);
int polygonShape_gc(lua_State* L);
int circleShape_gc(lua_State* L);

}  // namespace tn_physics

#endif
