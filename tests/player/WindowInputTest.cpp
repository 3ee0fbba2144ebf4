// A real window on a private X server: keys and mouse injected with xdotool
// reach the script in order, on the render thread, between frames; a held
// key sends one keyDown; escape leaves full screen, and F11 or Alt+Return
// toggles it without the script seeing them (under openbox).
#include <gtest/gtest.h>

#include <SDL_syswm.h>

#include <memory>
#include <sstream>
#include <string>

#include "GameViewSupport.h"
#include "XServer.h"
#include "window/TNThreadedGameView.h"

using namespace tern_test;
using namespace std::chrono_literals;

namespace {

const char* kScript = R"(
    frames, log, inFrame = 0, {}, false
    function initEngine() end
    function update(dt) inFrame = true; frames = frames + 1; clearTo(0, 0.5, 0); inFrame = false end
    function render() end
    function play() end
    function stop() end
    devices = {}
    function devices:setScreenSize(w, h) end
    function note(what)
        local where = onRenderThread() and "render" or "other"
        if inFrame then where = where .. "+inframe" end
        log[#log + 1] = what .. "@" .. where
    end
    function keyDown(k) note("keyDown:" .. k) end
    function keyUp(k) note("keyUp:" .. k) end
    function mouseDown(x, y) note("mouseDown:" .. x .. "," .. y) end
    function mouseUp(x, y) note("mouseUp:" .. x .. "," .. y) end
    function mouseMoved(x, y) note("mouseMoved:" .. x .. "," .. y) end
    function logText() return table.concat(log, " ") end
    function count(what)
        local n = 0
        for _, line in ipairs(log) do if line == what then n = n + 1 end end
        return n
    end
)";

class WindowInputTest : public ::testing::Test {
protected:
    // One X server for the rest of the process, started by the first test
    // that needs it: Xlib keeps input-method state from the first display, a
    // second server on the same display number after SDL's video restarts
    // ends the process in XCreateIC, and SDL's video, which outlives the
    // test, ends it too when its server goes away. The server stops when
    // the process ends.
    static XServer& server()
    {
        static XServer* const shared = new XServer(true);
        return *shared;
    }

    void SetUp() override
    {
        x_ = &server();
        if (!x_->ok())
            GTEST_SKIP() << "no X server for this test: " << x_->error();
        // No session bus: SDL would otherwise try to start one for the
        // private display.
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
        video_ = std::make_unique<VideoSession>("x11");
        ASSERT_TRUE(video_->ok()) << video_->error();
        window_ = std::make_unique<TestWindow>(640, 480, true);
        ASSERT_TRUE(window_->ok()) << SDL_GetError();
        engine_ = std::make_unique<TestEngine>(kScript);
        view_ = std::make_unique<TNThreadedGameView>(&window_->backing(), window_->backing().bounds());
        TestEngine::setRenderThread(view_->threadId());
        view_->setLuaState(engine_->state());
        view_->setDrawingEnabled(true);
        view_->reshape();
        view_->playWaitUntilDone(true);

        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        ASSERT_TRUE(SDL_GetWindowWMInfo(window_->window(), &info));
        windowId_ = std::to_string(info.info.x11.window);
        ASSERT_TRUE(x_->xdotool("windowactivate --sync " + windowId_));
        pumpFor(300ms);
    }

    void TearDown() override
    {
        if (view_) {
            view_->stopWaitUntilDone(true);
            view_->destroyThread();
            view_->setLuaState(nullptr);
        }
    }

    void pump()
    {
        SDL_Event e;
        while (SDL_PollEvent(&e))
            view_->handleEvent(e);
        view_->displayIfNeeded();
    }
    void pumpFor(std::chrono::milliseconds duration)
    {
        waitUntil([this] { pump(); return false; }, duration);
    }
    bool pumpUntil(const std::function<bool()>& done) { return waitUntil([&] { pump(); return done(); }, 5s); }
    int count(const std::string& what) { return std::atoi(engine_->eval("count('" + what + "')").c_str()); }

    XServer* x_ = nullptr;
    std::unique_ptr<VideoSession> video_;
    std::unique_ptr<TestWindow> window_;
    std::unique_ptr<TestEngine> engine_;
    std::unique_ptr<TNThreadedGameView> view_;
    std::string windowId_;
};

}  // namespace

TEST_F(WindowInputTest, KeysAndMouseReachTheScriptInOrderOnTheRenderThread)
{
    ASSERT_TRUE(x_->xdotool("mousemove --window " + windowId_ + " 100 100"));
    ASSERT_TRUE(x_->xdotool("key a"));
    ASSERT_TRUE(x_->xdotool("mousedown 1"));
    ASSERT_TRUE(x_->xdotool("mousemove_relative 10 20"));
    ASSERT_TRUE(x_->xdotool("mouseup 1"));
    ASSERT_TRUE(pumpUntil([&] { return count("mouseUp:110,360@render") == 1; })) << engine_->eval("logText()");
    const std::string log = engine_->eval("logText()");
    EXPECT_TRUE(appearInOrder(
        log, {"keyDown:a@render", "keyUp:a@render", "mouseDown:100,380@render", "mouseMoved:110,360@render"}));
    EXPECT_EQ(log.find("@other"), std::string::npos) << log;
    EXPECT_EQ(log.find("inframe"), std::string::npos) << log;
}

