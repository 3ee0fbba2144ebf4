// Bodies, fixtures and shapes driven from Lua, checked against the same
// world built directly with Box2D.
#include <gtest/gtest.h>

#include <string>

#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "box2d/box2d.h"

using tern_test::ScriptedEngine;

namespace {

const char* const kEngine = "function initEngine() end\n";

// Every body has category 1 and every fixture identifier 1 with mask 1, so
// everything collides as in a plain Box2D world.
const char* const kHelpers = R"lua(
function makeBody(world, type, x, y, halfW, halfH, density)
    local def = physics.BodyDefinition.new()
    def:setType(type)
    def:setPosition(x, y)
    def:setActorID(7)
    def:addCollisionCategory(1)
    local body = world:createBody(def)
    local shape = physics.PolygonShape.new()
    shape:setAsBox(halfW, halfH)
    local fdef = physics.FixtureDefinition.new()
    fdef:setShape(shape)
    fdef:setDensity(density)
    fdef:setFixtureID(1)
    fdef:addCollisionMaskCategory(1)
    return body, body:createFixture(fdef)
end
)lua";

float evalFloat(ScriptedEngine& engine, const std::string& expression)
{
    return std::stof(engine.eval(expression));
}

}  // namespace

// A box dropped on the ground from Lua ends where Box2D puts the same box,
// with positions in pixels, velocities in pixels per second and the centre
// of mass in metres.
TEST(PhysicsBody, FallingBoxLandsWhereBox2DSays)
{
    ScriptedEngine engine(kEngine);
    engine.run(kHelpers);
    engine.run(R"lua(
        world = physics.World.new(0, -500, true)
        ground = makeBody(world, 0, 240, 10, 240, 10, 0)
        box = makeBody(world, 2, 100, 300, 15, 10, 1)
        samples = {}
        for i = 1, 120 do
            world:step(1/60, 8, 3)
            if i == 30 then
                local x, y = box:position()
                local vx, vy = box:linearVelocity()
                local cx, cy = box:worldCenter()
                samples = {x = x, y = y, vx = vx, vy = vy, cx = cx, cy = cy}
            end
        end
    )lua");

    b2World world(b2Vec2(0, -10.0f));
    b2BodyDef groundDef;
    groundDef.position.Set(240 * 0.02f, 10 * 0.02f);
    b2PolygonShape groundShape;
    groundShape.SetAsBox(240 * 0.02f, 10 * 0.02f);
    b2FixtureDef groundFixture;
    groundFixture.shape = &groundShape;
    groundFixture.friction = 0.2f * 0.02f;
    world.CreateBody(&groundDef)->CreateFixture(&groundFixture);
    b2BodyDef boxDef;
    boxDef.type = b2_dynamicBody;
    boxDef.position.Set(100 * 0.02f, 300 * 0.02f);
    b2PolygonShape boxShape;
    boxShape.SetAsBox(15 * 0.02f, 10 * 0.02f);
    b2FixtureDef boxFixture;
    boxFixture.shape = &boxShape;
    boxFixture.density = 1;
    boxFixture.friction = 0.2f * 0.02f;
    b2Body* box = world.CreateBody(&boxDef);
    box->CreateFixture(&boxFixture);
    for (int i = 1; i <= 120; ++i) {
        world.Step(1.0f / 60, 8, 3);
        if (i == 30) {
            EXPECT_NEAR(evalFloat(engine, "samples.y"), box->GetPosition().y * 50, 1e-3);
            EXPECT_NEAR(evalFloat(engine, "samples.vy"), box->GetLinearVelocity().y * 50, 1e-3);
            EXPECT_NEAR(evalFloat(engine, "samples.cx"), box->GetWorldCenter().x, 1e-5);
            EXPECT_NEAR(evalFloat(engine, "samples.cy"), box->GetWorldCenter().y, 1e-5);
        }
    }
    EXPECT_NEAR(evalFloat(engine, "select(2, box:position())"), box->GetPosition().y * 50, 1e-3);
    // Resting on the ground: ground top 20 px, half height 10 px, skins 0.5 px each.
    EXPECT_NEAR(evalFloat(engine, "select(2, box:position())"), 30.0f, 1.0f);
    EXPECT_NEAR(evalFloat(engine, "box:mass()"), box->GetMass(), 1e-6);
    EXPECT_EQ(engine.eval("box:actorID()"), "7");
}

TEST(PhysicsBody, DefinitionValuesAndBodyTypes)
{
    ScriptedEngine engine(kEngine);
    engine.run(kHelpers);
    engine.run(R"lua(
        world = physics.World.new(0, -500, false)
        placed = makeBody(world, 0, 100, 50, 5, 5, 0)

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

        still = makeBody(world, 0, 300, 300, 5, 5, 0)
        still:setLinearVelocity(100, 100)
        still:setAngularVelocity(3)

        mover = makeBody(world, 1, 300, 100, 5, 5, 0)
        mover:setLinearVelocity(60, 0)

        for i = 1, 60 do world:step(1/60, 8, 3) end
    )lua");
    EXPECT_EQ(engine.eval("select(1, placed:position())"), "100");
    EXPECT_EQ(engine.eval("select(2, placed:position())"), "50");
    EXPECT_LT(evalFloat(engine, "select(2, falling:position())"), 200.0f);
    EXPECT_EQ(engine.eval("select(2, still:position())"), "300");
    EXPECT_EQ(engine.eval("select(1, still:linearVelocity())"), "0");
    EXPECT_EQ(engine.eval("still:angularVelocity()"), "0");
    // Kinematic: moves at its velocity, untouched by gravity.
    EXPECT_NEAR(evalFloat(engine, "select(1, mover:position())"), 360.0f, 0.01f);
    EXPECT_EQ(engine.eval("select(2, mover:position())"), "100");
}

