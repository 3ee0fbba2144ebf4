// A game script must not be able to crash the player through the physics
// module: stale boxes, changes from collision callbacks, bad numbers, bad
// polygons, collection order and Box2D assertions.
#include <gtest/gtest.h>

#include <string>

#include "ScriptedEngine.h"
#include "TestSupport.h"

using tern_test::ScriptedEngine;

namespace {

const char* const kEngine = R"lua(
function initEngine() end
function makeBody(world, type, x, y, id)
    local def = physics.BodyDefinition.new()
    def:setType(type)
    def:setPosition(x, y)
    def:setActorID(id)
    def:addCollisionCategory(1)
    local body = world:createBody(def)
    local shape = physics.PolygonShape.new()
    shape:setAsBox(10, 10)
    local fdef = physics.FixtureDefinition.new()
    fdef:setShape(shape)
    fdef:setDensity(1)
    fdef:setFixtureID(2)
    fdef:addCollisionMaskCategory(1)
    return body, body:createFixture(fdef)
end
-- The error message of f(...), or "ok".
function failure(f, ...)
    local ok, message = pcall(f, ...)
    return ok and "ok" or tostring(message)
end
)lua";

}  // namespace

TEST(PhysicsFault, DestroyedBodiesAndFixturesRaiseErrors)
{
    ScriptedEngine engine(kEngine);
    engine.run(R"lua(
        world = physics.World.new(0, -500, true)
        body, fixture = makeBody(world, 2, 0, 0, 1)
        other = fixture:body()
        world:destroyBody(body)
        -- A new body may take the freed memory: old boxes still find nothing.
        fresh = makeBody(world, 2, 50, 50, 2)
        viaOther = failure(other.position, other)
        viaBody = failure(body.setLinearVelocity, body, 1, 1)
        viaFixture = failure(fixture.fixtureID, fixture)
        again = failure(world.destroyBody, world, other)

        b2, f2 = makeBody(world, 2, 100, 0, 3)
        b2:destroyFixture(f2)
        fixtureGone = failure(f2.testPoint, f2, 0, 0)
        fixtureAgain = failure(b2.destroyFixture, b2, f2)
        copyGone = failure(physics.FixtureDefinition.new, f2)
        b2:destroyFixture(nil, nil)  -- not userdata: nothing happens
        wrongKind = failure(world.createBody, world, b2)

        -- One definition used for two bodies: destroying one keeps the
        -- other's user data.
        local shared = physics.BodyDefinition.new()
        shared:setActorID(8)
        local twin = world:createBody(shared)
        survivor = world:createBody(shared)
        world:destroyBody(twin)
        shared = nil
        collectgarbage()
        survivor:addCollisionCategory(4)
        world:step(1/60, 8, 3)
    )lua");
    EXPECT_EQ(engine.eval("survivor:actorID()"), "8");
    EXPECT_EQ(engine.eval("viaOther"), "Body.position: the body has been destroyed");
    EXPECT_EQ(engine.eval("viaBody"), "Body.setLinearVelocity: the body has been destroyed");
    EXPECT_EQ(engine.eval("viaFixture"), "Fixture.fixtureID: the fixture has been destroyed");
    EXPECT_EQ(engine.eval("again"), "World.destroyBody: the body has been destroyed");
    EXPECT_EQ(engine.eval("fixtureGone"), "Fixture.testPoint: the fixture has been destroyed");
    EXPECT_EQ(engine.eval("fixtureAgain"), "Body.destroyFixture: the fixture has been destroyed");
    EXPECT_EQ(engine.eval("copyGone"), "FixtureDefinition.new: the fixture has been destroyed");
    EXPECT_EQ(engine.eval("wrongKind"),
              "World.createBody: argument 2 must be a BodyDefinition (got userdata)");
    EXPECT_EQ(engine.eval("fresh:actorID()"), "2");
}

