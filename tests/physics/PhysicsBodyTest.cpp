// Bodies, fixtures and shapes driven from Lua: units, body types, forces,
// shapes, what reaches Box2D, and the userdata types.
#include <gtest/gtest.h>

#include "PhysicsScript.h"
#include "box2d/box2d.h"
#include "physics/tnFixtureUserData.h"
#include "physics/tnPhysicsWorld.h"
#include "physics/wrap_Physics.h"

using PhysicsBody = tern_test::PhysicsScript;

// Static bodies ignore velocities and forces, kinematic ones keep their
// velocity whatever the force, a dynamic body takes the force in pixels;
// setType keeps the type for a value that names none.
TEST_F(PhysicsBody, BodyTypesVelocitiesAndForces)
{
    run(R"lua(
        world = physics.World.new(0, 0, true)
        still = makeBody(world, {type = 0, y = 300})
        mover = makeBody(world, {type = 1, y = 100})
        local def = physics.BodyDefinition.new()
        def:setType(2)
        def:setType(5)
        def:setPosition(400, 200)
        dynamic = world:createBody(def)
        local fdef = physics.FixtureDefinition.new()
        fdef:setShape(physics.CircleShape.new(10))
        fdef:setDensity(1)
        dynamic:createFixture(fdef)
        for _, body in ipairs({still, mover, dynamic}) do
            body:setAwake(false)
            local cx, cy = body:worldCenter()
            body:applyForce(500, 0, cx, cy)
        end
        still:setLinearVelocity(100, 100)
        mover:setLinearVelocity(60, 0)
        for i = 1, 60 do world:step(1/60, 8, 3) end
    )lua");
    // The dynamic body is pushed at its centre of mass: it does not turn.
    expectValues({{"select(2, still:position())", "300"}, {"select(1, still:linearVelocity())", "0"},
                  {"select(1, mover:linearVelocity())", "60"},
                  {"select(2, dynamic:linearVelocity())", "0"}, {"dynamic:angularVelocity()", "0"}});
    EXPECT_NEAR(number("select(1, mover:position())"), 60.0f, 0.01f);
    // 500 px = 10 N for one step of 1/60 s, in px/s.
    EXPECT_NEAR(number("select(1, dynamic:linearVelocity())"), 10.0f / number("dynamic:mass()") / 60 * 50, 0.1f);

    run(R"lua(
        dynamic:setAngularDamping(0.5)
        dynamic:setPositionAndAngle(10, 20, 1.5)
        dynamic:setAwake(false)
    )lua");
    expectValues({{"dynamic:angularDamping()", "0.5"}, {"dynamic:angle()", "1.5"},
                  {"select(1, dynamic:position())", "10"}, {"select(1, dynamic:linearVelocity())", "0"}});
}

// What the setters hand to Box2D, read back from the world they built; a
// definition copied from a fixture carries its identifier and masks. (The
// shape and the copy are made with the method-call style of new.)
TEST_F(PhysicsBody, SettersReachBox2D)
{
    run(R"lua(
        world = physics.World.new(0, 0, true)
        world:setGravity(100, -500)
        local def = physics.BodyDefinition.new()
        def:setAngle(0.5)
        def:setFixedRotation(true)
        local body = world:createBody(def)
        local fdef = physics.FixtureDefinition.new()
        fdef:setShape(physics.CircleShape:new(25))
        fdef:setDensity(2)
        fdef:setFriction(50)
        fdef:setRestitution(0.25)
        fdef:setIsSensor(true)
        fdef:setFixtureID(5)
        fdef:addCollisionMaskCategory(21)
        local copy = physics.FixtureDefinition:new(body:createFixture(fdef))
        copy:setShape(physics.CircleShape.new(5))
        copy:addCollisionMaskCategory(22)
        body:createFixture(copy)
    )lua");
    lua_getglobal(L(), "world");
    b2World* world = physicsWorldAt(L(), -1)->world();
    lua_pop(L(), 1);
    b2Body* body = world->GetBodyList();
    b2Fixture* copied = body->GetFixtureList();  // newest first
    b2Fixture* fixture = copied->GetNext();
    // Gravity, angle, radius and friction (like a length) in metres.
    const std::vector<float> values = {world->GetGravity().x, world->GetGravity().y, body->GetAngle(),
                                       float(body->IsFixedRotation()), fixture->GetShape()->m_radius,
                                       fixture->GetDensity(), fixture->GetFriction(), fixture->GetRestitution(),
                                       float(fixture->IsSensor()), float(tnFixtureUserData::of(copied)->fixtureID())};
    EXPECT_EQ(values, (std::vector<float>{2, -10, 0.5f, 1, 0.5f, 2, 1, 0.25f, 1, 5}));
    EXPECT_EQ(tnFixtureUserData::of(copied)->maskCategories(), (std::vector<int>{21, 22}));
    EXPECT_EQ(tnFixtureUserData::of(fixture)->maskCategories(), std::vector<int>{21});
}

