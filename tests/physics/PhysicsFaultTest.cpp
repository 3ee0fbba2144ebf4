// A game script must not be able to crash the player through the physics
// module: stale boxes, changes from collision callbacks, bad numbers, bad
// polygons, collection order and Box2D assertions.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "PhysicsScript.h"
#include "lua/TNHandle.h"

using PhysicsFault = tern_test::PhysicsScript;

// A script that keeps a body or fixture after destroying it goes on: reads
// give 0 (nil for a body, -1 for an identifier), writes do nothing, and
// each function says so once on standard error.
TEST_F(PhysicsFault, DestroyedBodiesAndFixturesArePassedOver)
{
    testing::internal::CaptureStderr();
    run(R"lua(
        world = physics.World.new(0, -500, true)
        body, fixture = makeBody(world, {id = 1})
        other = fixture:body()
        world:destroyBody(body)
        -- A new body may take the freed memory: old boxes still find nothing.
        fresh = makeBody(world, {x = 50, y = 50, id = 2})
        b2, f2 = makeBody(world, {x = 100, id = 3})
        b2:destroyFixture(f2)
        b2:destroyFixture(nil, nil)  -- not userdata: nothing happens

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
        -- Every frame of a game that kept them: the same calls three times.
        for frame = 1, 3 do
            world:destroyBody(body)
            body:setLinearVelocity(1, 1)
            body:applyForce(1, 1, 0, 0)
            body:addCollisionCategory(3)
            b2:destroyFixture(f2)
            f2:addCollisionMaskCategory(3)
            world:step(1/60, 8, 3)
        end
        readsText = table.concat({other:position()}, " ") .. " " .. other:angle() .. " " .. other:mass() .. " " ..
                    other:actorID() .. " " .. fixture:fixtureID() .. " " .. tostring(fixture:body()) .. " " ..
                    tostring(f2:testPoint(100, 0))
        copied = physics.FixtureDefinition.new(f2)
    )lua");
    const std::string lines = testing::internal::GetCapturedStderr();
    expectValues({
        {"readsText .. ' ' .. type(copied) .. ' ' .. fresh:actorID() .. ' ' .. survivor:actorID()",
         "0 0 0 0 -1 -1 nil false userdata 2 8"},
        {"failure(world.createBody, world, b2)", "World.createBody: argument 2 must be a BodyDefinition (got userdata)"},
    });
    // One line per function: a binding that skipped the check, or borrowed
    // another's name, would change the count.
    EXPECT_EQ(lines.find("World.destroyBody: the body no longer exists; the call does nothing (said once per function)\n"),
              0u) << lines;
    EXPECT_NE(lines.find("Body.destroyFixture: the fixture"), std::string::npos) << lines;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 14) << lines;
}

