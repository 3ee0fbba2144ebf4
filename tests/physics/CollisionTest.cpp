// Collision categories, the contact filter and contact reporting, observed
// by a script that records the callbacks.
#include <gtest/gtest.h>

#include "PhysicsScript.h"
#include "box2d/box2d.h"
#include "physics/tnContactListener.h"
#include "physics/wrap_PhysicsInternal.h"

namespace {

// events records "began <actor>.<fixture> <actor>.<fixture>" lines.
const char* const kRecorder = R"lua(
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
-- A body with a sensor; the other arguments go to makeBody.
function actor(world, id, x, categories, fixtureID, masks, sensor)
    return makeBody(world, {id = id, x = x, categories = categories, fixtureID = fixtureID, masks = masks,
                            sensor = sensor ~= false})
end
)lua";

class Collision : public tern_test::PhysicsScript {
protected:
    Collision() { run(kRecorder); }
};

}  // namespace

// Overlapping pairs in a world without gravity; one step reports which
// pairs the filter let collide and the sensor rule let through.
TEST_F(Collision, WhichOverlappingPairsAreReported)
{
    run(R"lua(
        world = physics.World.new(0, 0, true)
        -- Same identifiers, A's mask names B's category (A itself has none).
        actor(world, 10, 0, {}, 1, {3});    actor(world, 11, 0, {3}, 1, {})
        -- Identifiers 1 and 3: never, whatever the categories.
        actor(world, 20, 200, {3}, 1, {3}); actor(world, 21, 200, {3}, 3, {3})
        -- B's mask suffices.
        actor(world, 30, 400, {5}, 4, {});  actor(world, 31, 400, {}, 4, {5})
        -- Neither mask names the other's categories.
        actor(world, 40, 600, {6}, 1, {7}); actor(world, 41, 600, {8}, 1, {9})
        -- A mask naming 9 twice, one removed: still matches.
        local _, f = actor(world, 50, 800, {}, 1, {9, 9})
        f:removeCollisionMaskCategory(9);   actor(world, 51, 800, {9}, 1, {})
        -- Category removed from the body: no longer matched.
        local b = actor(world, 70, 1200, {13, 14}, 1, {})
        b:removeCollisionCategory(13);      b:addCollisionCategory(15)
        actor(world, 71, 1200, {}, 1, {13})
        -- Collides, but B has no identifier-2 fixture: never reported.
        actor(world, 80, 1400, {1}, 1, {1}); actor(world, 81, 1400, {1}, 1, {1}, false)
        -- Identifier-2 fixtures themselves touching.
        actor(world, 90, 1600, {1}, 2, {1}, false); actor(world, 91, 1600, {1}, 2, {1}, false)
        world:step(1/60, 8, 3)
    )lua");
    EXPECT_EQ(eval("unorderedEvents()"),
              "began 10.1 11.1,began 30.4 31.4,began 50.1 51.1,began 90.2 91.2");
}

// Two contacts of one pair, in either order, give one began and, after both
// ended, one ended event naming the fixtures in began order.
TEST_F(Collision, CountsContactsPerPair)
{
    run(R"lua(
        world = physics.World.new(0, 0, true)
        _, fixtureA = actor(world, 1, 0, {1}, 1, {1})
        _, fixtureB = actor(world, 2, 500, {1}, 1, {1})
    )lua");

    // Box2D makes one contact per fixture pair; the listener is fed two
    // contacts of the same fixtures directly.
    struct PairContact : b2Contact {
        PairContact(b2Fixture* a, b2Fixture* b) : b2Contact(a, 0, b, 0) {}
        void Evaluate(b2Manifold*, const b2Transform&, const b2Transform&) override {}
    };
    tnPhysicsWorld* world = nullptr;
    lua_getglobal(L(), "fixtureA");
    lua_getglobal(L(), "fixtureB");
    b2Fixture* fixtureA = tn_physics::liveFixture(L(), -2, "test", &world);
    b2Fixture* fixtureB = tn_physics::liveFixture(L(), -1, "test");
    lua_pop(L(), 2);

    PairContact first(fixtureA, fixtureB);
    PairContact second(fixtureB, fixtureA);
    tnContactListener* listener = world->listener();
    listener->setLuaState(L());
    const int top = lua_gettop(L());
    listener->BeginContact(&first);
    listener->BeginContact(&second);
    EXPECT_EQ(eval("eventList()"), "began 1.1 2.1");
    listener->EndContact(&first);
    EXPECT_EQ(eval("#events"), "1");
    listener->EndContact(&second);
    EXPECT_EQ(eval("eventList()"), "began 1.1 2.1,ended 1.1 2.1");
    listener->EndContact(&second);  // unknown pair: nothing
    EXPECT_EQ(eval("#events"), "2");
    EXPECT_EQ(lua_gettop(L()), top);
}

TEST_F(Collision, FailingOrMissingCallbacksLeaveStepAndStackAlone)
{
    testing::internal::CaptureStderr();
    run(R"lua(
        world = physics.World.new(0, -500, false)
        a = actor(world, 1, 100, {1}, 1, {2})
        ground = makeBody(world, {type = 0, id = 9, categories = {2}, w = 400, masks = {}, sensor = true})
        fixtureCollisionBegan = function() error("boom") end
        fixtureCollisionEnded = nil
        for i = 1, 90 do world:step(1/60, 8, 3) end
        landedY = select(2, a:position())
        ground:setPositionAndAngle(0, -5000, 0)
        world:step(1/60, 8, 3)
        world:step(1/60, 8, 3)
    )lua");
    // The failing callback's error is printed each time it runs (once, on
    // landing); the missing one is passed over without a word.
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Lua Error: [string \"...\"]:5: boom\n");
    // It landed on the ground (top at 10 px) despite the failing callback,
    // then fell once the ground moved away.
    EXPECT_NEAR(number("landedY"), 20.5f, 1.0f);
    EXPECT_LT(number("select(2, a:position())"), number("landedY"));
}
