// Bodies, fixtures and shapes driven from Lua: units, body types, forces,
// shapes and the userdata types.
#include <gtest/gtest.h>

#include "PhysicsScript.h"

using PhysicsBody = tern_test::PhysicsScript;

// A box dropped from Lua falls as Box2D integrates g = -10 m/s² (after n
// steps of 1/60 s: v = -10 n / 60 m/s, y = y0 - 10 n (n + 1) / 7200 m),
// reported in pixels, with the centre of mass in metres, and comes to
// rest on the ground.
TEST_F(PhysicsBody, FallingBoxInPixelsAndMetres)
{
    run(R"lua(
        world = physics.World.new(0, -500, true)
        ground = makeBody(world, {type = 0, x = 240, y = 10, w = 240, h = 10, density = 0})
        box = makeBody(world, {x = 100, y = 300, w = 15, h = 10, id = 7})
        for i = 1, 30 do world:step(1/60, 8, 3) end
        x, y = box:position()
        vx, vy = box:linearVelocity()
        cx, cy = box:worldCenter()
        for i = 31, 120 do world:step(1/60, 8, 3) end
    )lua");
    const float y30 = 6.0f - 10.0f * 30 * 31 / 7200;
    EXPECT_EQ(eval("x"), "100");
    EXPECT_NEAR(number("y"), y30 * 50, 1e-3);
    EXPECT_NEAR(number("vy"), -250.0f, 1e-3);
    EXPECT_NEAR(number("cx"), 2.0f, 1e-5);
    EXPECT_NEAR(number("cy"), y30, 1e-5);
    EXPECT_NEAR(number("box:mass()"), 0.6f * 0.4f, 1e-6);
    // Resting on the ground: ground top 20 px, half height 10 px, skins 0.5 px each.
    EXPECT_NEAR(number("select(2, box:position())"), 30.0f, 1.0f);
    EXPECT_EQ(eval("box:actorID()"), "7");
}

TEST_F(PhysicsBody, DefinitionValuesAndBodyTypes)
{
    run(R"lua(
        world = physics.World.new(0, -500, false)
        placed = makeBody(world, {type = 0, x = 100, y = 50})

        -- 5 is not a body type: the dynamic type set before stays.
        local def = physics.BodyDefinition.new()
        def:setType(2)
        def:setType(5)
        def:setPosition(0, 400)
        falling = world:createBody(def)
        local fdef = physics.FixtureDefinition.new()
        fdef:setShape(physics.CircleShape.new(10))
        fdef:setDensity(1)
        falling:createFixture(fdef)

        still = makeBody(world, {type = 0, x = 300, y = 300})
        still:setLinearVelocity(100, 100)
        still:setAngularVelocity(3)

        mover = makeBody(world, {type = 1, x = 300, y = 100})
        mover:setLinearVelocity(60, 0)

        for i = 1, 60 do world:step(1/60, 8, 3) end
    )lua");
    expectValues({{"select(1, placed:position())", "100"},
                  {"select(2, placed:position())", "50"},
                  {"select(2, still:position())", "300"},
                  {"select(1, still:linearVelocity())", "0"},
                  {"still:angularVelocity()", "0"},
                  // Kinematic: moves at its velocity, untouched by gravity.
                  {"select(2, mover:position())", "100"}});
    EXPECT_LT(number("select(2, falling:position())"), 200.0f);
    EXPECT_NEAR(number("select(1, mover:position())"), 360.0f, 0.01f);
}