// destroyBody detaches the actor first, so the ended callbacks it runs see
// actor -1; destroyFixture's see fixture identifier -1.
TEST_F(PhysicsFault, CallbacksRunByDestructionSeeDetachedUserData)
{
    run(R"lua(
        seen = {}
        function fixtureCollisionEnded(a, b)
            local x = a:body():actorID() .. "." .. a:fixtureID()
            local y = b:body():actorID() .. "." .. b:fixtureID()
            if x > y then x, y = y, x end
            seen[#seen + 1] = x .. "/" .. y
        end
        world = physics.World.new(0, 0, true)
        a = makeBody(world, {id = 1, fixtureID = 2})
        b = makeBody(world, {x = 5, id = 2, fixtureID = 2})
        c, fc = makeBody(world, {x = 300, id = 3, fixtureID = 2})
        d = makeBody(world, {x = 305, id = 4, fixtureID = 2})
        world:step(1/60, 8, 3)
        world:destroyBody(a)
        c:destroyFixture(fc)
        table.sort(seen)
        seen = table.concat(seen, ",")
    )lua");
    EXPECT_EQ(eval("seen"), "-1.2/2.2,3.-1/4.2");
}

// Changes from inside either callback are applied after the step (destroy,
// move) or passed over with one line each (create, step); the script goes on.
TEST_F(PhysicsFault, WorldChangesFromCallbacks)
{
    run(R"lua(
        world = physics.World.new(0, 0, true)
        a = makeBody(world, {id = 1, fixtureID = 2})
        b = makeBody(world, {x = 5, id = 2, fixtureID = 2})
        c = makeBody(world, {x = 200, id = 3, fixtureID = 2})
        d = makeBody(world, {x = 205, id = 4, fixtureID = 2})
        mover = makeBody(world, {type = 0, x = 1000, y = 1000, id = 5, fixtureID = 2})
        errors = {}
        function fixtureCollisionBegan(fa, fb)
            local first = fa:body()
            local id = first:actorID()
            if id ~= 1 and id ~= 2 then return end
            errors.create = tostring((world:createBody(physics.BodyDefinition.new())))
            errors.fixture = tostring((first:createFixture(physics.FixtureDefinition.new())))
            errors.step = failure(world.step, world, 1/60, 8, 3)
            world:destroyBody(a)
            world:destroyBody(a)  -- twice: applied once
            mover:setPositionAndAngle(0, 0, 0)
        end
        function fixtureCollisionEnded(fa, fb)
            if fa:body():actorID() == 4 or fb:body():actorID() == 4 then
                world:destroyBody(d)
                endedRan = true
            end
        end
        world:step(1/60, 8, 3)
        afterStep = failure(a.position, a) .. " " .. a:actorID()
        moved = select(1, mover:position())
        world:destroyBody(c)  -- ends the c/d contact: its callback destroys d
        dGone = d:actorID()
    )lua");
    expectValues({{"errors.create", "nil"}, {"errors.fixture", "nil"}, {"errors.step", "ok"},
                  {"afterStep", "ok -1"}, {"moved", "0"}, {"endedRan", "true"}, {"dGone", "-1"}});
}

// A world collected from a callback run by destroyFixture (where the world's
// userdata is not on the stack) is closed once the call returns.
TEST_F(PhysicsFault, WorldCollectedInsideCallback)
{
    run(R"lua(
        world = physics.World.new(0, 0, true)
        a, fa = makeBody(world, {id = 1, fixtureID = 2})
        makeBody(world, {x = 5, id = 2, fixtureID = 2})
        world:step(1/60, 8, 3)
        function fixtureCollisionEnded()
            world = nil
            collectgarbage()
            collectgarbage()
        end
        a:destroyFixture(fa)
    )lua");
    EXPECT_EQ(eval("failure(a.position, a) .. ' ' .. a:position()"), "ok 0");
}

// Numbers are read as lua_tonumber reads them: what is no finite number
// (NaN, infinity, a word, nothing) reads as 0, after one line per function;
// the world never sees NaN and the script goes on.
TEST_F(PhysicsFault, NumbersThatAreNotFiniteReadAsZero)
{
    testing::internal::CaptureStderr();
    run(R"lua(
        nan, inf = 0/0, math.huge
        world = physics.World.new(nan, 0, true)
        body = makeBody(world, {id = 1})
        def = physics.BodyDefinition.new()
        shape = physics.PolygonShape.new()
        for frame = 1, 3 do
            world:setGravity(0, inf)
            world:step(nan, 8, 3)
            world:step(1/60, inf, 3)
            def:setPosition(nan, 10)
            def:setAngle(-inf)
            body:setLinearVelocity(inf, 0)
            body:setAngularVelocity(nan)
            body:applyForce(1, 1, inf, 0)
            body:setLinearVelocity('fast', 0)
            shape:setAsBox(inf, 1)
            shape:addVertex(1, nan)
            circle = physics.CircleShape.new(inf)
            noRadius = physics.CircleShape.new()
            negative = physics.CircleShape.new(-5)
            defaults = physics.World.new()
        end
        body:setPositionAndAngle(0, nan, 0)
        world:step(1/60, 8, 3)
        vx, vy = body:linearVelocity()
        x, y = body:position()
    )lua");
    const std::string lines = testing::internal::GetCapturedStderr();
    expectValues({
        {"tostring(x == x and y == y and vx == vx and vy == vy and math.abs(x) < 1)", "true"},
        {"type(circle) .. type(noRadius) .. type(negative) .. type(defaults)", "userdatauserdatauserdatauserdata"},
    });
    for (const char* line : {"World.new: argument 1 is not a finite number (got NaN); read as 0 (said once per function)\n",
                             "Body.applyForce: argument 4 is not a finite number (got infinity)",
                             "CircleShape.new: a negative radius (-5) makes a circle of radius 0 (said once)"})
        EXPECT_NE(lines.find(line), std::string::npos) << line << " not in:\n" << lines;
    // Once per function (World.step's two arguments share one line, and so
    // do setLinearVelocity's infinity and word).
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 13) << lines;
}

