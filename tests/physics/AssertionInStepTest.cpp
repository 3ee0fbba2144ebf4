// A Box2D assertion failing in the middle of a step: the destructors that
// run while it unwinds fail assertions of their own, which must print and
// not end the process; the world is stopped for good afterwards.
#include <gtest/gtest.h>

#include <string>

#include "PhysicsScript.h"
#include "box2d/b2_body.h"
#include "box2d/b2_world.h"
#include "box2d/b2_world_callbacks.h"
#include "lua/TNHandle.h"
#include "physics/tnPhysicsWorld.h"
#include "physics/wrap_PhysicsInternal.h"

namespace {

// Once a contact has been solved (Box2D then holds the island's and its own
// stack allocations), creates a body in the locked world, which Box2D
// asserts against. (The script defines no collision callbacks, so the
// listener it replaces is not needed.)
class CreatesBodyWhenSolved : public b2ContactListener {
public:
    explicit CreatesBodyWhenSolved(b2World* world) : world_(world) {}

    void PostSolve(b2Contact*, const b2ContactImpulse*) override
    {
        b2BodyDef def;
        world_->CreateBody(&def);
    }

private:
    b2World* world_;
};

}  // namespace

using PhysicsAssertionInScript = tern_test::PhysicsScript;

// World.step ends at the assertion with its line (the stack allocator's
// assertions failing while it unwinds print and do not end the process);
// the world is then closed:
// every later call on it, its bodies or fixtures does nothing, with one line
// per function; the interpreter closes cleanly.
TEST_F(PhysicsAssertionInScript, WorldIsStoppedAfterAFailedStep)
{
    const int handles = TNHandleTable::liveCount();
    run(R"lua(
        world = physics.World.new(0, -500, true)
        ground = makeBody(world, {type = 0, w = 500, h = 10})
        box, boxFixture = makeBody(world, {y = 19})
    )lua");
    lua_getfield(L(), LUA_GLOBALSINDEX, "world");
    auto* box = tn_checkblock<tn_physics::WorldBox>(L(), -1, tn_physics::kWorld, "test");
    lua_pop(L(), 1);
    CreatesBodyWhenSolved listener(box->world->world());
    box->world->world()->SetContactListener(&listener);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    run(R"lua(
        for i = 1, 10 do world:step(1/60, 8, 3) end
        afterStep = world:step(1/60, 8, 3)
        created = world:createBody(physics.BodyDefinition.new())
        x, y = box:position()
        fixtureBody = boxFixture:body()
        world:destroyBody(box)
    )lua");
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    // The allocator's assertions during the unwinding reach the physics module's logger too.
    for (const char* line :
         {"assertion failed IsLocked() == false", "b2_stack_allocator.cpp:36 assertion failed m_index == 0"})
        EXPECT_NE(out.find(line), std::string::npos) << out;
    const std::string gone = " no longer exists; the call does nothing (said once per function)\n";
    const std::string stopped = ": the world (stopped by a failed assertion in a step)" + gone;
    EXPECT_EQ(err, "World.step" + stopped + "World.createBody" + stopped + "Body.position: the body" + gone +
                       "Fixture.body: the fixture" + gone + "World.destroyBody" + stopped);
    EXPECT_EQ(eval("tostring(afterStep) .. tostring(created) .. x .. ',' .. y .. tostring(fixtureBody)"), "nilnil0,0nil");
    EXPECT_EQ(box->world->world(), nullptr);
    lua_gc(L(), LUA_GCCOLLECT, 0);
    run("world, ground, box, boxFixture = nil; collectgarbage()");
    EXPECT_EQ(TNHandleTable::liveCount(), handles);
}
