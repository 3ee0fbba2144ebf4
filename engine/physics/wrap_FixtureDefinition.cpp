// physics.FixtureDefinition: what a fixture is made from, with the fixture
// user data that every fixture made from it shares.
#include "box2d/b2_circle_shape.h"
#include "box2d/b2_fixture.h"
#include "box2d/b2_polygon_shape.h"
#include "lua/TNGone.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "physics/tnFixtureUserData.h"
#include "physics/wrap_PhysicsInternal.h"

namespace tn_physics {

const TNLuaType kFixtureDefinition = {"FixtureDefinition", "physics.FixtureDefMT"};

b2FixtureDef* liveFixtureDefinition(lua_State* L, int index, const char* func)
{
    auto* box = tn_checkblock<FixtureDefinitionBox>(L, index, kFixtureDefinition, func);
    if (!box->def)
        tn_gone(L, func, "the fixture definition (collected)");
    return box->def;
}

namespace {

tnFixtureUserData* fixtureDataOf(b2FixtureDef* def)
{
    return static_cast<tnFixtureUserData*>(def->userData.pointer);
}

// An optional fixture, read from the top so that both call styles work,
// whose identifier and mask categories the new user data copies (none from
// a fixture that is gone).
int fixtureDefinition_new(lua_State* L)
{
    const char* func = "FixtureDefinition.new";
    const int last = tn_fromtop(L, 1, 1);
    tnFixtureUserData* source = nullptr;
    if (tn_toblock<ObjectBox>(L, last, kFixture)) {
        if (b2Fixture* fixture = liveFixture(L, last, func))
            source = tnFixtureUserData::of(fixture);
    }

    auto* box = tn_newblock<FixtureDefinitionBox>(L, kFixtureDefinition);
    box->def = new b2FixtureDef;
    box->def->userData.pointer = source ? new tnFixtureUserData(source) : new tnFixtureUserData;
    return 1;
}

// The definition only points at the shape; its environment table keeps the
// shape's userdata from being collected before a fixture copies it.
int fixtureDefinition_setShape(lua_State* L)
{
    const char* func = "FixtureDefinition.setShape";
    b2FixtureDef* def = liveFixtureDefinition(L, 1, func);
    b2Shape* shape = nullptr;
    if (auto* polygon = tn_toblock<PolygonShapeBox>(L, 2, kPolygonShape))
        shape = polygon->shape;
    else if (auto* circle = tn_toblock<CircleShapeBox>(L, 2, kCircleShape))
        shape = circle->shape;
    else
        return tn_argerror(L, func, 2, "a PolygonShape or a CircleShape");
    if (!shape)
        tn_gone(L, func, "the shape (collected)");
    if (!def || !shape)
        return 0;

    lua_createtable(L, 0, 1);
    lua_pushvalue(L, 2);
    lua_setfield(L, -2, "shape");
    lua_setfenv(L, 1);
    def->shape = shape;
    return 0;
}

int fixtureDefinition_setDensity(lua_State* L)
{
    const char* func = "FixtureDefinition.setDensity";
    b2FixtureDef* def = liveFixtureDefinition(L, 1, func);
    const float value = tn_tofinite(L, 2, func);
    if (def)
        def->density = value;
    return 0;
}

// Friction is stored scaled like a length, as the engine scripts expect.
int fixtureDefinition_setFriction(lua_State* L)
{
    const char* func = "FixtureDefinition.setFriction";
    b2FixtureDef* def = liveFixtureDefinition(L, 1, func);
    const float value = tn_tofinite(L, 2, func) * kToMetres;
    if (def)
        def->friction = value;
    return 0;
}

int fixtureDefinition_setRestitution(lua_State* L)
{
    const char* func = "FixtureDefinition.setRestitution";
    b2FixtureDef* def = liveFixtureDefinition(L, 1, func);
    const float value = tn_tofinite(L, 2, func);
    if (def)
        def->restitution = value;
    return 0;
}

int fixtureDefinition_setIsSensor(lua_State* L)
{
    b2FixtureDef* def = liveFixtureDefinition(L, 1, "FixtureDefinition.setIsSensor");
    if (def)
        def->isSensor = tn_toboolean(L, 2);
    return 0;
}

int fixtureDefinition_setFixtureID(lua_State* L)
{
    const char* func = "FixtureDefinition.setFixtureID";
    b2FixtureDef* def = liveFixtureDefinition(L, 1, func);
    const int id = integerAt(L, 2, func);
    if (def)
        fixtureDataOf(def)->setFixtureID(id);
    return 0;
}

int fixtureDefinition_addCollisionMaskCategory(lua_State* L)
{
    const char* func = "FixtureDefinition.addCollisionMaskCategory";
    b2FixtureDef* def = liveFixtureDefinition(L, 1, func);
    const int category = integerAt(L, 2, func);
    if (def)
        fixtureDataOf(def)->addCollisionMaskCategory(category);
    return 0;
}

}  // namespace

int fixtureDefinition_gc(lua_State* L)
{
    auto* box = tn_toblock<FixtureDefinitionBox>(L, 1, kFixtureDefinition);
    if (box && box->def) {
        if (tnFixtureUserData* data = fixtureDataOf(box->def))
            data->release();
        delete box->def;
        box->def = nullptr;
    }
    return 0;
}

extern const luaL_Reg fixtureDefinition_functions[] = {
    {"new", tn_guarded<fixtureDefinition_new>},
    {"setShape", fixtureDefinition_setShape},
    {"setDensity", fixtureDefinition_setDensity},
    {"setFriction", fixtureDefinition_setFriction},
    {"setRestitution", fixtureDefinition_setRestitution},
    {"setIsSensor", fixtureDefinition_setIsSensor},
    {"setFixtureID", fixtureDefinition_setFixtureID},
    {"addCollisionMaskCategory", tn_guarded<fixtureDefinition_addCollisionMaskCategory>},
    {nullptr, nullptr},
};

}  // namespace tn_physics