// destroyBody detaches the actor first, so the ended callbacks it runs see
// actor -1; destroyFixture's see fixture identifier -1.
TEST(PhysicsFault, CallbacksRunByDestructionSeeDetachedUserData)
{
    ScriptedEngine engine(kEngine);
    engine.run(R"lua(
        seen = {}
        function fixtureCollisionEnded(a, b)
            seen[#seen + 1] = a:body():actorID() .. "." .. a:fixtureID() .. "/" ..
                              b:body():actorID() .. "." .. b:fixtureID()
        end
        world = physics.World.new(0, 0, true)
        a = makeBody(world, 2, 0, 0, 1)
        b = makeBody(world, 2, 5, 0, 2)
        c, fc = makeBody(world, 2, 300, 0, 3)
        d = makeBody(world, 2, 305, 0, 4)
        world:step(1/60, 8, 3)
        world:destroyBody(a)
        c:destroyFixture(fc)
        table.sort(seen)
        seen = table.concat(seen, ",")
    )lua");
    const std::string seen = engine.eval("seen");
    EXPECT_TRUE(seen == "-1.2/2.2,3.-1/4.2" || seen == "-1.2/2.2,4.2/3.-1" || seen == "2.2/-1.2,3.-1/4.2" ||
                seen == "2.2/-1.2,4.2/3.-1")
        << seen;
}

// Changes from inside either callback are applied after the step (destroy,
// move) or refused with a clear error (create, step); the script goes on.
TEST(PhysicsFault, WorldChangesFromCallbacks)
{
    ScriptedEngine engine(kEngine);
    engine.run(R"lua(
        world = physics.World.new(0, 0, true)
        a = makeBody(world, 2, 0, 0, 1)
        b = makeBody(world, 2, 5, 0, 2)
        c = makeBody(world, 2, 200, 0, 3)
        d = makeBody(world, 2, 205, 0, 4)
        mover = makeBody(world, 0, 1000, 1000, 5)
        errors = {}
        function fixtureCollisionBegan(fa, fb)
            local first = fa:body()
            local id = first:actorID()
            if id ~= 1 and id ~= 2 then return end
            errors.create = failure(world.createBody, world, physics.BodyDefinition.new())
            errors.fixture = failure(first.createFixture, first, physics.FixtureDefinition.new())
            errors.step = failure(world.step, world, 1/60, 8, 3)
            world:destroyBody(a)
            world:destroyBody(a)  -- twice: applied once
            mover:setPositionAndAngle(0, 0, 0)
            stillThere = select(1, a:position())  -- alive until the step returns
        end
        function fixtureCollisionEnded(fa, fb)
            if fa:body():actorID() == 4 or fb:body():actorID() == 4 then
                world:destroyBody(d)
                endedRan = true
            end
        end
        world:step(1/60, 8, 3)
        afterStep = failure(a.position, a)
        moved = select(1, mover:position())
        world:destroyBody(c)  -- ends the c/d contact: its callback destroys d
        dGone = failure(d.position, d)
    )lua");
    EXPECT_EQ(engine.eval("errors.create"),
              "World.createBody: the world cannot change during a collision callback (do it after World.step returns)");
    EXPECT_EQ(engine.eval("errors.fixture"),
              "Body.createFixture: the world cannot change during a collision callback (do it after World.step returns)");
    EXPECT_EQ(engine.eval("errors.step"),
              "World.step: the world is already stepping (called from a collision callback)");
    EXPECT_EQ(engine.eval("stillThere"), "0");
    EXPECT_EQ(engine.eval("afterStep"), "Body.position: the body has been destroyed");
    EXPECT_EQ(engine.eval("moved"), "0");
    EXPECT_EQ(engine.eval("endedRan"), "true");
    EXPECT_EQ(engine.eval("dGone"), "Body.position: the body has been destroyed");
}

// A world collected from a callback run by destroyFixture (where the world's
// userdata is not on the stack) is closed once the call returns.
TEST(PhysicsFault, WorldCollectedInsideCallback)
{
    ScriptedEngine engine(kEngine);
    engine.run(R"lua(
        world = physics.World.new(0, 0, true)
        a, fa = makeBody(world, 2, 0, 0, 1)
        makeBody(world, 2, 5, 0, 2)
        world:step(1/60, 8, 3)
        function fixtureCollisionEnded()
            world = nil
            collectgarbage()
            collectgarbage()
        end
        a:destroyFixture(fa)
        collected = failure(a.position, a)
    )lua");
    EXPECT_EQ(engine.eval("collected"), "Body.position: its world has been collected");
}

TEST(PhysicsFault, NonFiniteNumbersAreRefused)
{
    ScriptedEngine engine(kEngine);
    engine.run(R"lua(
        world = physics.World.new(0, -500, true)
        body = makeBody(world, 2, 0, 0, 1)
        local nan, inf = 0/0, math.huge
        local def = physics.BodyDefinition.new()
        local shape = physics.PolygonShape.new()
        results = {
            failure(physics.World.new, nan, 0, true),
            failure(world.setGravity, world, 0, inf),
            failure(world.step, world, nan, 8, 3),
            failure(def.setPosition, def, nan, 0),
            failure(def.setAngle, def, -inf),
            failure(body.setLinearVelocity, body, inf, 0),
            failure(body.setAngularVelocity, body, nan),
            failure(body.setPositionAndAngle, body, 0, nan, 0),
            failure(body.applyForce, body, 1, 1, inf, 0),
            failure(shape.setAsBox, shape, inf, 1),
            failure(shape.addVertex, shape, 1, nan),
            failure(physics.CircleShape.new, inf),
            failure(body.setLinearVelocity, body, "fast", 0),
        }
        results = table.concat(results, "\n")
        world:step(1/60, 8, 3)
        x, y = body:position()
    )lua");
    const std::string results = engine.eval("results");
    EXPECT_EQ(results,
              "World.new: argument 1 must be a finite number (got number)\n"
              "World.setGravity: argument 3 must be a finite number (got number)\n"
              "World.step: argument 2 must be a finite number (got number)\n"
              "BodyDefinition.setPosition: argument 2 must be a finite number (got number)\n"
              "BodyDefinition.setAngle: argument 2 must be a finite number (got number)\n"
              "Body.setLinearVelocity: argument 2 must be a finite number (got number)\n"
              "Body.setAngularVelocity: argument 2 must be a finite number (got number)\n"
              "Body.setPositionAndAngle: argument 3 must be a finite number (got number)\n"
              "Body.applyForce: argument 4 must be a finite number (got number)\n"
              "PolygonShape.setAsBox: argument 2 must be a finite number (got number)\n"
              "PolygonShape.addVertex: argument 3 must be a finite number (got number)\n"
              "CircleShape.new: argument 1 must be a finite number (got number)\n"
              "Body.setLinearVelocity: argument 2 must be a number (got string)");
    EXPECT_EQ(engine.eval("x"), "0");
}

// Box2D's failed assertions print "<file>:<line> assertion failed <cond>"
// and the call returns nothing; a ninth vertex is refused with a line.
TEST(PhysicsFault, BadPolygonsPrintALineAndReturnNothing)
{
    ScriptedEngine engine(kEngine);
    testing::internal::CaptureStdout();
    engine.run(R"lua(
        world = physics.World.new(0, -500, true)
        body = world:createBody(physics.BodyDefinition.new())
        local function fixtureFrom(shape, density)
            local def = physics.FixtureDefinition.new()
            def:setShape(shape)
            def:setDensity(density)
            return body:createFixture(def)
        end
        local line = physics.PolygonShape.new()
        line:addVertex(0, 0)
        line:addVertex(10, 0)
        twoVertices = tostring((fixtureFrom(line, 1)))
        local same = physics.PolygonShape.new()
        for i = 1, 3 do same:addVertex(5, 5) end
        degenerate = tostring((fixtureFrom(same, 0)))
        local octagon = physics.PolygonShape.new()
        for i = 0, 8 do
            local a = i * math.pi / 4
            octagon:addVertex(20 * math.cos(a), 20 * math.sin(a))
        end
        octagonFixture = fixtureFrom(octagon, 1)
        noShape = failure(body.createFixture, body, physics.FixtureDefinition.new())
        world:step(1/60, 8, 3)
    )lua");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(engine.eval("twoVertices"), "nil");
    EXPECT_EQ(engine.eval("degenerate"), "nil");
    EXPECT_NE(out.find("b2_polygon_shape.cpp:120 assertion failed 3 <= count && count <= b2_maxPolygonVertices\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("b2_polygon_shape.cpp:156 assertion failed false\n"), std::string::npos) << out;
    EXPECT_NE(out.find("PolygonShape.addVertex: a polygon holds at most 8 vertices; vertex ignored\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(engine.eval("octagonFixture:testPoint(0, 19)"), "true");
    EXPECT_EQ(engine.eval("noShape"),
              "Body.createFixture: the fixture definition has no shape (call setShape first)");
}

// Collecting the world before its bodies' boxes leaves them invalid; closing
// the interpreter with boxes of every kind alive frees everything.
TEST(PhysicsFault, WorldCollectedBeforeItsBoxes)
{
    ScriptedEngine engine(kEngine);
    engine.run(R"lua(
        world = physics.World.new(0, -500, true)
        body, fixture = makeBody(world, 2, 0, 0, 1)
        world = nil
        collectgarbage()
        collectgarbage()
        bodyAfter = failure(body.position, body)
        fixtureAfter = failure(fixture.body, fixture)
        world2 = physics.World.new(0, -500, true)
        keep = {makeBody(world2, 2, 0, 0, 1)}
        keepDef = physics.FixtureDefinition.new(keep[2])
        keepShape = physics.CircleShape.new(3)
        keepDef:setShape(keepShape)

        -- __gc reached through getmetatable: wrong kinds are ignored,
        -- repeated calls are harmless, collected objects raise errors.
        local world3 = physics.World.new(0, 0, true)
        local b3 = makeBody(world3, 2, 0, 0, 1)
        getmetatable(world3).__gc(b3)
        getmetatable(world3).__gc(keepShape)
        getmetatable(keepShape).__gc(world3)
        bodyStillAlive = b3:actorID()
        getmetatable(world3).__gc(world3)
        getmetatable(world3).__gc(world3)
        getmetatable(b3).__gc(b3)
        getmetatable(b3).__gc(b3)
        manualWorld = failure(world3.step, world3, 1/60, 1, 1)
        manualBody = failure(b3.position, b3)
        local s = physics.PolygonShape.new()
        getmetatable(s).__gc(s)
        getmetatable(s).__gc(s)
        manualShape = failure(s.setAsBox, s, 1, 1)
    )lua");
    EXPECT_EQ(engine.eval("bodyStillAlive"), "1");
    EXPECT_EQ(engine.eval("manualWorld"), "World.step: the world has been collected");
    EXPECT_EQ(engine.eval("manualBody"), "Body.position: its world has been collected");
    EXPECT_EQ(engine.eval("manualShape"), "PolygonShape.setAsBox: the shape has been collected");
    EXPECT_EQ(engine.eval("bodyAfter"), "Body.position: its world has been collected");
    EXPECT_EQ(engine.eval("fixtureAfter"), "Fixture.body: its world has been collected");
    engine.destroy();
}

// Finite numbers too large for Box2D overflow to infinity inside the step;
// the world must neither crash nor hang, and the script goes on.
TEST(PhysicsFault, HugeFiniteNumbersKeepTheScriptRunning)
{
    ScriptedEngine engine(kEngine);
    testing::internal::CaptureStdout();
    engine.run(R"lua(
        world = physics.World.new(0, -3e38, true)
        ground = makeBody(world, 0, 0, -20, 1)
        local def = physics.BodyDefinition.new()
        def:setType(2)
        def:addCollisionCategory(1)
        tiny = world:createBody(def)
        local shape = physics.PolygonShape.new()
        shape:setAsBox(0, 0)
        local fdef = physics.FixtureDefinition.new()
        fdef:setShape(shape)
        fdef:setDensity(1)
        fdef:setFixtureID(2)
        fdef:addCollisionMaskCategory(1)
        tiny:createFixture(fdef)
        big = makeBody(world, 2, 0, 40, 2)
        for i = 1, 5 do
            tiny:applyForce(3e38, 3e38, 0, 0)
            big:setLinearVelocity(3e38, -3e38)
            world:step(1/60, 8, 3)
        end
        x, y = tiny:position()
        after = makeBody(world, 2, 500, 500, 3)
        done = true
    )lua");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(engine.eval("done"), "true") << out;
    EXPECT_EQ(engine.eval("x == x and y == y"), "true");  // not NaN
}
