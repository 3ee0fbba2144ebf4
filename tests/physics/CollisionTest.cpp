// Collision categories, the contact filter and contact reporting, observed
// by a Lua script that records the callbacks.
#include <gtest/gtest.h>

#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "box2d/box2d.h"
#include "physics/wrap_Physics.h"
#include "physics/tnActorUserData.h"
#include "physics/tnContactListener.h"
#include "physics/tnFixtureUserData.h"
#include "physics/tnPhysicsWorld.h"

using tern_test::ScriptedEngine;

namespace {

// Each body gets a sensor fixture (identifier 2, no mask) placed far off to
// one side, so the sensors never touch anything and only the fixtures under
// test produce contacts. events records "began:<id>/<id>" lines.
const char* const kEngine = R"lua(
function initEngine() end
events = {}
local function describe(f)
    return f:body():actorID() .. "." .. f:fixtureID()
end
function fixtureCollisionBegan(a, b)
    events[#events + 1] = "began " .. describe(a) .. " " .. describe(b)
end
function fixtureCollisionEnded(a, b)
    events[#events + 1] = "ended " .. describe(a) .. " " .. describe(b)
end
function eventList() return table.concat(events, ",") end
-- The events with each pair written in ascending order, sorted.
function unorderedEvents()
    local list = {}
    for i, e in ipairs(events) do
        local kind, x, y = e:match("(%a+) (%S+) (%S+)")
        if x > y then x, y = y, x end
        list[i] = kind .. " " .. x .. " " .. y
    end
    table.sort(list)
    return table.concat(list, ",")
end

local nextSensor = 0
function addSensor(body)
    nextSensor = nextSensor + 1
    local shape = physics.PolygonShape.new()
    local x = nextSensor * 1000
    shape:addVertex(x, 0)
    shape:addVertex(x + 10, 0)
    shape:addVertex(x + 10, 10)
    local def = physics.FixtureDefinition.new()
    def:setShape(shape)
    def:setIsSensor(true)
    def:setFixtureID(2)
    return body:createFixture(def)
end

-- A dynamic body at (x, y) with actor id, categories, and one box fixture
-- of identifier fixtureID and the given masks; withSensor adds a sensor.
function makeActor(world, id, x, y, categories, fixtureID, masks, withSensor)
    local def = physics.BodyDefinition.new()
    def:setType(2)
    def:setPosition(x, y)
    def:setActorID(id)
    for _, c in ipairs(categories) do def:addCollisionCategory(c) end
    local body = world:createBody(def)
    local shape = physics.PolygonShape.new()
    shape:setAsBox(10, 10)
    local fdef = physics.FixtureDefinition.new()
    fdef:setShape(shape)
    fdef:setDensity(1)
    fdef:setFixtureID(fixtureID)
    for _, m in ipairs(masks) do fdef:addCollisionMaskCategory(m) end
    local fixture = body:createFixture(fdef)
    if withSensor ~= false then addSensor(body) end
    return body, fixture
end
)lua";

}  // namespace

// Overlapping pairs in a world without gravity; one step reports which
// pairs the filter let collide.
TEST(Collision, FilterTruthTable)
{
    ScriptedEngine engine(kEngine);
    engine.run(R"lua(
        world = physics.World.new(0, 0, true)
        -- Same identifiers, A's mask names B's category.
        makeActor(world, 10, 0, 0, {}, 1, {3})
        makeActor(world, 11, 0, 0, {3}, 1, {})
        -- Identifiers 1 and 3: never, whatever the categories.
        makeActor(world, 20, 200, 0, {3}, 1, {3})
        makeActor(world, 21, 200, 0, {3}, 3, {3})
        -- B's mask suffices.
        makeActor(world, 30, 400, 0, {5}, 4, {})
        makeActor(world, 31, 400, 0, {}, 4, {5})
        -- Neither mask names the other's categories.
        makeActor(world, 40, 600, 0, {6}, 1, {7})
        makeActor(world, 41, 600, 0, {8}, 1, {9})
        -- A mask naming 9 twice, one removed: still matches.
        local _, f = makeActor(world, 50, 800, 0, {}, 1, {9, 9})
        f:removeCollisionMaskCategory(9)
        makeActor(world, 51, 800, 0, {9}, 1, {})
        -- A body without categories is matched by nobody, but its own mask works.
        makeActor(world, 60, 1000, 0, {}, 1, {12})
        makeActor(world, 61, 1000, 0, {12}, 1, {})
        -- Category removed from the body: no longer matched.
        local b = makeActor(world, 70, 1200, 0, {13, 14}, 1, {})
        b:removeCollisionCategory(13)
        b:addCollisionCategory(15)
        makeActor(world, 71, 1200, 0, {}, 1, {13})
        world:step(1/60, 8, 3)
    )lua");
    EXPECT_EQ(engine.eval("unorderedEvents()"), "began 10.1 11.1,began 30.4 31.4,began 50.1 51.1,began 60.1 61.1");
}

// Two boxes fall onto a ground that rises and goes away again: one began
// and one ended per pair, the ended naming the fixtures in began order.
TEST(Collision, BeganAndEndedOncePerPair)
{
    ScriptedEngine engine(kEngine);
    engine.run(R"lua(
        -- Without sleeping: resting bodies must notice the ground leaving.
        world = physics.World.new(0, -500, false)
        makeActor(world, 1, 100, 60, {1}, 1, {2})
        makeActor(world, 2, 300, 60, {1}, 1, {2})
        local def = physics.BodyDefinition.new()
        def:setActorID(9)
        def:addCollisionCategory(2)
        ground = world:createBody(def)
        local shape = physics.PolygonShape.new()
        shape:setAsBox(400, 10)
        local fdef = physics.FixtureDefinition.new()
        fdef:setShape(shape)
        fdef:setFixtureID(1)
        ground:createFixture(fdef)
        addSensor(ground)
        for i = 1, 60 do world:step(1/60, 8, 3) end
        landed = eventList()
        ground:setPositionAndAngle(0, -5000, 0)
        for i = 1, 2 do world:step(1/60, 8, 3) end
    )lua");
    const std::string landed = engine.eval("landed");
    EXPECT_EQ(landed.find("began 1.1 9.1") != std::string::npos || landed.find("began 9.1 1.1") != std::string::npos,
              true)
        << landed;
    EXPECT_EQ(engine.eval("#events"), "4") << engine.eval("eventList()");
    // Each ended event repeats its began event's order.
    EXPECT_EQ(engine.eval(R"lua((function()
        local open = {}
        for _, e in ipairs(events) do
            local kind, pair = e:match("(%a+) (.*)")
            if kind == "began" then open[pair] = true
            elseif not open[pair] then return "unmatched " .. e
            else open[pair] = nil end
        end
        return next(open) == nil
    end)())lua"),
              "true")
        << engine.eval("eventList()");
}

