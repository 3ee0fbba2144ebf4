// The render-thread view on SDL's offscreen driver: play, pause and stop
// delivered to the render thread, the first frame's dt after a pause, input
// between frames in order, script errors logged, and clean ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "GameViewSupport.h"
#include "bridge/runtime/TNNumber.h"
#include "bridge/runtime/TNString.h"
#include "window/TNThreadedGameView.h"

using namespace tern_test;
using namespace std::chrono_literals;

namespace {

const char* kScript = R"(
    frames, log, dts, stopped = 0, {}, {}, false
    inFrame = false
    function initEngine() end
    function update(dt)
        inFrame = true
        frames = frames + 1
        dts[#dts + 1] = dt
        if slowFrames then busy(slowFrames) end
        inFrame = false
    end
    function render() end
    function note(what)
        local where = onRenderThread() and "render" or "other"
        if inFrame then where = where .. "+inframe" end
        log[#log + 1] = what .. "@" .. where .. "#" .. frames
    end
    function play() note("play"); dts = {} end
    function pause() note("pause") end
    function stop() stopped = true; note("stop") end
    function keyDown(k) note("keyDown:" .. k) end
    function keyUp(k) note("keyUp:" .. k) end
    function mouseDown(x, y) note("mouseDown:" .. x .. "," .. y) end
    function mouseMoved(x, y) note("mouseMoved") end
    devices = {}
    function devices:setScreenSize(w, h) end
    function logText() return table.concat(log, " ") end
)";

TNObjectList keyArgs(const char* name)
{
    return TNObjectList{TNString::create(name)};
}

class ThreadedGameViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!video_.ok())
            GTEST_SKIP() << "no SDL video: " << video_.error();
        window_ = std::make_unique<TestWindow>(320, 240);
        ASSERT_TRUE(window_->ok()) << SDL_GetError();
    }
    void TearDown() override { window_.reset(); }

    int frames(TestEngine& engine) { return std::atoi(engine.eval("frames").c_str()); }

    VideoSession video_{"offscreen"};
    std::unique_ptr<TestWindow> window_;
};

}  // namespace

TEST_F(ThreadedGameViewTest, PlayRunsFramesOnTheRenderThreadAndStopWaits)
{
    TestEngine engine(kScript);
    TNThreadedGameView view(&window_->backing(), window_->backing().bounds());
    ASSERT_TRUE(view.hasThread());
    const std::thread::id first = view.threadId();
    view.createThread();
    EXPECT_EQ(view.threadId(), first);
    TestEngine::setRenderThread(view.threadId());
    view.setLuaState(engine.state());

    view.playWaitUntilDone(true);
    EXPECT_TRUE(view.isDrawingOnSeparateThread());
    EXPECT_EQ(engine.eval("logText()"), "play@render#0");
    ASSERT_TRUE(waitUntil([&] { return frames(engine) >= 5; }, 3s));
    view.stopWaitUntilDone(true);
    // Returned only after the script's stop ran there.
    EXPECT_EQ(engine.eval("stopped"), "true");
    EXPECT_FALSE(view.isDrawingOnSeparateThread());
    const int atStop = frames(engine);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(frames(engine), atStop);
    view.destroyThread();
    view.setLuaState(nullptr);
}

TEST_F(ThreadedGameViewTest, FirstFrameAfterPauseHasATimerPeriodDt)
{
    TestEngine engine(kScript);
    TNThreadedGameView view(&window_->backing(), window_->backing().bounds());
    view.setLuaState(engine.state());
    view.playWaitUntilDone(true);
    ASSERT_TRUE(waitUntil([&] { return frames(engine) >= 3; }, 3s));
    view.pauseWaitUntilDone(true);
    std::this_thread::sleep_for(400ms);
    const int before = frames(engine);
    view.playWaitUntilDone(true);
    ASSERT_TRUE(waitUntil([&] { return frames(engine) >= before + 2; }, 3s));
    view.stopWaitUntilDone(true);
    const float dt = std::strtof(engine.eval("dts[1]").c_str(), nullptr);
    // About 1/60 s, far from the 0.4 s spent paused.
    EXPECT_GT(dt, 0.005f);
    EXPECT_LT(dt, 0.1f);
    view.setLuaState(nullptr);
}

TEST_F(ThreadedGameViewTest, EventsDuringALongFrameRunAfterItInOrder)
{
    TestEngine engine(kScript);
    TNThreadedGameView view(&window_->backing(), window_->backing().bounds());
    TestEngine::setRenderThread(view.threadId());
    view.setLuaState(engine.state());
    engine.run("slowFrames = 0.2");
    view.playWaitUntilDone(true);
    // Wait until a slow frame is under way, then send three events.
    ASSERT_TRUE(waitUntil([&] { return frames(engine) >= 1; }, 3s));
    view.postEvent("keyDown", keyArgs("a"));
    view.postEvent("keyUp", keyArgs("a"));
    view.postEvent("mouseDown", TNObjectList{TNNumber::withDouble(1.5), TNNumber::withDouble(2.0)});
    engine.run("slowFrames = nil");
    view.stopWaitUntilDone(true);
    const std::string log = engine.eval("logText()");
    EXPECT_TRUE(appearInOrder(log, {"keyDown:a@render#", "keyUp:a@render#", "mouseDown:1.5,2@render#"}));
    EXPECT_EQ(log.find("inframe"), std::string::npos) << log;
    view.setLuaState(nullptr);
}