TEST_F(PhysicsBody, ForcesMoveOnlyDynamicBodies)
{
    run(R"lua(
        world = physics.World.new(0, 0, true)
        bodies = {
            static = makeBody(world, {type = 0, x = 0, w = 5, h = 5}),
            kinematic = makeBody(world, {type = 1, x = 200, w = 5, h = 5}),
            dynamic = makeBody(world, {type = 2, x = 400, w = 5, h = 5}),
        }
        for name, body in pairs(bodies) do
            body:setAwake(false)
            local cx, cy = body:worldCenter()
            body:applyForce(500, 0, cx, cy)
        end
        world:step(1/60, 8, 3)
    )lua");
    expectValues({{"select(1, bodies.static:linearVelocity())", "0"},
                  {"select(1, bodies.kinematic:linearVelocity())", "0"},
                  {"select(2, bodies.dynamic:linearVelocity())", "0"}});
    // 500 px = 10 N on a 0.04 kg box for 1/60 s: 4.1667 m/s = 208.3 px/s.
    const float mass = number("bodies.dynamic:mass()");
    EXPECT_NEAR(number("select(1, bodies.dynamic:linearVelocity())"), 10.0f / mass / 60 * 50, 0.1f);

    run(R"lua(
        bodies.dynamic:setAngularDamping(0.5)
        bodies.dynamic:setPositionAndAngle(10, 20, 1.5)
        bodies.dynamic:setAwake(false)
    )lua");
    expectValues({{"bodies.dynamic:angularDamping()", "0.5"},
                  {"bodies.dynamic:angle()", "1.5"},
                  {"select(1, bodies.dynamic:position())", "10"},
                  {"select(1, bodies.dynamic:linearVelocity())", "0"}});
}

// setAsBox clamps each half-extent to 0.01 m (0.5 px); testPoint works in
// pixels; addVertex polygons are completed before use.
TEST_F(PhysicsBody, ShapesAndTestPoint)
{
    run(R"lua(
        world = physics.World.new(0, -500, true)
        local body, tiny = makeBody(world, {type = 0, x = 100, y = 100, w = 0, h = 0, id = 7})
        tinyInside = tiny:testPoint(100.4, 99.6)
        tinyOutside = tiny:testPoint(100.6, 100)
        sameBody = tiny:body():actorID()

        ground = makeBody(world, {type = 0, x = 240, y = 10, w = 240, h = 10})
        -- A square given clockwise, completed into a proper polygon.
        local def = physics.BodyDefinition.new()
        def:setType(2)
        def:setPosition(300, 200)
        def:addCollisionCategory(1)
        square = world:createBody(def)
        local shape = physics.PolygonShape.new()
        shape:addVertex(-10, -10)
        shape:addVertex(-10, 10)
        shape:addVertex(10, 10)
        shape:addVertex(10, -10)
        local fdef = physics.FixtureDefinition.new()
        fdef:setShape(shape)
        fdef:setDensity(1)
        fdef:setFixtureID(1)
        fdef:addCollisionMaskCategory(1)
        squareFixture = square:createFixture(fdef)
        shape = nil
        collectgarbage()  -- the definition keeps its shape alive
        boxed = makeBody(world, {x = 200, y = 200})
        for i = 1, 120 do world:step(1/60, 8, 3) end
    )lua");
    expectValues({{"tinyInside", "true"},
                  {"tinyOutside", "false"},
                  {"sameBody", "7"},
                  {"square:mass()", eval("boxed:mass()")},
                  {"squareFixture:testPoint(309, select(2, square:position()) - 9)", "true"}});
    EXPECT_NEAR(number("select(2, square:position())"), number("select(2, boxed:position())"), 0.05f);
    EXPECT_NEAR(number("select(2, square:position())"), 30.0f, 1.0f);
}

// Each type's metatable carries its registry name with the module field as
// __index; both call styles of new work; boxes are fresh for each return.
TEST_F(PhysicsBody, RegistryNamesAndFreshBoxes)
{
    run(R"lua(
        world = physics.World:new(0, -10, true)
        a, f = makeBody(world, {})
        local fdef = physics.FixtureDefinition:new(f)
        local objects = {
            World = world, Body = a, Fixture = f, BodyDefinition = physics.BodyDefinition.new(),
            FixtureDefinition = fdef, PolygonShape = physics.PolygonShape.new(),
            CircleShape = physics.CircleShape:new(5),
        }
        local names = {World = "WorldMT", BodyDefinition = "BodyDefMT", Body = "BodyMT",
                       FixtureDefinition = "FixtureDefMT", Fixture = "FixtureMT",
                       PolygonShape = "PolygonShapeMT", CircleShape = "CircleShapeMT"}
        wrong = {}
        for kind, object in pairs(objects) do
            local mt = getmetatable(object)
            if mt ~= debug.getregistry()["physics." .. names[kind]] or mt.__index ~= physics[kind] then
                wrong[#wrong + 1] = kind
            end
        end
        wrong = table.concat(wrong, ",")
        b = f:body()
    )lua");
    expectValues({{"wrong", ""}, {"a == b", "false"}, {"a:actorID() == b:actorID()", "true"}});
}