static int countRepeats(void* counter, SDL_Event* event)
{
    if (event->type == SDL_KEYDOWN && event->key.repeat)
        ++*static_cast<int*>(counter);
    return 0;
}

TEST_F(WindowInputTest, HoldingAKeySendsOneKeyDown)
{
    int repeats = 0;
    SDL_AddEventWatch(countRepeats, &repeats);
    ASSERT_TRUE(x_->xdotool("keydown Right"));
    // Long enough for the server's auto-repeat to start.
    pumpFor(1200ms);
    ASSERT_TRUE(x_->xdotool("keyup Right"));
    ASSERT_TRUE(pumpUntil([&] { return count("keyUp:right@render") == 1; })) << engine_->eval("logText()");
    SDL_DelEventWatch(countRepeats, &repeats);
    EXPECT_EQ(count("keyDown:right@render"), 1) << engine_->eval("logText()");
    // The window system did repeat the key: the repeats were ignored.
    EXPECT_GT(repeats, 0);
}

TEST_F(WindowInputTest, ShiftAloneAndModifierOrder)
{
    ASSERT_TRUE(x_->xdotool("key shift"));
    ASSERT_TRUE(x_->xdotool("keydown shift"));
    ASSERT_TRUE(x_->xdotool("key b"));
    ASSERT_TRUE(x_->xdotool("keyup shift"));
    ASSERT_TRUE(pumpUntil([&] { return count("keyUp:left shift@render") == 2; })) << engine_->eval("logText()");
    const std::string log = engine_->eval("logText()");
    EXPECT_NE(log.find("keyDown:left shift@render keyUp:left shift@render keyDown:left shift@render "
                       "keyDown:B@render keyUp:B@render keyUp:left shift@render"),
              std::string::npos)
        << log;
}

TEST_F(WindowInputTest, EscapeLeavesFullScreenAndReachesTheScript)
{
    view_->setFullScreen(true);
    ASSERT_TRUE(pumpUntil([&] { return window_->backing().bounds().width == 1024; }))
        << "window did not become full screen";
    EXPECT_TRUE(window_->backing().isInFullScreenMode());
    EXPECT_DOUBLE_EQ(view_->frame().width, 1024.0);
    ASSERT_TRUE(x_->xdotool("key Escape"));
    ASSERT_TRUE(pumpUntil([&] { return count("keyDown:esc@render") == 1; })) << engine_->eval("logText()");
    EXPECT_FALSE(view_->fullScreen());
    EXPECT_FALSE(window_->backing().isInFullScreenMode());
    ASSERT_TRUE(pumpUntil([&] { return window_->backing().bounds().width == 640; }));
    EXPECT_DOUBLE_EQ(view_->frame().width, 640.0);
}

// In and out of full screen with each shortcut, letterboxed both ways (a
// game twice as wide as high on a 4:3 screen), and back in with F11 after
// Esc left it. The script sees Alt and Esc, never F11, Return or Enter.
TEST_F(WindowInputTest, F11AndAltReturnToggleFullScreenWithoutTheScriptSeeingThem)
{
    view_->setOriginalAspectRatio(2.0f);
    view_->reshape();
    auto becomes = [&](bool full) {
        const TNRect expected = full ? TNRect{0, 128, 1024, 512} : TNRect{0, 80, 640, 320};
        return pumpUntil([&] {
            const TNRect f = view_->frame();
            return view_->fullScreen() == full && window_->backing().isInFullScreenMode() == full &&
                   f.x == expected.x && f.y == expected.y && f.width == expected.width && f.height == expected.height;
        });
    };
    for (const char* shortcut : {"F11", "alt+Return", "alt+KP_Enter"}) {
        ASSERT_TRUE(x_->xdotool(std::string("key ") + shortcut));
        ASSERT_TRUE(becomes(true)) << shortcut << " did not enter full screen";
        ASSERT_TRUE(x_->xdotool(std::string("key ") + shortcut));
        ASSERT_TRUE(becomes(false)) << shortcut << " did not leave full screen";
    }
    ASSERT_TRUE(x_->xdotool("key F11"));
    ASSERT_TRUE(becomes(true));
    ASSERT_TRUE(x_->xdotool("key Escape"));
    ASSERT_TRUE(becomes(false)) << "Esc did not leave full screen";
    ASSERT_TRUE(x_->xdotool("key F11"));
    ASSERT_TRUE(becomes(true)) << "F11 did not enter full screen again after Esc";
    ASSERT_TRUE(x_->xdotool("key F11"));
    ASSERT_TRUE(becomes(false));

    ASSERT_TRUE(x_->xdotool("key a"));
    ASSERT_TRUE(pumpUntil([&] { return count("keyUp:a@render") == 1; })) << engine_->eval("logText()");
    // The pointer, under the window as it changes size, adds mouseMoved calls.
    std::string keys;
    std::istringstream log(engine_->eval("logText()"));
    for (std::string call; log >> call;)
        if (call.rfind("key", 0) == 0)
            keys += call + " ";
    std::string expected;
    for (int i = 0; i < 4; ++i)
        expected += "keyDown:alt@render keyUp:alt@render ";
    expected += "keyDown:esc@render keyUp:esc@render keyDown:a@render keyUp:a@render ";
    EXPECT_EQ(keys, expected);
}