TEST(PhysicsBody, ForcesMoveOnlyDynamicBodies)
{
    ScriptedEngine engine(kEngine);
    engine.run(kHelpers);
    engine.run(R"lua(
        world = physics.World.new(0, 0, true)
        bodies = {
            static = makeBody(world, 0, 0, 0, 5, 5, 1),
            kinematic = makeBody(world, 1, 200, 0, 5, 5, 1),
            dynamic = makeBody(world, 2, 400, 0, 5, 5, 1),
        }
        for name, body in pairs(bodies) do
            body:setAwake(false)
            local cx, cy = body:worldCenter()
            body:applyForce(500, 0, cx, cy)
        end
        world:step(1/60, 8, 3)
    )lua");
    EXPECT_EQ(engine.eval("select(1, bodies.static:linearVelocity())"), "0");
    EXPECT_EQ(engine.eval("select(1, bodies.kinematic:linearVelocity())"), "0");
    // 500 px = 10 N on a 0.04 kg box for 1/60 s: 4.1667 m/s = 208.3 px/s.
    const float mass = evalFloat(engine, "bodies.dynamic:mass()");
    EXPECT_NEAR(evalFloat(engine, "select(1, bodies.dynamic:linearVelocity())"), 10.0f / mass / 60 * 50, 0.1f);
    EXPECT_EQ(engine.eval("select(2, bodies.dynamic:linearVelocity())"), "0");

    engine.run(R"lua(
        bodies.dynamic:setAngularDamping(0.5)
        bodies.dynamic:setPositionAndAngle(10, 20, 1.5)
        bodies.dynamic:setAwake(false)
    )lua");
    EXPECT_EQ(engine.eval("bodies.dynamic:angularDamping()"), "0.5");
    EXPECT_EQ(engine.eval("bodies.dynamic:angle()"), "1.5");
    EXPECT_EQ(engine.eval("select(1, bodies.dynamic:position())"), "10");
    EXPECT_EQ(engine.eval("select(1, bodies.dynamic:linearVelocity())"), "0");
}

// setAsBox clamps each half-extent to 0.01 m (0.5 px); testPoint works in
// pixels; addVertex polygons are completed before use.
TEST(PhysicsBody, ShapesAndTestPoint)
{
    ScriptedEngine engine(kEngine);
    engine.run(kHelpers);
    engine.run(R"lua(
        world = physics.World.new(0, -500, true)
        local body, tiny = makeBody(world, 0, 100, 100, 0, 0, 0)
        tinyInside = tiny:testPoint(100.4, 99.6)
        tinyOutside = tiny:testPoint(100.6, 100)
        sameBody = tiny:body():actorID()

        ground = makeBody(world, 0, 240, 10, 240, 10, 0)
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
        boxed = makeBody(world, 2, 200, 200, 10, 10, 1)
        for i = 1, 120 do world:step(1/60, 8, 3) end
    )lua");
    EXPECT_EQ(engine.eval("tinyInside"), "true");
    EXPECT_EQ(engine.eval("tinyOutside"), "false");
    EXPECT_EQ(engine.eval("sameBody"), "7");
    EXPECT_EQ(engine.eval("square:mass()"), engine.eval("boxed:mass()"));
    EXPECT_NEAR(evalFloat(engine, "select(2, square:position())"), evalFloat(engine, "select(2, boxed:position())"),
                0.05f);
    EXPECT_NEAR(evalFloat(engine, "select(2, square:position())"), 30.0f, 1.0f);
    EXPECT_EQ(engine.eval("squareFixture:testPoint(309, select(2, square:position()) - 9)"), "true");
}

TEST(PhysicsBody, ModuleTablesAndMetatables)
{
    ScriptedEngine engine(kEngine);
    engine.run(R"lua(
        kinds = {}
        for _, kind in ipairs({"World", "BodyDefinition", "Body", "FixtureDefinition",
                               "Fixture", "PolygonShape", "CircleShape"}) do
            kinds[#kinds + 1] = type(physics[kind])
        end
        kinds = table.concat(kinds, ",")
        world = physics.World:new(0, -10, true)  -- method-call style works too
        local def = physics.BodyDefinition.new()
        a = world:createBody(def)
        local fdef = physics.FixtureDefinition.new()
        fdef:setShape(physics.CircleShape.new(5))
        f = a:createFixture(fdef)
        b = f:body()
    )lua");
    EXPECT_EQ(engine.eval("kinds"), "table,table,table,table,table,table,table");
    EXPECT_EQ(engine.eval("getmetatable(world) == debug.getregistry()['physics.WorldMT']"), "true");
    EXPECT_EQ(engine.eval("getmetatable(world).__index == physics.World"), "true");
    EXPECT_EQ(engine.eval("getmetatable(f) == debug.getregistry()['physics.FixtureMT']"), "true");
    EXPECT_EQ(engine.eval("a == b"), "false");  // fresh boxes for the same body
    EXPECT_EQ(engine.eval("a:actorID() == b:actorID()"), "true");
}
