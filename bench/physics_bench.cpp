// The physics binding's overhead: one step of a 500-box pyramid driven from
// Lua, the same script-built world stepped directly in C++, and a plain
// Box2D world of the same boxes; plus 10,000 body:position() calls.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "host/TNEngine.h"
#include "box2d/box2d.h"
#include "lauxlib.h"
#include "log/TNLog.h"
#include "physics/wrap_Physics.h"
#include "physics/tnPhysicsWorld.h"

namespace {

const int kBoxes = 500;
const int kBaseRow = 32;
const float kHalf = 10.0f;  // pixels

// Builds the pyramid in the global "world" (sleeping off, so every step
// solves the whole stack) and defines stepOnce() and positions(n).
const char* const kScript = R"lua(
world = physics.World.new(0, -500, false)
local function addBox(type, x, y, hw, hh)
    local def = physics.BodyDefinition.new()
    def:setType(type)
    def:setPosition(x, y)
    def:setActorID(1)
    def:addCollisionCategory(1)
    local body = world:createBody(def)
    local shape = physics.PolygonShape.new()
    shape:setAsBox(hw, hh)
    local fdef = physics.FixtureDefinition.new()
    fdef:setShape(shape)
    fdef:setDensity(1)
    fdef:setFriction(30)
    fdef:setFixtureID(1)
    fdef:addCollisionMaskCategory(1)
    body:createFixture(fdef)
    return body
end
addBox(0, 0, -10, 2000, 10)
local count, half, base = ...
bodies = {}
local row = 0
while #bodies < count do
    for i = 0, base - row - 1 do
        if #bodies == count then break end
        local x = (i - (base - row - 1) / 2) * 2 * half
        local y = half + row * 2 * half
        bodies[#bodies + 1] = addBox(2, x, y, half, half)
    end
    row = row + 1
end
function stepOnce() world:step(1/60, 8, 3) end
function positions(n)
    local body = bodies[1]
    for i = 1, n do body:position() end
end
)lua";

TN_State* newScriptedWorld()
{
    TN_State* S = TN_NewState(0);
    TN_LoadLibs(S->L);
    if (luaL_loadstring(S->L, kScript) != 0) {
        TNLog("%s", lua_tostring(S->L, -1));
        std::exit(1);
    }
    lua_pushinteger(S->L, kBoxes);
    lua_pushnumber(S->L, kHalf);
    lua_pushinteger(S->L, kBaseRow);
    if (lua_pcall(S->L, 3, 0, 0) != 0) {
        TNLog("%s", lua_tostring(S->L, -1));
        std::exit(1);
    }
    return S;
}

void callGlobal(lua_State* L, const char* name, int argument)
{
    lua_getglobal(L, name);
    int nargs = 0;
    if (argument >= 0) {
        lua_pushinteger(L, argument);
        nargs = 1;
    }
    if (lua_pcall(L, nargs, 0, 0) != 0) {
        TNLog("%s", lua_tostring(L, -1));
        std::exit(1);
    }
}

void BM_StepFromLua(benchmark::State& state)
{
    TN_State* S = newScriptedWorld();
    for (auto _ : state)
        callGlobal(S->L, "stepOnce", -1);
    TN_DestroyState(S);
}
BENCHMARK(BM_StepFromLua)->Unit(benchmark::kMicrosecond);

// The world built by the script (category filter and contact listener
// installed), stepped without going through Lua.
void BM_StepScriptWorldFromCpp(benchmark::State& state)
{
    TN_State* S = newScriptedWorld();
    lua_getglobal(S->L, "world");
    b2World* world = physicsWorldAt(S->L, -1)->world();
    lua_pop(S->L, 1);
    for (auto _ : state)
        world->Step(1.0f / 60, 8, 3);
    TN_DestroyState(S);
}
BENCHMARK(BM_StepScriptWorldFromCpp)->Unit(benchmark::kMicrosecond);

// The same boxes in a plain Box2D world with its default filter.
void BM_StepPlainBox2D(benchmark::State& state)
{
    const float half = kHalf * 0.02f;
    b2World world(b2Vec2(0, -10));
    world.SetAllowSleeping(false);
    b2BodyDef groundDef;
    groundDef.position.Set(0, -0.2f);
    b2PolygonShape groundShape;
    groundShape.SetAsBox(40, 0.2f);
    b2FixtureDef groundFixture;
    groundFixture.shape = &groundShape;
    groundFixture.density = 1;
    groundFixture.friction = 0.6f;
    world.CreateBody(&groundDef)->CreateFixture(&groundFixture);
    b2PolygonShape boxShape;
    boxShape.SetAsBox(half, half);
    b2FixtureDef boxFixture = groundFixture;
    boxFixture.shape = &boxShape;
    int placed = 0;
    for (int row = 0; placed < kBoxes; ++row) {
        for (int i = 0; i < kBaseRow - row && placed < kBoxes; ++i, ++placed) {
            b2BodyDef def;
            def.type = b2_dynamicBody;
            def.position.Set((i - (kBaseRow - row - 1) / 2.0f) * 2 * half, half + row * 2 * half);
            world.CreateBody(&def)->CreateFixture(&boxFixture);
        }
    }
    for (auto _ : state)
        world.Step(1.0f / 60, 8, 3);
}
BENCHMARK(BM_StepPlainBox2D)->Unit(benchmark::kMicrosecond);

void BM_BodyPosition10000(benchmark::State& state)
{
    TN_State* S = newScriptedWorld();
    for (auto _ : state)
        callGlobal(S->L, "positions", 10000);
    TN_DestroyState(S);
}
BENCHMARK(BM_BodyPosition10000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