// Reported only when each side is, or belongs to a body with, a fixture of
// identifier 2; the pair keeps the contact's order.
TEST(Collision, SensorRule)
{
    ScriptedEngine engine(kEngine);
    engine.run(R"lua(
        world = physics.World.new(0, 0, true)
        -- B has no identifier-2 fixture: filtered in, never reported.
        makeActor(world, 1, 0, 0, {1}, 1, {1}, true)
        makeActor(world, 2, 0, 0, {1}, 1, {1}, false)
        -- Sensor fixtures themselves touching (identifier 2 on both sides).
        makeActor(world, 3, 300, 0, {1}, 2, {1}, false)
        makeActor(world, 4, 300, 0, {1}, 2, {1}, false)
        world:step(1/60, 8, 3)
    )lua");
    EXPECT_EQ(engine.eval("unorderedEvents()"), "began 3.2 4.2");
}

// Two contacts of one pair, in either order, give one began and, after both
// ended, one ended event naming the fixtures in began order.
TEST(Collision, CountsContactsPerPair)
{
    ScriptedEngine engine(kEngine);
    engine.run(R"lua(
        world = physics.World.new(0, 0, true)
        a, fa = makeActor(world, 1, 0, 0, {1}, 1, {1})
        b, fb = makeActor(world, 2, 500, 0, {1}, 1, {1})
    )lua");

    // Box2D makes one contact per fixture pair; the listener is fed two
    // contacts of the same fixtures directly.
    struct PairContact : b2Contact {
        PairContact(b2Fixture* a, b2Fixture* b) : b2Contact(a, 0, b, 0) {}
        void Evaluate(b2Manifold*, const b2Transform&, const b2Transform&) override {}
    };
    lua_State* L = engine.L();
    lua_getglobal(L, "world");
    tnPhysicsWorld* world = physicsWorldAt(L, -1);
    lua_pop(L, 1);
    ASSERT_NE(world, nullptr);
    b2Body* bodyA = world->world()->GetBodyList()->GetNext();
    b2Body* bodyB = world->world()->GetBodyList();
    ASSERT_EQ(tnActorUserData::of(bodyA)->actorID(), 1);
    b2Fixture* fixtureA = bodyA->GetFixtureList()->GetNext();
    b2Fixture* fixtureB = bodyB->GetFixtureList()->GetNext();
    ASSERT_EQ(tnFixtureUserData::of(fixtureA)->fixtureID(), 1);

    PairContact first(fixtureA, fixtureB);
    PairContact second(fixtureB, fixtureA);
    tnContactListener* listener = world->listener();
    listener->setLuaState(L);
    const int top = lua_gettop(L);
    listener->BeginContact(&first);
    listener->BeginContact(&second);
    EXPECT_EQ(engine.eval("eventList()"), "began 1.1 2.1");
    listener->EndContact(&first);
    EXPECT_EQ(engine.eval("#events"), "1");
    listener->EndContact(&second);
    EXPECT_EQ(engine.eval("eventList()"), "began 1.1 2.1,ended 1.1 2.1");
    listener->EndContact(&second);  // unknown pair: nothing
    EXPECT_EQ(engine.eval("#events"), "2");
    EXPECT_EQ(lua_gettop(L), top);
}

TEST(Collision, FailingOrMissingCallbacksLeaveStepAndStackAlone)
{
    ScriptedEngine engine(kEngine);
    engine.run(R"lua(
        world = physics.World.new(0, -500, false)
        a = makeActor(world, 1, 100, 100, {1}, 1, {1})
        local def = physics.BodyDefinition.new()
        def:addCollisionCategory(1)
        ground = world:createBody(def)
        local shape = physics.PolygonShape.new()
        shape:setAsBox(400, 10)
        local fdef = physics.FixtureDefinition.new()
        fdef:setShape(shape)
        fdef:setFixtureID(1)
        ground:createFixture(fdef)
        addSensor(ground)
        fixtureCollisionBegan = function() error("boom") end
        fixtureCollisionEnded = nil
        for i = 1, 90 do world:step(1/60, 8, 3) end
        landedY = select(2, a:position())
        ground:setPositionAndAngle(0, -5000, 0)
        world:step(1/60, 8, 3)
        world:step(1/60, 8, 3)
    )lua");
    EXPECT_EQ(lua_gettop(engine.L()), 0);
    // It landed on the ground (top at 10 px) despite the failing callback,
    // then fell once the ground moved away.
    EXPECT_NEAR(std::stof(engine.eval("landedY")), 20.5f, 1.0f);
    EXPECT_LT(std::stof(engine.eval("select(2, a:position())")), std::stof(engine.eval("landedY")));
}