// Box2D's failed assertions print "<file>:<line> assertion failed <cond>"
// and the call returns nothing; a ninth vertex is refused with a line.
TEST_F(PhysicsFault, BadPolygonsPrintALineAndReturnNothing)
{
    testing::internal::CaptureStdout();
    run(R"lua(
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
        world:step(1/60, 8, 3)
    )lua");
    const std::string out = testing::internal::GetCapturedStdout();
    for (const char* line : {"b2_polygon_shape.cpp:120 assertion failed 3 <= count && count <= b2_maxPolygonVertices\n",
                             "b2_polygon_shape.cpp:156 assertion failed false\n",
                             "PolygonShape.addVertex: a polygon holds at most 8 vertices; vertex ignored\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "is not in:\n" << out;
    expectValues({{"twoVertices .. degenerate", "nilnil"},
                  {"octagonFixture:testPoint(0, 19)", "true"},
                  {"failure(body.createFixture, body, physics.FixtureDefinition.new())", "ok"}});
}

// Collecting the world before its bodies' boxes leaves them invalid and
// gives their handles back; closing the interpreter with boxes of every
// kind alive frees everything.
TEST_F(PhysicsFault, WorldCollectedBeforeItsBoxes)
{
    const int handles = TNHandleTable::liveCount();
    run(R"lua(
        world = physics.World.new(0, -500, true)
        body, fixture = makeBody(world, {id = 1})
        world = nil
        collectgarbage()
        collectgarbage()
    )lua");
    EXPECT_EQ(TNHandleTable::liveCount(), handles);
    run(R"lua(
        world2 = physics.World.new(0, -500, true)
        keep = {makeBody(world2, {id = 1})}
        keepDef = physics.FixtureDefinition.new(keep[2])
        keepShape = physics.CircleShape.new(3)
        keepDef:setShape(keepShape)

        -- __gc reached through getmetatable: wrong kinds are ignored,
        -- repeated calls are harmless, collected objects are passed over.
        world3 = physics.World.new(0, 0, true)
        b3 = makeBody(world3, {id = 1})
        getmetatable(world3).__gc(b3)
        getmetatable(world3).__gc(keepShape)
        getmetatable(keepShape).__gc(world3)
        bodyStillAlive = b3:actorID()
        s, fd, bd = physics.PolygonShape.new(), physics.FixtureDefinition.new(), physics.BodyDefinition.new()
        for _, o in ipairs({world3, b3, s, fd, bd}) do
            getmetatable(o).__gc(o)
            getmetatable(o).__gc(o)
        end
    )lua");
    expectValues({
        {"bodyStillAlive .. failure(world3.step, world3, 1/60, 1, 1)", "1ok"},
        {"failure(b3.position, b3) .. b3:actorID()", "ok-1"},
        {"failure(s.setAsBox, s, 1, 1) .. failure(s.addVertex, s, 1, 1)", "okok"},
        {"failure(fd.setDensity, fd, 1) .. failure(fd.setShape, fd, keepShape) .. failure(bd.setPosition, bd, 1, 1)",
         "okokok"},
        {"tostring((world2:createBody(bd))) .. tostring((keep[1]:createFixture(fd))) .. tostring(fixture:body())",
         "nilnilnil"},
    });
}

// Finite numbers too large for Box2D overflow to infinity inside the step;
// the world must neither crash nor hang, and the script goes on.
TEST_F(PhysicsFault, HugeFiniteNumbersKeepTheScriptRunning)
{
    testing::internal::CaptureStdout();
    run(R"lua(
        world = physics.World.new(0, -3e38, true)
        ground = makeBody(world, {type = 0, y = -20, id = 1, fixtureID = 2})
        tiny = makeBody(world, {w = 0, h = 0, fixtureID = 2})
        big = makeBody(world, {y = 40, id = 2, fixtureID = 2})
        for i = 1, 5 do
            tiny:applyForce(3e38, 3e38, 0, 0)
            big:setLinearVelocity(3e38, -3e38)
            world:step(1/60, 8, 3)
        end
        x, y = tiny:position()
        after = makeBody(world, {x = 500, y = 500, id = 3})
        done = true
    )lua");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(eval("done and x == x and y == y"), "true") << out;  // and not NaN
}
