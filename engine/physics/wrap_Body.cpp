// physics.Body: a body of a world, its fixtures, motion and categories.
#include <memory>

#include "box2d/b2_body.h"
#include "box2d/b2_fixture.h"
#include "box2d/b2_polygon_shape.h"
#include "lua/TNGone.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "log/TNLog.h"
#include "physics/tnActorUserData.h"
#include "physics/tnFixtureUserData.h"
#include "physics/wrap_Physics.h"
#include "physics/wrap_PhysicsInternal.h"

namespace tn_physics {

const TNLuaType kBody = {"Body", "physics.BodyMT"};

b2Body* liveBody(lua_State* L, int index, const char* func, tnPhysicsWorld** world)
{
    return static_cast<b2Body*>(liveObject(L, index, kBody, func, "the body", world));
}

namespace {

tnActorUserData* actorOf(b2Body* body)
{
    return body ? tnActorUserData::of(body) : nullptr;
}

// A polygon built with addVertex has only its vertices; Box2D needs the
// edge normals and centroid too. Vertices added by addVertex carry a zero
// normal until then.
bool needsCompletion(const b2PolygonShape& polygon)
{
    if (polygon.m_count < 3)
        return true;
    for (int i = 0; i < polygon.m_count; ++i) {
        if (polygon.m_normals[i].LengthSquared() == 0.0f)
            return true;
    }
    return false;
}

// The shape a fixture is made from: a completed copy of an addVertex
// polygon (Set computes the convex hull, normals and centroid, and asserts
// on fewer than three distinct points), else the definition's own shape.
// Mass is computed once here too, so that a degenerate shape fails before
// Box2D has attached anything to the body.
const b2Shape* shapeForFixture(const b2FixtureDef* def, b2PolygonShape& completed)
{
    const b2Shape* shape = def->shape;
    if (shape->GetType() == b2Shape::e_polygon) {
        const auto* polygon = static_cast<const b2PolygonShape*>(shape);
        if (needsCompletion(*polygon)) {
            completed.Set(polygon->m_vertices, polygon->m_count);
            shape = &completed;
        }
    }
    if (def->density > 0.0f) {
        b2MassData mass;
        shape->ComputeMass(&mass, def->density);
    }
    return shape;
}

int body_createFixture(lua_State* L)
{
    const char* func = "Body.createFixture";
    tnPhysicsWorld* world = nullptr;
    b2Body* body = liveBody(L, 1, func, &world);
    b2FixtureDef* def = liveFixtureDefinition(L, 2, func);
    if (!body || !def || !canChange(world, func))
        return 0;
    if (!def->shape) {
        TNLog("%s: the fixture definition has no shape (call setShape first); no fixture was made", func);
        return 0;
    }

    b2PolygonShape completed;
    b2FixtureDef copy = *def;
    copy.shape = shapeForFixture(def, completed);
    b2Fixture* fixture = body->CreateFixture(&copy);
    // The fixture holds its own reference to the definition's user data.
    if (auto* data = static_cast<tnFixtureUserData*>(def->userData.pointer))
        data->retain();
    world->addFixture(fixture);
    pushFixture(L, world, fixture);
    return 1;
}

// Does nothing unless both arguments are userdata, or when either is gone
// (a fixture destroyed twice) or the fixture is another body's.
int body_destroyFixture(lua_State* L)
{
    const char* func = "Body.destroyFixture";
    if (!lua_isuserdata(L, 1) || !lua_isuserdata(L, 2))
        return 0;
    b2Body* body = liveBody(L, 1, func);
    tnPhysicsWorld* world = nullptr;
    b2Fixture* fixture = liveFixture(L, 2, func, &world);
    if (!body || !fixture)
        return 0;
    if (fixture->GetBody() != body) {
        TNLog("%s: the fixture belongs to another body; the call does nothing", func);
        return 0;
    }

    // Callbacks run by the destruction may collect the world's userdata.
    std::shared_ptr<tnPhysicsWorld> keep = world->shared_from_this();
    world->destroyFixture(L, fixture);
    return 0;
}

int body_setAwake(lua_State* L)
{
    if (b2Body* body = liveBody(L, 1, "Body.setAwake"))
        body->SetAwake(tn_toboolean(L, 2));
    return 0;
}

// A body that is gone reads as 0 (two zeros, one zero).
int body_position(lua_State* L)
{
    b2Body* body = liveBody(L, 1, "Body.position");
    pushVector(L, body ? kToPixels * body->GetPosition() : b2Vec2_zero);
    return 2;
}

// Postponed until the step returns when called from a collision callback.
int body_setPositionAndAngle(lua_State* L)
{
    const char* func = "Body.setPositionAndAngle";
    tnPhysicsWorld* world = nullptr;
    b2Body* body = liveBody(L, 1, func, &world);
    const b2Vec2 position = pixelsAt(L, 2, func);
    const float angle = tn_tofinite(L, 4, func);
    if (body)
        world->setTransform(body, position, angle);
    return 0;
}

int body_angle(lua_State* L)
{
    b2Body* body = liveBody(L, 1, "Body.angle");
    lua_pushnumber(L, body ? body->GetAngle() : 0.0f);
    return 1;
}

int body_setLinearVelocity(lua_State* L)
{
    const char* func = "Body.setLinearVelocity";
    b2Body* body = liveBody(L, 1, func);
    if (body)
        body->SetLinearVelocity(pixelsAt(L, 2, func));  // ignored by Box2D for static bodies
    return 0;
}

int body_linearVelocity(lua_State* L)
{
    b2Body* body = liveBody(L, 1, "Body.linearVelocity");
    pushVector(L, body ? kToPixels * body->GetLinearVelocity() : b2Vec2_zero);
    return 2;
}

int body_setAngularVelocity(lua_State* L)
{
    const char* func = "Body.setAngularVelocity";
    b2Body* body = liveBody(L, 1, func);
    if (body)
        body->SetAngularVelocity(tn_tofinite(L, 2, func));  // ignored by Box2D for static bodies
    return 0;
}

int body_angularVelocity(lua_State* L)
{
    b2Body* body = liveBody(L, 1, "Body.angularVelocity");
    lua_pushnumber(L, body ? body->GetAngularVelocity() : 0.0f);
    return 1;
}

int body_setAngularDamping(lua_State* L)
{
    const char* func = "Body.setAngularDamping";
    b2Body* body = liveBody(L, 1, func);
    if (body)
        body->SetAngularDamping(tn_tofinite(L, 2, func));
    return 0;
}

int body_angularDamping(lua_State* L)
{
    b2Body* body = liveBody(L, 1, "Body.angularDamping");
    lua_pushnumber(L, body ? body->GetAngularDamping() : 0.0f);
    return 1;
}

int body_mass(lua_State* L)
{
    b2Body* body = liveBody(L, 1, "Body.mass");
    lua_pushnumber(L, body ? body->GetMass() : 0.0f);
    return 1;
}

// In metres, unlike position.
int body_worldCenter(lua_State* L)
{
    b2Body* body = liveBody(L, 1, "Body.worldCenter");
    pushVector(L, body ? body->GetWorldCenter() : b2Vec2_zero);
    return 2;
}

// The force in pixels, the point in metres (as worldCenter gives it).
int body_applyForce(lua_State* L)
{
    const char* func = "Body.applyForce";
    b2Body* body = liveBody(L, 1, func);
    const b2Vec2 force = pixelsAt(L, 2, func);
    const float px = tn_tofinite(L, 4, func);
    const float py = tn_tofinite(L, 5, func);
    if (body)
        body->ApplyForce(force, b2Vec2(px, py), true);  // only dynamic bodies react
    return 0;
}

// -1 once destroyBody has detached the user data (seen by the
// collision-ended callbacks that the destruction runs), and for a body
// that is gone.
int body_actorID(lua_State* L)
{
    b2Body* body = liveBody(L, 1, "Body.actorID");
    tnActorUserData* actor = body ? tnActorUserData::of(body) : nullptr;
    lua_pushinteger(L, actor ? actor->actorID() : -1);
    return 1;
}

int body_addCollisionCategory(lua_State* L)
{
    const char* func = "Body.addCollisionCategory";
    changeCategories(L, actorOf(liveBody(L, 1, func)), &tnActorUserData::addCollisionCategory, func);
    return 0;
}

int body_removeCollisionCategory(lua_State* L)
{
    const char* func = "Body.removeCollisionCategory";
    changeCategories(L, actorOf(liveBody(L, 1, func)), &tnActorUserData::removeCollisionCategory, func);
    return 0;
}

}  // namespace

extern const luaL_Reg body_functions[] = {
    {"createFixture", tn_guarded<printsAssertions<body_createFixture>>},
    {"destroyFixture", tn_guarded<printsAssertions<body_destroyFixture>>},
    {"setAwake", body_setAwake},
    {"position", body_position},
    {"setPositionAndAngle", tn_guarded<printsAssertions<body_setPositionAndAngle>>},
    {"angle", body_angle},
    {"setLinearVelocity", body_setLinearVelocity},
    {"linearVelocity", body_linearVelocity},
    {"setAngularVelocity", body_setAngularVelocity},
    {"angularVelocity", body_angularVelocity},
    {"setAngularDamping", body_setAngularDamping},
    {"angularDamping", body_angularDamping},
    {"mass", body_mass},
    {"worldCenter", body_worldCenter},
    {"applyForce", body_applyForce},
    {"actorID", body_actorID},
    {"addCollisionCategory", tn_guarded<body_addCollisionCategory>},
    {"removeCollisionCategory", body_removeCollisionCategory},
    {nullptr, nullptr},
};

}  // namespace tn_physics
