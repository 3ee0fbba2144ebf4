// A real window on a private X server: escape leaves full screen, and F11
// or Alt+Return toggles it without the script seeing them (under openbox).
// What each key is called is the input translator's, tested on its own;
// keys, clicks and the pointer reach a game through X in the demo's window
// test, and posted input reaches the script in order, on the render thread
// and between frames in the render-thread view's test.
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
        game_ = std::make_unique<PlayingView>(*window_);
        view_ = &game_->view();
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

    void pumpFor(std::chrono::milliseconds duration)
    {
        waitUntil([this] { game_->pump(); return false; }, duration);
    }
    bool pumpUntil(const std::function<bool()>& done) { return game_->pumpUntil(done); }
    int count(const std::string& what) { return std::atoi(game_->engine().eval("count('" + what + "')").c_str()); }

    XServer* x_ = nullptr;
    std::unique_ptr<VideoSession> video_;
    std::unique_ptr<TestWindow> window_;
    std::unique_ptr<PlayingView> game_;
    TNThreadedGameView* view_ = nullptr;
    std::string windowId_;
};

}  // namespace

// In and out of full screen by each shortcut, letterboxed both ways (a
// game twice as wide as high on a 4:3 screen), and back in with F11 after
// Esc left it. The script sees Alt and Esc, never F11, Return or Enter,
// and a click where the letterboxed view has it.
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
    for (const auto& [key, full] : {std::pair{"F11", true}, {"alt+Return", false}, {"alt+KP_Enter", true},
                                    {"Escape", false}, {"F11", true}, {"F11", false}}) {
        ASSERT_TRUE(x_->xdotool(std::string("key ") + key));
        ASSERT_TRUE(becomes(full)) << key << (full ? " did not enter full screen" : " did not leave full screen");
    }
    ASSERT_TRUE(x_->xdotool("key a"));
    ASSERT_TRUE(pumpUntil([&] { return count("keyUp:a") == 1; })) << game_->log();
    // A click at (100, 100) of the window is at (100, 300) of the letterboxed view, y up.
    ASSERT_TRUE(x_->xdotool("mousemove --window " + windowId_ + " 100 100 click 1"));
    ASSERT_TRUE(pumpUntil([&] { return count("mouseUp:100,300") == 1; })) << game_->log();
    // The pointer, under the window as it changes size, adds mouseMoved calls.
    std::string keys;
    std::istringstream log(game_->log());
    for (std::string call; log >> call;)
        if (call.rfind("key", 0) == 0)
            keys += call + " ";
    EXPECT_EQ(keys, "keyDown:alt keyUp:alt keyDown:alt keyUp:alt keyDown:esc keyUp:esc keyDown:a keyUp:a ");
}