TEST_F(ThreadedGameViewTest, ScriptErrorInAnEventIsLoggedAndFramesGoOn)
{
    TestEngine engine(kScript);
    TNThreadedGameView view(&window_->backing(), window_->backing().bounds());
    view.setLuaState(engine.state());
    engine.run("function keyDown(k) error('bad key ' .. k) end");
    view.playWaitUntilDone(true);
    testing::internal::CaptureStderr();
    view.postEvent("keyDown", keyArgs("x"));
    const int at = frames(engine);
    ASSERT_TRUE(waitUntil([&] { return frames(engine) >= at + 3; }, 3s));
    view.stopWaitUntilDone(true);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("LuaState runLoop: Lua Error caught (and ignored): "), std::string::npos) << err;
    EXPECT_NE(err.find("bad key x"), std::string::npos) << err;
    view.setLuaState(nullptr);
}

TEST_F(ThreadedGameViewTest, AfterDestroyThreadEventsAreCalledHere)
{
    TestEngine engine(kScript);
    TNThreadedGameView view(&window_->backing(), window_->backing().bounds());
    view.setLuaState(engine.state());
    TestEngine::setRenderThread(std::this_thread::get_id());
    view.destroyThread();
    EXPECT_FALSE(view.hasThread());
    view.postEvent("keyDown", keyArgs("q"));
    EXPECT_EQ(engine.eval("logText()"), "keyDown:q@render#0");
    view.setLuaState(nullptr);
}

TEST_F(ThreadedGameViewTest, RedrawsAreSuppressedWhileTheThreadDraws)
{
    TestEngine engine(kScript + std::string("function render() renders = (renders or 0) + 1 end"));
    TNThreadedGameView view(&window_->backing(), window_->backing().bounds());
    view.setLuaState(engine.state());
    view.setDrawingEnabled(true);
    view.playWaitUntilDone(true);
    view.drawRect();
    EXPECT_EQ(engine.eval("renders"), "nil");
    view.pauseWaitUntilDone(true);
    view.drawRect();
    EXPECT_EQ(engine.eval("renders"), "1");
    view.setLuaState(nullptr);
}

// Quitting while a slow frame runs and every entry point fails: the stop
// request returns, the thread is joined and the engine lock is free.
TEST_F(ThreadedGameViewTest, QuitDuringAFrameWithErrorsEverywhereEndsCleanly)
{
    TestEngine engine(R"(
        frames = 0
        function initEngine() end
        function update(dt) frames = frames + 1; busy(0.15); error("update fails") end
        function play() error("play fails") end
        function pause() error("pause fails") end
        function stop() error("stop fails") end
        function keyDown() error("keyDown fails") end
        devices = {}
        function devices:setScreenSize() error("size fails") end
    )");
    TNThreadedGameView view(&window_->backing(), window_->backing().bounds());
    view.setLuaState(engine.state());
    testing::internal::CaptureStderr();
    view.reshape();
    view.playWaitUntilDone(false);
    ASSERT_TRUE(waitUntil([&] { return frames(engine) >= 1; }, 3s));
    for (int i = 0; i < 20; ++i)
        view.postEvent("keyDown", keyArgs("k"));
    view.pauseWaitUntilDone(false);
    view.stopWaitUntilDone(true);
    view.destroyThread();
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(view.hasThread());
    EXPECT_FALSE(view.animating());
    ASSERT_TRUE(engine.state()->tryLockState());
    engine.state()->unlockState();
    view.setLuaState(nullptr);
}

// Frames and a burst of input at once (run under ThreadSanitizer by make
// test-tsan).
TEST_F(ThreadedGameViewTest, ThreadsInputBurstDuringFrames)
{
    TestEngine engine(kScript);
    TNThreadedGameView view(&window_->backing(), window_->backing().bounds());
    view.setLuaState(engine.state());
    view.setDrawingEnabled(true);
    view.playWaitUntilDone(true);
    for (int i = 0; i < 300; ++i) {
        SDL_Event e{};
        e.type = (i % 3 == 2) ? SDL_MOUSEMOTION : (i % 2 ? SDL_KEYUP : SDL_KEYDOWN);
        if (e.type == SDL_MOUSEMOTION) {
            e.motion.windowID = SDL_GetWindowID(window_->window());
            e.motion.x = i % 320;
            e.motion.y = i % 240;
        } else {
            e.key.windowID = SDL_GetWindowID(window_->window());
            e.key.keysym.sym = SDLK_a + (i % 26);
        }
        view.handleEvent(e);
        if (i % 50 == 0) {
            window_->backing().updateBounds();
            view.reshape();
            view.drawRect();
        }
    }
    view.stopWaitUntilDone(true);
    EXPECT_GT(std::atoi(engine.eval("#log").c_str()), 150);
    view.destroyThread();
    view.setLuaState(nullptr);
}
