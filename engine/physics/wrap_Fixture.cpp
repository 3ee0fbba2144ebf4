// physics.Fixture: a shape attached to a body, with its identifier and
// mask categories.
#include "box2d/b2_fixture.h"
#include "lua/TNGone.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "physics/tnFixtureUserData.h"
#include "physics/wrap_Physics.h"
#include "physics/wrap_PhysicsInternal.h"

namespace tn_physics {

const TNLuaType kFixture = {"Fixture", "physics.FixtureMT"};

b2Fixture* liveFixture(lua_State* L, int index, const char* func, tnPhysicsWorld** world)
{
    return static_cast<b2Fixture*>(liveObject(L, index, kFixture, func, "the fixture", world));
}

namespace {

tnFixtureUserData* dataOf(b2Fixture* fixture)
{
    return fixture ? tnFixtureUserData::of(fixture) : nullptr;
}

// -1 once destroyFixture has detached the user data (seen by the
// collision-ended callbacks that the destruction runs), and for a fixture
// that is gone.
int fixture_fixtureID(lua_State* L)
{
    tnFixtureUserData* data = dataOf(liveFixture(L, 1, "Fixture.fixtureID"));
    lua_pushinteger(L, data ? data->fixtureID() : -1);
    return 1;
}

int fixture_addCollisionMaskCategory(lua_State* L)
{
    const char* func = "Fixture.addCollisionMaskCategory";
    changeCategories(L, dataOf(liveFixture(L, 1, func)), &tnFixtureUserData::addCollisionMaskCategory,
                     func);
    return 0;
}

int fixture_removeCollisionMaskCategory(lua_State* L)
{
    const char* func = "Fixture.removeCollisionMaskCategory";
    changeCategories(L, dataOf(liveFixture(L, 1, func)),
                     &tnFixtureUserData::removeCollisionMaskCategory, func);
    return 0;
}

int fixture_testPoint(lua_State* L)
{
    const char* func = "Fixture.testPoint";
    b2Fixture* fixture = liveFixture(L, 1, func);
    const b2Vec2 point = pixelsAt(L, 2, func);
    lua_pushboolean(L, fixture && fixture->TestPoint(point));
    return 1;
}

int fixture_body(lua_State* L)
{
    tnPhysicsWorld* world = nullptr;
    b2Fixture* fixture = liveFixture(L, 1, "Fixture.body", &world);
    if (!fixture)
        return tn_pushnils(L, 1);
    pushBody(L, world, fixture->GetBody());
    return 1;
}

}  // namespace

extern const luaL_Reg fixture_functions[] = {
    {"fixtureID", fixture_fixtureID},
    {"addCollisionMaskCategory", tn_guarded<fixture_addCollisionMaskCategory>},
    {"removeCollisionMaskCategory", fixture_removeCollisionMaskCategory},
    {"testPoint", fixture_testPoint},
    {"body", fixture_body},
    {nullptr, nullptr},
};

}  // namespace tn_physics
