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
        ASSERT_TRUE(window_.ok()) << SDL_GetError();
    }
    // A render-thread view playing script.
    TNThreadedGameView& start(const std::string& script = kLoggingScript)
    {
        game_ = std::make_unique<PlayingView>(window_, script);
        return game_->view();
    }
    TestEngine& engine() { return game_->engine(); }
    int frames() { return game_->frames(); }
    bool waitForFrames(int n) { return waitUntil([&] { return frames() >= n; }, std::chrono::seconds(3)); }

    VideoSession video_{"offscreen"};
    TestWindow window_{320, 240};
    std::unique_ptr<PlayingView> game_;
};

}  // namespace

// The first frame after a pause has a dt of about 1/60 s, far from the
// 0.4 s spent paused. Redraws from the main thread are left out while the
// render thread draws.
TEST_F(ThreadedGameViewTest, PlayRunsFramesOnTheRenderThreadPauseKeepsDtShortAndStopWaits)
{
    TNThreadedGameView& view = start(kLoggingScript + std::string("function render() renders = (renders or 0) + 1 end"));
    ASSERT_TRUE(view.hasThread());
    const std::thread::id first = view.threadId();
    view.createThread();
    EXPECT_EQ(view.threadId(), first);
    view.setDrawingEnabled(true);
    view.playWaitUntilDone(true);
    EXPECT_EQ(engine().eval("logText()"), "play#0");
    ASSERT_TRUE(waitForFrames(5));
    view.drawRect();
    EXPECT_EQ(engine().eval("renders"), "nil");
    view.pauseWaitUntilDone(true);
    view.drawRect();
    EXPECT_EQ(engine().eval("renders"), "1");
    std::this_thread::sleep_for(400ms);
    const int beforePlay = frames();
    view.playWaitUntilDone(true);
    ASSERT_TRUE(waitForFrames(beforePlay + 2));
    view.stopWaitUntilDone(true);
    const float dt = std::strtof(engine().eval("dts[1]").c_str(), nullptr);
    EXPECT_GT(dt, 0.005f);
    EXPECT_LT(dt, 0.1f);
    // Returned only after the script's stop ran there.
    EXPECT_EQ(engine().eval("stopped"), "true");
    EXPECT_FALSE(view.isDrawingOnSeparateThread());
    const int atStop = frames();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(frames(), atStop);
    view.destroyThread();
}

TEST_F(ThreadedGameViewTest, EventsDuringALongFrameRunAfterItInOrder)
{
    TNThreadedGameView& view = start();
    engine().run("slowFrames = 0.2");
    view.playWaitUntilDone(true);
    // Three events while a slow frame is under way.
    ASSERT_TRUE(waitForFrames(1));
    view.postEvent("keyDown", keyArgs("a"));
    view.postEvent("keyUp", keyArgs("a"));
    view.postEvent("mouseDown", TNObjectList{TNNumber::withDouble(1.5), TNNumber::withDouble(2.0)});
    engine().run("slowFrames = nil");
    view.stopWaitUntilDone(true);
    // On the render thread, between frames: no "@other" or "@inframe".
    EXPECT_EQ(engine().eval("logText()"), "play#0 keyDown:a keyUp:a mouseDown:1.5,2 stop");
}

// Every entry point fails and each frame is slow: the errors are logged and
// frames go on; quitting during a frame, the stop request returns, the
// thread is joined and the engine lock is free.
TEST_F(ThreadedGameViewTest, QuitDuringAFrameWithErrorsEverywhereEndsCleanly)
{
    TNThreadedGameView& view = start(R"(
        frames = 0
        function initEngine() end
        function update(dt) frames = frames + 1; busy(0.15); error("update fails") end
        for _, name in ipairs({"play", "pause", "stop", "keyDown"}) do _G[name] = function() error(name .. " fails") end end
        devices = {}
        function devices:setScreenSize() error("size fails") end
    )");
    testing::internal::CaptureStderr();
    view.reshape();
    view.playWaitUntilDone(false);
    ASSERT_TRUE(waitForFrames(1));
    for (int i = 0; i < 20; ++i)
        view.postEvent("keyDown", keyArgs("k"));
    // The errors are logged, and frames go on.
    ASSERT_TRUE(waitForFrames(frames() + 2));
    view.pauseWaitUntilDone(false);
    view.stopWaitUntilDone(true);
    view.destroyThread();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("LuaState runLoop: Lua Error caught (and ignored): "), std::string::npos) << err;
    EXPECT_NE(err.find("keyDown fails"), std::string::npos) << err;
    EXPECT_FALSE(view.hasThread());
    EXPECT_FALSE(view.animating());
    ASSERT_TRUE(engine().state()->tryLockState());
    engine().state()->unlockState();
}

// Each call into the script finds this view's OpenGL context and the
// engine's OpenAL context current, whichever thread makes it: frames and
// play, pause, stop and input on the render thread, the screen size and a
// redraw on the main thread, input after the thread is gone. Each call
// drops the OpenAL context on its way out, so the next must make it
// current itself.
TEST_F(ThreadedGameViewTest, EveryScriptCallRunsWithTheGLAndALContextsCurrent)
{
    TNThreadedGameView& view = start(R"(
        seen, frames = {}, 0
        function initEngine() sharedSoundManager = soundManager.new() end
        function shutdownEngine() sharedSoundManager:delete() end
        local function note(name)
            local found = contexts(true)
            if seen[name] == nil or found ~= "gl+al" then seen[name] = found end
        end
        for _, name in ipairs({"play", "pause", "stop", "render", "keyDown", "keyUp",
                               "mouseDown", "mouseUp", "mouseMoved"}) do
            _G[name] = function() note(name) end
        end
        function update() frames = frames + 1; note("update") end
        devices = {}
        function devices:setScreenSize() note("setScreenSize") end
        function report()
            local names = {}
            for name, found in pairs(seen) do names[#names + 1] = name .. "=" .. found end
            table.sort(names)
            return table.concat(names, " ")
        end
    )");
    ASSERT_EQ(engine().eval("sharedSoundManager ~= nil"), "true") << "no OpenAL output for the test";
    view.setDrawingEnabled(true);
    view.reshape();
    view.playWaitUntilDone(true);
    ASSERT_TRUE(waitForFrames(2));
    for (const char* name : {"keyDown", "keyUp"})
        view.postEvent(name, keyArgs("k"));
    for (const char* name : {"mouseDown", "mouseUp", "mouseMoved"})
        view.postEvent(name, TNObjectList{TNNumber::withDouble(1), TNNumber::withDouble(2)});
    view.pauseWaitUntilDone(true);
    view.drawRect();
    view.stopWaitUntilDone(true);
    const std::string all = "keyDown=gl+al keyUp=gl+al mouseDown=gl+al mouseMoved=gl+al mouseUp=gl+al pause=gl+al "
                            "play=gl+al render=gl+al setScreenSize=gl+al stop=gl+al update=gl+al";
    EXPECT_EQ(engine().eval("report()"), all);

    view.destroyThread();
    engine().run("seen = {}");
    view.postEvent("keyDown", keyArgs("q"));
    EXPECT_EQ(engine().eval("report()"), "keyDown=gl+al");
}
