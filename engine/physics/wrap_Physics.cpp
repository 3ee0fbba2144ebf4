// The physics module table, and what the types' functions share: boxes
// naming bodies and fixtures, number readers, assertion lines.
#include "physics/wrap_Physics.h"

#include "lua/TNGone.h"
#include "lua/TNLuaArgs.h"
#include "log/TNLog.h"
#include "physics/wrap_PhysicsInternal.h"

namespace tn_physics {
void* liveObject(lua_State* L, int index, const TNLuaType& type, const char* func, const char* what,
                 tnPhysicsWorld** world)
{
    auto* box = tn_checkblock<ObjectBox>(L, index, type, func);
    // A collected world took its bodies and fixtures with it.
    const bool worldAlive = box->world && box->world->world();
    void* object = worldAlive ? tn_tolive(L, box->handle, func, what) : nullptr;
    if (!worldAlive)
        tn_gone(L, func, what);
    if (world)
        *world = object ? box->world.get() : nullptr;
    return object;
}

void pushObject(lua_State* L, tnPhysicsWorld* world, TNHandle handle, const TNLuaType& type)
{
    if (handle.isNull()) {
        lua_pushnil(L);
        return;
    }
    auto* box = tn_newblock<ObjectBox>(L, type);
    box->world = world->shared_from_this();
    box->handle = handle;
}

// Releases the box's share of its world; the object itself belongs to the world.
int object_gc(lua_State* L)
{
    auto* box = tn_toblock<ObjectBox>(L, 1, kBody);
    if (!box)
        box = tn_toblock<ObjectBox>(L, 1, kFixture);
    if (box)
        box->world.reset();
    return 0;
}

int32_t integerAt(lua_State* L, int index, const char* func)
{
    return tn_truncate(tn_tofinite(L, index, func));
}

b2Vec2 pixelsAt(lua_State* L, int index, const char* func)
{
    const float x = tn_tofinite(L, index, func);
    const float y = tn_tofinite(L, index + 1, func);
    return b2Vec2(x * kToMetres, y * kToMetres);
}

void pushVector(lua_State* L, const b2Vec2& vector)
{
    lua_pushnumber(L, vector.x);
    lua_pushnumber(L, vector.y);
}

// Creating objects inside a collision callback would re-enter Box2D, which
// asserts on it.
bool canChange(tnPhysicsWorld* world, const char* func)
{
    if (!world->isBusy())
        return true;
    TNLog("%s: the world cannot change during a collision callback; the call does nothing", func);
    return false;
}

void printAssertion(const b2Exception& failure)
{
    TNLogStdout("%s:%d assertion failed %s", failure.file().c_str(), failure.line(), failure.condition().c_str());
}

namespace {

struct Kind {
    const TNLuaType& type;  // its name is the module field
    const luaL_Reg* functions;
    lua_CFunction gc;
};

// Registered in this order. Body and Fixture boxes hold a share of their
// world, which their __gc gives back.
const Kind kKinds[] = {
    {kWorld, world_functions, world_gc},
    {kBodyDefinition, bodyDefinition_functions, bodyDefinition_gc},
    {kBody, body_functions, object_gc},
    {kFixtureDefinition, fixtureDefinition_functions, fixtureDefinition_gc},
    {kFixture, fixture_functions, object_gc},
    {kPolygonShape, polygonShape_functions, polygonShape_gc},
    {kCircleShape, circleShape_functions, circleShape_gc},
};

// The kind's function table becomes the __index of its metatable and the
// module field of its name. Stack: the physics table on top; left there.
void registerKind(lua_State* L, const Kind& kind)
{
    lua_newtable(L);
    luaL_register(L, nullptr, kind.functions);
    tn_newtype(L, kind.type, nullptr);
    tn_pushmetatable(L, kind.type);
    lua_pushcfunction(L, kind.gc);
    lua_setfield(L, -2, "__gc");
    lua_pushvalue(L, -2);
    lua_setfield(L, -2, "__index");
    lua_pop(L, 1);
    lua_setfield(L, -2, kind.type.name);
}

}  // namespace
}  // namespace tn_physics

using namespace tn_physics;

void pushBody(lua_State* L, tnPhysicsWorld* world, b2Body* body)
{
    pushObject(L, world, world->handleOf(body), kBody);
}

void pushFixture(lua_State* L, tnPhysicsWorld* world, b2Fixture* fixture)
{
    pushObject(L, world, world->handleOf(fixture), kFixture);
}

tnPhysicsWorld* physicsWorldAt(lua_State* L, int index)
{
    auto* box = tn_toblock<WorldBox>(L, index, kWorld);
    return box && box->world && box->world->world() ? box->world.get() : nullptr;
}

namespace {

// Lines of assertions that fail while another unwinds, printed like the
// first.
void printAssertionLine(const char* line)
{
    TNLogStdout("%s", line);
}

}  // namespace

int luaopen_physics(lua_State* L)
{
    b2SetAssertLogger(printAssertionLine);
    lua_getfield(L, LUA_GLOBALSINDEX, "physics");
    if (!lua_istable(L, -1)) {
        lua_pop(L, 1);
        lua_newtable(L);
        lua_pushvalue(L, -1);
        lua_setfield(L, LUA_GLOBALSINDEX, "physics");
    }
    for (const Kind& kind : kKinds)
        registerKind(L, kind);
    return 1;
}
