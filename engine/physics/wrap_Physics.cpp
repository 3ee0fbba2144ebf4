#include "physics/wrap_Physics.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "b2_exception.h"
#include "box2d/b2_body.h"
#include "box2d/b2_circle_shape.h"
#include "box2d/b2_fixture.h"
#include "box2d/b2_polygon_shape.h"
#include "box2d/b2_world.h"
#include "lauxlib.h"
#include "physics/tnActorUserData.h"
#include "physics/tnFixtureUserData.h"
#include "physics/tnPhysicsWorld.h"

namespace {

// One metre of the physics world is 50 pixels of the scene.
const float kToMetres = 0.02f;
const float kToPixels = 50.0f;
const float kMinBoxHalfExtent = 0.01f;

const char* const kWorldMT = "physics.WorldMT";
const char* const kBodyDefMT = "physics.BodyDefMT";
const char* const kBodyMT = "physics.BodyMT";
const char* const kFixtureDefMT = "physics.FixtureDefMT";
const char* const kFixtureMT = "physics.FixtureMT";
const char* const kPolygonShapeMT = "physics.PolygonShapeMT";
const char* const kCircleShapeMT = "physics.CircleShapeMT";

// What the userdata of each kind hold. Bodies and fixtures are named by
// their serial number in the world's registry, so a box never holds a
// pointer that Box2D may free.
struct WorldBox {
    std::shared_ptr<tnPhysicsWorld> world;
};

struct ObjectBox {
    std::shared_ptr<tnPhysicsWorld> world;
    uint64_t id;
};

struct BodyDefBox {
    b2BodyDef* def;
};

struct FixtureDefBox {
    b2FixtureDef* def;
};

struct PolygonShapeBox {
    b2PolygonShape* shape;
};

struct CircleShapeBox {
    b2CircleShape* shape;
};

// ---------------------------------------------------------------------------
// Argument checking. Every message names the call, so a script error reads
// as one clear line. The __gc functions check their argument's kind too,
// since a script can reach them through getmetatable.

// The userdata at index if it carries the metatable named mt, else null.
void* testBox(lua_State* L, int index, const char* mt)
{
    void* box = lua_touserdata(L, index);
    if (!box || !lua_getmetatable(L, index))
        return nullptr;
    lua_getfield(L, LUA_REGISTRYINDEX, mt);
    const bool matches = lua_rawequal(L, -1, -2) != 0;
    lua_pop(L, 2);
    return matches ? box : nullptr;
}

template <typename Box>
Box* checkBox(lua_State* L, int index, const char* mt, const char* kind, const char* call)
{
    void* box = testBox(L, index, mt);
    if (!box)
        luaL_error(L, "%s: argument %d must be a %s (got %s)", call, index, kind, luaL_typename(L, index));
    return static_cast<Box*>(box);
}

float checkFinite(lua_State* L, int index, const char* call)
{
    if (!lua_isnumber(L, index))
        luaL_error(L, "%s: argument %d must be a number (got %s)", call, index, luaL_typename(L, index));
    const float value = static_cast<float>(lua_tonumber(L, index));
    if (!std::isfinite(value))
        luaL_error(L, "%s: argument %d must be a finite number", call, index);
    return value;
}

// Truncated like lua_tointeger, clamped so that the conversion is defined.
int checkInteger(lua_State* L, int index, const char* call)
{
    const float value = checkFinite(L, index, call);
    if (value >= 2147483647.0f)
        return INT_MAX;
    if (value <= -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(value);
}

// The live world of a world box.
tnPhysicsWorld* checkWorld(lua_State* L, int index, const char* call)
{
    auto* box = checkBox<WorldBox>(L, index, kWorldMT, "World", call);
    if (!box->world || !box->world->world())
        luaL_error(L, "%s: the world has been collected", call);
    return box->world.get();
}

// The world an object box belongs to, still alive.
tnPhysicsWorld* liveWorldOf(lua_State* L, ObjectBox* box, const char* call)
{
    if (!box->world || !box->world->world())
        luaL_error(L, "%s: its world has been collected", call);
    return box->world.get();
}

b2Body* checkBody(lua_State* L, int index, const char* call, tnPhysicsWorld** world = nullptr)
{
    auto* box = checkBox<ObjectBox>(L, index, kBodyMT, "Body", call);
    tnPhysicsWorld* owner = liveWorldOf(L, box, call);
    b2Body* body = owner->body(box->id);
    if (!body)
        luaL_error(L, "%s: the body has been destroyed", call);
    if (world)
        *world = owner;
    return body;
}

b2Fixture* checkFixture(lua_State* L, int index, const char* call, tnPhysicsWorld** world = nullptr)
{
    auto* box = checkBox<ObjectBox>(L, index, kFixtureMT, "Fixture", call);
    tnPhysicsWorld* owner = liveWorldOf(L, box, call);
    b2Fixture* fixture = owner->fixture(box->id);
    if (!fixture)
        luaL_error(L, "%s: the fixture has been destroyed", call);
    if (world)
        *world = owner;
    return fixture;
}

b2BodyDef* checkBodyDef(lua_State* L, int index, const char* call)
{
    auto* box = checkBox<BodyDefBox>(L, index, kBodyDefMT, "BodyDefinition", call);
    if (!box->def)
        luaL_error(L, "%s: the body definition has been collected", call);
    return box->def;
}

b2FixtureDef* checkFixtureDef(lua_State* L, int index, const char* call)
{
    auto* box = checkBox<FixtureDefBox>(L, index, kFixtureDefMT, "FixtureDefinition", call);
    if (!box->def)
        luaL_error(L, "%s: the fixture definition has been collected", call);
    return box->def;
}

b2PolygonShape* checkPolygon(lua_State* L, int index, const char* call)
{
    auto* box = checkBox<PolygonShapeBox>(L, index, kPolygonShapeMT, "PolygonShape", call);
    if (!box->shape)
        luaL_error(L, "%s: the shape has been collected", call);
    return box->shape;
}

// Creating objects inside a collision callback would re-enter Box2D.
void checkNotBusy(lua_State* L, tnPhysicsWorld* world, const char* call)
{
    if (world->isBusy())
        luaL_error(L, "%s: the world cannot change during a collision callback (do it after World.step returns)",
                   call);
}

tnActorUserData* actorOfDef(b2BodyDef* def)
{
    return static_cast<tnActorUserData*>(def->userData.pointer);
}

tnFixtureUserData* fixtureDataOfDef(b2FixtureDef* def)
{
    return static_cast<tnFixtureUserData*>(def->userData.pointer);
}

void printAssertion(const b2Exception& failure)
{
    std::printf("%s:%d assertion failed %s\n", failure.file().c_str(), failure.line(), failure.condition().c_str());
    std::fflush(stdout);
}

template <typename Box>
Box* newBox(lua_State* L, const char* mt)
{
    void* memory = lua_newuserdata(L, sizeof(Box));
    Box* box = new (memory) Box();
    luaL_getmetatable(L, mt);
    lua_setmetatable(L, -2);
    return box;
}

void pushObject(lua_State* L, tnPhysicsWorld* world, uint64_t id, const char* mt)
{
    if (id == 0) {
        lua_pushnil(L);
        return;
    }
    auto* box = newBox<ObjectBox>(L, mt);
    box->world = world->shared_from_this();
    box->id = id;
}

// ---------------------------------------------------------------------------
// World

int world_new(lua_State* L)
{
    // Read from the top, so that both World.new(...) and World:new(...) work.
    const int top = lua_gettop(L);
    if (top < 3)
        return luaL_error(L, "World.new: expected gx, gy, doSleep");
    const b2Vec2 gravity(checkFinite(L, top - 2, "World.new") * kToMetres,
                         checkFinite(L, top - 1, "World.new") * kToMetres);
    const bool allowSleeping = lua_toboolean(L, top) != 0;

    auto* box = newBox<WorldBox>(L, kWorldMT);
    bool failed = false;
    std::string message;
    try {
        box->world = std::make_shared<tnPhysicsWorld>(gravity, allowSleeping);
    } catch (const b2Exception& failure) {
        printAssertion(failure);
        lua_pop(L, 1);
        return 0;
    } catch (const std::exception& failure) {
        failed = true;
        message = failure.what();
    }
    if (failed)
        return luaL_error(L, "World.new: %s", message.c_str());
    return 1;
}

int world_gc(lua_State* L)
{
    auto* box = static_cast<WorldBox*>(testBox(L, 1, kWorldMT));
    if (box && box->world) {
        std::shared_ptr<tnPhysicsWorld> world = std::move(box->world);
        world->close();
    }
    return 0;
}

int world_createBody(lua_State* L)
{
    const char* call = "World.createBody";
    tnPhysicsWorld* world = checkWorld(L, 1, call);
    b2BodyDef* def = checkBodyDef(L, 2, call);
    checkNotBusy(L, world, call);

    tnActorUserData* actor = actorOfDef(def);
    bool failed = false;
    std::string message;
    try {
        b2Body* body = world->world()->CreateBody(def);
        if (actor)
            actor->retain();
        world->addBody(body);
        pushBody(L, world, body);
    } catch (const b2Exception& failure) {
        printAssertion(failure);
        return 0;
    } catch (const std::exception& failure) {
        failed = true;
        message = failure.what();
    }
    if (failed)
        return luaL_error(L, "%s: %s", call, message.c_str());
    return 1;
}

int world_destroyBody(lua_State* L)
{
    const char* call = "World.destroyBody";
    tnPhysicsWorld* world = checkWorld(L, 1, call);
    tnPhysicsWorld* owner = nullptr;
    b2Body* body = checkBody(L, 2, call, &owner);
    if (owner != world)
        return luaL_error(L, "%s: the body belongs to another world", call);

    std::shared_ptr<tnPhysicsWorld> keep = world->shared_from_this();
    try {
        world->destroyBody(L, body);
    } catch (const b2Exception& failure) {
        printAssertion(failure);
    }
    return 0;
}

int world_step(lua_State* L)
{
    const char* call = "World.step";
    tnPhysicsWorld* world = checkWorld(L, 1, call);
    const float timeStep = checkFinite(L, 2, call);
    const int velocityIterations = checkInteger(L, 3, call);
    const int positionIterations = checkInteger(L, 4, call);
    if (world->isBusy())
        return luaL_error(L, "%s: the world is already stepping (called from a collision callback)", call);

    std::shared_ptr<tnPhysicsWorld> keep = world->shared_from_this();
    try {
        world->step(L, timeStep, velocityIterations, positionIterations);
    } catch (const b2Exception& failure) {
        printAssertion(failure);
    }
    return 0;
}

int world_setGravity(lua_State* L)
{
    const char* call = "World.setGravity";
    tnPhysicsWorld* world = checkWorld(L, 1, call);
    const b2Vec2 gravity(checkFinite(L, 2, call) * kToMetres, checkFinite(L, 3, call) * kToMetres);
    world->world()->SetGravity(gravity);
    return 0;
}

const luaL_Reg world_functions[] = {
    {"new", world_new},
    {"createBody", world_createBody},
    {"destroyBody", world_destroyBody},
    {"step", world_step},
    {"setGravity", world_setGravity},
    {nullptr, nullptr},
};

// ---------------------------------------------------------------------------
// BodyDefinition

int bodyDef_new(lua_State* L)
{
    auto* box = newBox<BodyDefBox>(L, kBodyDefMT);
    box->def = new b2BodyDef;
    box->def->type = b2_staticBody;
    box->def->userData.pointer = new tnActorUserData;
    return 1;
}

// The definition holds one reference to its user data; bodies made from it
// hold their own.
int bodyDef_gc(lua_State* L)
{
    auto* box = static_cast<BodyDefBox*>(testBox(L, 1, kBodyDefMT));
    if (box && box->def) {
        if (tnActorUserData* actor = actorOfDef(box->def))
            actor->release();
        delete box->def;
        box->def = nullptr;
    }
    return 0;
}

int bodyDef_setType(lua_State* L)
{
    b2BodyDef* def = checkBodyDef(L, 1, "BodyDefinition.setType");
    const int type = checkInteger(L, 2, "BodyDefinition.setType");
    if (type == b2_staticBody || type == b2_kinematicBody || type == b2_dynamicBody)
        def->type = static_cast<b2BodyType>(type);
    return 0;
}

int bodyDef_setPosition(lua_State* L)
{
    const char* call = "BodyDefinition.setPosition";
    b2BodyDef* def = checkBodyDef(L, 1, call);
    def->position.Set(checkFinite(L, 2, call) * kToMetres, checkFinite(L, 3, call) * kToMetres);
    return 0;
}

int bodyDef_setAngle(lua_State* L)
{
    b2BodyDef* def = checkBodyDef(L, 1, "BodyDefinition.setAngle");
    def->angle = checkFinite(L, 2, "BodyDefinition.setAngle");
    return 0;
}

int bodyDef_setFixedRotation(lua_State* L)
{
    b2BodyDef* def = checkBodyDef(L, 1, "BodyDefinition.setFixedRotation");
    def->fixedRotation = lua_toboolean(L, 2) != 0;
    return 0;
}

int bodyDef_setActorID(lua_State* L)
{
    b2BodyDef* def = checkBodyDef(L, 1, "BodyDefinition.setActorID");
    actorOfDef(def)->setActorID(checkInteger(L, 2, "BodyDefinition.setActorID"));
    return 0;
}

int bodyDef_addCollisionCategory(lua_State* L)
{
    b2BodyDef* def = checkBodyDef(L, 1, "BodyDefinition.addCollisionCategory");
    actorOfDef(def)->addCollisionCategory(checkInteger(L, 2, "BodyDefinition.addCollisionCategory"));
    return 0;
}

const luaL_Reg bodyDef_functions[] = {
    {"new", bodyDef_new},
    {"setType", bodyDef_setType},
    {"setPosition", bodyDef_setPosition},
    {"setAngle", bodyDef_setAngle},
    {"setFixedRotation", bodyDef_setFixedRotation},
    {"setActorID", bodyDef_setActorID},
    {"addCollisionCategory", bodyDef_addCollisionCategory},
    {nullptr, nullptr},
};

// ---------------------------------------------------------------------------
// Body

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
    const char* call = "Body.createFixture";
    tnPhysicsWorld* world = nullptr;
    b2Body* body = checkBody(L, 1, call, &world);
    b2FixtureDef* def = checkFixtureDef(L, 2, call);
    checkNotBusy(L, world, call);
    if (!def->shape)
        return luaL_error(L, "%s: the fixture definition has no shape (call setShape first)", call);

    tnFixtureUserData* data = fixtureDataOfDef(def);
    bool failed = false;
    std::string message;
    try {
        b2PolygonShape completed;
        b2FixtureDef copy = *def;
        copy.shape = shapeForFixture(def, completed);
        b2Fixture* fixture = body->CreateFixture(&copy);
        if (data)
            data->retain();
        world->addFixture(fixture);
        pushFixture(L, world, fixture);
    } catch (const b2Exception& failure) {
        printAssertion(failure);
        return 0;
    } catch (const std::exception& failure) {
        failed = true;
        message = failure.what();
    }
    if (failed)
        return luaL_error(L, "%s: %s", call, message.c_str());
    return 1;
}

int body_destroyFixture(lua_State* L)
{
    const char* call = "Body.destroyFixture";
    if (!lua_isuserdata(L, 1) || !lua_isuserdata(L, 2))
        return 0;
    b2Body* body = checkBody(L, 1, call);
    tnPhysicsWorld* world = nullptr;
    b2Fixture* fixture = checkFixture(L, 2, call, &world);
    if (fixture->GetBody() != body)
        return luaL_error(L, "%s: the fixture belongs to another body", call);

    std::shared_ptr<tnPhysicsWorld> keep = world->shared_from_this();
    try {
        world->destroyFixture(L, fixture);
    } catch (const b2Exception& failure) {
        printAssertion(failure);
    }
    return 0;
}

int body_setAwake(lua_State* L)
{
    b2Body* body = checkBody(L, 1, "Body.setAwake");
    body->SetAwake(lua_toboolean(L, 2) != 0);
    return 0;
}

int body_position(lua_State* L)
{
    b2Body* body = checkBody(L, 1, "Body.position");
    const b2Vec2& position = body->GetPosition();
    lua_pushnumber(L, position.x * kToPixels);
    lua_pushnumber(L, position.y * kToPixels);
    return 2;
}

int body_setPositionAndAngle(lua_State* L)
{
    const char* call = "Body.setPositionAndAngle";
    tnPhysicsWorld* world = nullptr;
    b2Body* body = checkBody(L, 1, call, &world);
    const b2Vec2 position(checkFinite(L, 2, call) * kToMetres, checkFinite(L, 3, call) * kToMetres);
    const float angle = checkFinite(L, 4, call);
    try {
        world->setTransform(body, position, angle);
    } catch (const b2Exception& failure) {
        printAssertion(failure);
    }
    return 0;
}

int body_angle(lua_State* L)
{
    lua_pushnumber(L, checkBody(L, 1, "Body.angle")->GetAngle());
    return 1;
}

int body_setLinearVelocity(lua_State* L)
{
    const char* call = "Body.setLinearVelocity";
    b2Body* body = checkBody(L, 1, call);
    const b2Vec2 velocity(checkFinite(L, 2, call) * kToMetres, checkFinite(L, 3, call) * kToMetres);
    body->SetLinearVelocity(velocity);  // ignored by Box2D for static bodies
    return 0;
}

int body_linearVelocity(lua_State* L)
{
    const b2Vec2& velocity = checkBody(L, 1, "Body.linearVelocity")->GetLinearVelocity();
    lua_pushnumber(L, velocity.x * kToPixels);
    lua_pushnumber(L, velocity.y * kToPixels);
    return 2;
}

int body_setAngularVelocity(lua_State* L)
{
    const char* call = "Body.setAngularVelocity";
    b2Body* body = checkBody(L, 1, call);
    body->SetAngularVelocity(checkFinite(L, 2, call));  // ignored by Box2D for static bodies
    return 0;
}

int body_angularVelocity(lua_State* L)
{
    lua_pushnumber(L, checkBody(L, 1, "Body.angularVelocity")->GetAngularVelocity());
    return 1;
}

int body_setAngularDamping(lua_State* L)
{
    const char* call = "Body.setAngularDamping";
    b2Body* body = checkBody(L, 1, call);
    body->SetAngularDamping(checkFinite(L, 2, call));
    return 0;
}

int body_angularDamping(lua_State* L)
{
    lua_pushnumber(L, checkBody(L, 1, "Body.angularDamping")->GetAngularDamping());
    return 1;
}

int body_mass(lua_State* L)
{
    lua_pushnumber(L, checkBody(L, 1, "Body.mass")->GetMass());
    return 1;
}

int body_worldCenter(lua_State* L)
{
    const b2Vec2& center = checkBody(L, 1, "Body.worldCenter")->GetWorldCenter();
    lua_pushnumber(L, center.x);
    lua_pushnumber(L, center.y);
    return 2;
}

int body_applyForce(lua_State* L)
{
    const char* call = "Body.applyForce";
    b2Body* body = checkBody(L, 1, call);
    const b2Vec2 force(checkFinite(L, 2, call) * kToMetres, checkFinite(L, 3, call) * kToMetres);
    const b2Vec2 point(checkFinite(L, 4, call), checkFinite(L, 5, call));
    body->ApplyForce(force, point, true);  // only dynamic bodies react
    return 0;
}

int body_actorID(lua_State* L)
{
    tnActorUserData* actor = tnActorUserData::of(checkBody(L, 1, "Body.actorID"));
    lua_pushinteger(L, actor ? actor->actorID() : -1);
    return 1;
}

int body_addCollisionCategory(lua_State* L)
{
    const char* call = "Body.addCollisionCategory";
    tnActorUserData* actor = tnActorUserData::of(checkBody(L, 1, call));
    const int category = checkInteger(L, 2, call);
    if (actor)
        actor->addCollisionCategory(category);
    return 0;
}

int body_removeCollisionCategory(lua_State* L)
{
    const char* call = "Body.removeCollisionCategory";
    tnActorUserData* actor = tnActorUserData::of(checkBody(L, 1, call));
    const int category = checkInteger(L, 2, call);
    if (actor)
        actor->removeCollisionCategory(category);
    return 0;
}

// Releases the box's share of its world; the body itself belongs to the world.
int object_gc(lua_State* L)
{
    void* object = testBox(L, 1, kBodyMT);
    auto* box = static_cast<ObjectBox*>(object ? object : testBox(L, 1, kFixtureMT));
    if (box)
        box->world.reset();
    return 0;
}

const luaL_Reg body_functions[] = {
    {"createFixture", body_createFixture},
    {"destroyFixture", body_destroyFixture},
    {"setAwake", body_setAwake},
    {"position", body_position},
    {"setPositionAndAngle", body_setPositionAndAngle},
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
    {"addCollisionCategory", body_addCollisionCategory},
    {"removeCollisionCategory", body_removeCollisionCategory},
    {nullptr, nullptr},
};

// ---------------------------------------------------------------------------
// FixtureDefinition

int fixtureDef_new(lua_State* L)
{
    // An optional fixture, read from the top so that both call styles work.
    tnFixtureUserData* source = nullptr;
    if (testBox(L, -1, kFixtureMT))
        source = tnFixtureUserData::of(checkFixture(L, lua_gettop(L), "FixtureDefinition.new"));

    auto* box = newBox<FixtureDefBox>(L, kFixtureDefMT);
    box->def = new b2FixtureDef;
    box->def->userData.pointer = source ? new tnFixtureUserData(source) : new tnFixtureUserData;
    return 1;
}

int fixtureDef_gc(lua_State* L)
{
    auto* box = static_cast<FixtureDefBox*>(testBox(L, 1, kFixtureDefMT));
    if (box && box->def) {
        if (tnFixtureUserData* data = fixtureDataOfDef(box->def))
            data->release();
        delete box->def;
        box->def = nullptr;
    }
    return 0;
}

// The definition only points at the shape; its environment table keeps the
// shape's userdata from being collected before a fixture copies it.
int fixtureDef_setShape(lua_State* L)
{
    const char* call = "FixtureDefinition.setShape";
    b2FixtureDef* def = checkFixtureDef(L, 1, call);
    b2Shape* shape = nullptr;
    if (auto* polygon = static_cast<PolygonShapeBox*>(testBox(L, 2, kPolygonShapeMT)))
        shape = polygon->shape;
    else if (auto* circle = static_cast<CircleShapeBox*>(testBox(L, 2, kCircleShapeMT)))
        shape = circle->shape;
    else
        return luaL_error(L, "%s: argument 2 must be a PolygonShape or a CircleShape (got %s)", call,
                          luaL_typename(L, 2));
    if (!shape)
        return luaL_error(L, "%s: the shape has been collected", call);

    lua_createtable(L, 0, 1);
    lua_pushvalue(L, 2);
    lua_setfield(L, -2, "shape");
    lua_setfenv(L, 1);
    def->shape = shape;
    return 0;
}

int fixtureDef_setDensity(lua_State* L)
{
    b2FixtureDef* def = checkFixtureDef(L, 1, "FixtureDefinition.setDensity");
    def->density = checkFinite(L, 2, "FixtureDefinition.setDensity");
    return 0;
}

// Friction is stored scaled like a length, as the engine scripts expect.
int fixtureDef_setFriction(lua_State* L)
{
    b2FixtureDef* def = checkFixtureDef(L, 1, "FixtureDefinition.setFriction");
    def->friction = checkFinite(L, 2, "FixtureDefinition.setFriction") * kToMetres;
    return 0;
}

int fixtureDef_setRestitution(lua_State* L)
{
    b2FixtureDef* def = checkFixtureDef(L, 1, "FixtureDefinition.setRestitution");
    def->restitution = checkFinite(L, 2, "FixtureDefinition.setRestitution");
    return 0;
}

int fixtureDef_setIsSensor(lua_State* L)
{
    b2FixtureDef* def = checkFixtureDef(L, 1, "FixtureDefinition.setIsSensor");
    def->isSensor = lua_toboolean(L, 2) != 0;
    return 0;
}

int fixtureDef_setFixtureID(lua_State* L)
{
    b2FixtureDef* def = checkFixtureDef(L, 1, "FixtureDefinition.setFixtureID");
    fixtureDataOfDef(def)->setFixtureID(checkInteger(L, 2, "FixtureDefinition.setFixtureID"));
    return 0;
}

int fixtureDef_addCollisionMaskCategory(lua_State* L)
{
    const char* call = "FixtureDefinition.addCollisionMaskCategory";
    b2FixtureDef* def = checkFixtureDef(L, 1, call);
    fixtureDataOfDef(def)->addCollisionMaskCategory(checkInteger(L, 2, call));
    return 0;
}

const luaL_Reg fixtureDef_functions[] = {
    {"new", fixtureDef_new},
    {"setShape", fixtureDef_setShape},
    {"setDensity", fixtureDef_setDensity},
    {"setFriction", fixtureDef_setFriction},
    {"setRestitution", fixtureDef_setRestitution},
    {"setIsSensor", fixtureDef_setIsSensor},
    {"setFixtureID", fixtureDef_setFixtureID},
    {"addCollisionMaskCategory", fixtureDef_addCollisionMaskCategory},
    {nullptr, nullptr},
};

// ---------------------------------------------------------------------------
// Fixture

// -1 once destroyFixture has detached the user data (seen by the
// collision-ended callbacks that the destruction runs).
int fixture_fixtureID(lua_State* L)
{
    tnFixtureUserData* data = tnFixtureUserData::of(checkFixture(L, 1, "Fixture.fixtureID"));
    lua_pushinteger(L, data ? data->fixtureID() : -1);
    return 1;
}

int fixture_addCollisionMaskCategory(lua_State* L)
{
    const char* call = "Fixture.addCollisionMaskCategory";
    tnFixtureUserData* data = tnFixtureUserData::of(checkFixture(L, 1, call));
    const int category = checkInteger(L, 2, call);
    if (data)
        data->addCollisionMaskCategory(category);
    return 0;
}

int fixture_removeCollisionMaskCategory(lua_State* L)
{
    const char* call = "Fixture.removeCollisionMaskCategory";
    tnFixtureUserData* data = tnFixtureUserData::of(checkFixture(L, 1, call));
    const int category = checkInteger(L, 2, call);
    if (data)
        data->removeCollisionMaskCategory(category);
    return 0;
}

int fixture_testPoint(lua_State* L)
{
    const char* call = "Fixture.testPoint";
    b2Fixture* fixture = checkFixture(L, 1, call);
    const b2Vec2 point(checkFinite(L, 2, call) * kToMetres, checkFinite(L, 3, call) * kToMetres);
    lua_pushboolean(L, fixture->TestPoint(point));
    return 1;
}

int fixture_body(lua_State* L)
{
    tnPhysicsWorld* world = nullptr;
    b2Fixture* fixture = checkFixture(L, 1, "Fixture.body", &world);
    pushBody(L, world, fixture->GetBody());
    return 1;
}

const luaL_Reg fixture_functions[] = {
    {"fixtureID", fixture_fixtureID},
    {"addCollisionMaskCategory", fixture_addCollisionMaskCategory},
    {"removeCollisionMaskCategory", fixture_removeCollisionMaskCategory},
    {"testPoint", fixture_testPoint},
    {"body", fixture_body},
    {nullptr, nullptr},
};

// ---------------------------------------------------------------------------
// Shapes

int polygonShape_new(lua_State* L)
{
    auto* box = newBox<PolygonShapeBox>(L, kPolygonShapeMT);
    box->shape = new b2PolygonShape;
    return 1;
}

int polygonShape_gc(lua_State* L)
{
    auto* box = static_cast<PolygonShapeBox*>(testBox(L, 1, kPolygonShapeMT));
    if (box) {
        delete box->shape;
        box->shape = nullptr;
    }
    return 0;
}

int polygonShape_setAsBox(lua_State* L)
{
    const char* call = "PolygonShape.setAsBox";
    b2PolygonShape* shape = checkPolygon(L, 1, call);
    const float halfWidth = b2Max(checkFinite(L, 2, call) * kToMetres, kMinBoxHalfExtent);
    const float halfHeight = b2Max(checkFinite(L, 3, call) * kToMetres, kMinBoxHalfExtent);
    shape->SetAsBox(halfWidth, halfHeight);
    return 0;
}

int polygonShape_addVertex(lua_State* L)
{
    const char* call = "PolygonShape.addVertex";
    b2PolygonShape* shape = checkPolygon(L, 1, call);
    const b2Vec2 vertex(checkFinite(L, 2, call) * kToMetres, checkFinite(L, 3, call) * kToMetres);
    if (shape->m_count >= b2_maxPolygonVertices) {
        std::printf("PolygonShape.addVertex: a polygon holds at most %d vertices; vertex ignored\n",
                    b2_maxPolygonVertices);
        std::fflush(stdout);
        return 0;
    }
    shape->m_vertices[shape->m_count] = vertex;
    shape->m_normals[shape->m_count].SetZero();  // completed when a fixture is made
    ++shape->m_count;
    return 0;
}

const luaL_Reg polygonShape_functions[] = {
    {"new", polygonShape_new},
    {"setAsBox", polygonShape_setAsBox},
    {"addVertex", polygonShape_addVertex},
    {nullptr, nullptr},
};

int circleShape_new(lua_State* L)
{
    const int top = lua_gettop(L);
    if (top < 1)
        return luaL_error(L, "CircleShape.new: expected a radius");
    const float radius = checkFinite(L, top, "CircleShape.new");
    if (radius < 0.0f)
        return luaL_error(L, "CircleShape.new: the radius must not be negative");
    auto* box = newBox<CircleShapeBox>(L, kCircleShapeMT);
    box->shape = new b2CircleShape;
    box->shape->m_radius = radius * kToMetres;
    return 1;
}

int circleShape_gc(lua_State* L)
{
    auto* box = static_cast<CircleShapeBox*>(testBox(L, 1, kCircleShapeMT));
    if (box) {
        delete box->shape;
        box->shape = nullptr;
    }
    return 0;
}

const luaL_Reg circleShape_functions[] = {
    {"new", circleShape_new},
    {nullptr, nullptr},
};

// ---------------------------------------------------------------------------
// Module

struct Kind {
    const char* name;
    const char* metatable;
    const luaL_Reg* functions;
    lua_CFunction gc;
};

// Registered in this order. Body and Fixture boxes hold a share of their
// world, which their __gc gives back.
const Kind kKinds[] = {
    {"World", kWorldMT, world_functions, world_gc},
    {"BodyDefinition", kBodyDefMT, bodyDef_functions, bodyDef_gc},
    {"Body", kBodyMT, body_functions, object_gc},
    {"FixtureDefinition", kFixtureDefMT, fixtureDef_functions, fixtureDef_gc},
    {"Fixture", kFixtureMT, fixture_functions, object_gc},
    {"PolygonShape", kPolygonShapeMT, polygonShape_functions, polygonShape_gc},
    {"CircleShape", kCircleShapeMT, circleShape_functions, circleShape_gc},
};

// Stack: physics table on top. Leaves it there.
void registerKind(lua_State* L, const Kind& kind)
{
    lua_newtable(L);
    luaL_register(L, nullptr, kind.functions);
    luaL_newmetatable(L, kind.metatable);
    lua_pushcfunction(L, kind.gc);
    lua_setfield(L, -2, "__gc");
    lua_pushvalue(L, -2);
    lua_setfield(L, -2, "__index");
    lua_pop(L, 1);
    lua_setfield(L, -2, kind.name);
}

}  // namespace

void pushBody(lua_State* L, tnPhysicsWorld* world, b2Body* body)
{
    pushObject(L, world, world->idOf(body), kBodyMT);
}

void pushFixture(lua_State* L, tnPhysicsWorld* world, b2Fixture* fixture)
{
    pushObject(L, world, world->idOf(fixture), kFixtureMT);
}

tnPhysicsWorld* physicsWorldAt(lua_State* L, int index)
{
    auto* box = static_cast<WorldBox*>(testBox(L, index, kWorldMT));
    return box && box->world && box->world->world() ? box->world.get() : nullptr;
}

int luaopen_physics(lua_State* L)
{
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
