// physics.World: a world with gravity, its bodies and its step.
#include <memory>

#include "box2d/b2_body.h"
#include "box2d/b2_world.h"
#include "log/TNLog.h"
#include "lua/TNGone.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "physics/tnActorUserData.h"
#include "physics/wrap_Physics.h"
#include "physics/wrap_PhysicsInternal.h"

namespace tn_physics {

const TNLuaType kWorld = {"World", "physics.WorldMT"};

tnPhysicsWorld* liveWorld(lua_State* L, int index, const char* func)
{
    auto* box = tn_checkblock<WorldBox>(L, index, kWorld, func);
    if (box->world && box->world->stoppedByAssertion()) {
        tn_gone(L, func, "the world (stopped by a failed assertion in a step)");
        return nullptr;
    }
    if (!box->world || !box->world->world()) {
        tn_gone(L, func, "the world (collected)");
        return nullptr;
    }
    return box->world.get();
}

namespace {

// Reads its arguments from the top, so that both World.new(...) and
// World:new(...) work; missing ones read as 0 and false.
int world_new(lua_State* L)
{
    const char* func = "World.new";
    const b2Vec2 gravity = pixelsAt(L, tn_fromtop(L, 3, 1), func);
    const bool allowSleeping = tn_toboolean(L, tn_fromtop(L, 3, 3));

    auto* box = tn_newblock<WorldBox>(L, kWorld);
    box->world = std::make_shared<tnPhysicsWorld>(gravity, allowSleeping);
    return 1;
}

int world_createBody(lua_State* L)
{
    const char* func = "World.createBody";
    tnPhysicsWorld* world = liveWorld(L, 1, func);
    b2BodyDef* def = liveBodyDefinition(L, 2, func);
    if (!world || !def || !canChange(world, func))
        return 0;

    b2Body* body = world->world()->CreateBody(def);
    // The body holds its own reference to the definition's user data.
    if (auto* actor = static_cast<tnActorUserData*>(def->userData.pointer))
        actor->retain();
    world->addBody(body);
    pushBody(L, world, body);
    return 1;
}

// A body destroyed before (a second call) or another world's is ignored.
int world_destroyBody(lua_State* L)
{
    const char* func = "World.destroyBody";
    tnPhysicsWorld* world = liveWorld(L, 1, func);
    tnPhysicsWorld* owner = nullptr;
    b2Body* body = liveBody(L, 2, func, &owner);
    if (!world || !body)
        return 0;
    if (owner != world) {
        TNLog("%s: the body belongs to another world; the call does nothing", func);
        return 0;
    }

    // Callbacks run by the destruction may collect the world's userdata.
    std::shared_ptr<tnPhysicsWorld> keep = world->shared_from_this();
    world->destroyBody(L, body);
    return 0;
}

int world_step(lua_State* L)
{
    const char* func = "World.step";
    tnPhysicsWorld* world = liveWorld(L, 1, func);
    const float timeStep = tn_tofinite(L, 2, func);
    const int velocityIterations = integerAt(L, 3, func);
    const int positionIterations = integerAt(L, 4, func);
    if (!world || !canChange(world, func))
        return 0;  // not from a collision callback: the step in progress goes on

    std::shared_ptr<tnPhysicsWorld> keep = world->shared_from_this();
    world->step(L, timeStep, velocityIterations, positionIterations);
    return 0;
}

int world_setGravity(lua_State* L)
{
    const char* func = "World.setGravity";
    tnPhysicsWorld* world = liveWorld(L, 1, func);
    const b2Vec2 gravity = pixelsAt(L, 2, func);
    if (world)
        world->world()->SetGravity(gravity);
    return 0;
}

}  // namespace

int world_gc(lua_State* L)
{
    auto* box = tn_toblock<WorldBox>(L, 1, kWorld);
    if (box && box->world) {
        std::shared_ptr<tnPhysicsWorld> world = std::move(box->world);
        world->close();
    }
    return 0;
}

extern const luaL_Reg world_functions[] = {
    {"new", tn_guarded<printsAssertions<world_new>>},
    {"createBody", tn_guarded<printsAssertions<world_createBody>>},
    {"destroyBody", tn_guarded<printsAssertions<world_destroyBody>>},
    {"step", tn_guarded<printsAssertions<world_step>>},
    {"setGravity", world_setGravity},
    {nullptr, nullptr},
};

}  // namespace tn_physics