// Boxes fall as Box2D integrates g = -10 m/s² (after n steps of 1/60 s:
// v = -10 n / 60 m/s, y = y0 - 10 n (n + 1) / 7200 m), reported in pixels
// with the centre of mass in metres, and come to rest on the ground. A
// polygon built with addVertex is completed before use; setAsBox clamps each
// half-extent to 0.01 m (0.5 px); testPoint works in pixels; each call
// returns a fresh box. The world is made with the method-call style of new.
TEST_F(PhysicsBody, FallingShapesInPixelsAndMetres)
{
    run(R"lua(
        world = physics.World:new(0, -500, true)
        local body, tiny = makeBody(world, {type = 0, x = 100, y = 100, w = 0, h = 0, id = 7})
        tinyInside = tiny:testPoint(100.4, 99.6)
        tinyOutside = tiny:testPoint(100.6, 100)
        sameBody = tiny:body():actorID()
        freshBox = tiny:body() == body

        ground = makeBody(world, {type = 0, x = 240, y = 10, w = 240, h = 10})
        boxed = makeBody(world, {x = 200, y = 200})
        -- A square given clockwise, kept alive by its definition alone.
        local def = physics.BodyDefinition.new()
        def:setType(2)
        def:setPosition(300, 200)
        def:addCollisionCategory(1)
        square = world:createBody(def)
        local shape = physics.PolygonShape.new()
        for _, v in ipairs({{-10, -10}, {-10, 10}, {10, 10}, {10, -10}}) do shape:addVertex(v[1], v[2]) end
        local fdef = physics.FixtureDefinition.new()
        fdef:setShape(shape)
        fdef:setDensity(1)
        fdef:setFixtureID(1)
        fdef:addCollisionMaskCategory(1)
        shape = nil
        collectgarbage()
        squareFixture = square:createFixture(fdef)

        for i = 1, 30 do world:step(1/60, 8, 3) end
        x, y = boxed:position()
        vx, vy = boxed:linearVelocity()
        cx, cy = boxed:worldCenter()
        for i = 31, 120 do world:step(1/60, 8, 3) end
    )lua");
    const float y30 = 4.0f - 10.0f * 30 * 31 / 7200;
    EXPECT_NEAR(number("y"), y30 * 50, 1e-3);
    EXPECT_NEAR(number("vy"), -250.0f, 1e-3);
    EXPECT_NEAR(number("cy"), y30, 1e-5);
    expectValues({{"x .. ' ' .. cx .. ' ' .. boxed:mass() .. ' ' .. square:mass()", "200 4 0.16 0.16"},
                  {"tostring(tinyInside) .. ' ' .. tostring(tinyOutside) .. ' ' .. sameBody .. ' ' .. tostring(freshBox)",
                   "true false 7 false"},
                  {"squareFixture:testPoint(309, select(2, square:position()) - 9)", "true"}});
    // Resting on the ground: ground top 20 px, half height 10 px, skins 0.5 px each.
    EXPECT_NEAR(number("select(2, boxed:position())"), 30.0f, 1.0f);
    EXPECT_NEAR(number("select(2, square:position())"), number("select(2, boxed:position())"), 0.05f);
}
