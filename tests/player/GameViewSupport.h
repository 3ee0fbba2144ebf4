// Helpers of the game view tests: an SDL window with its backing view, an
// engine running a test script, and the native functions that script uses
// to draw and to tell which thread it runs on.
#ifndef TERN_GAME_VIEW_SUPPORT_H
#define TERN_GAME_VIEW_SUPPORT_H

#include <SDL.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "host/TNLuaState.h"
#include "window/TNGameBackingView.h"
#include "window/TNThreadedGameView.h"

namespace tern_test {

// An SDL window (hidden unless shown) with an OpenGL surface and the
// backing view over it. SDL video must be initialised.
class TestWindow {
public:
    TestWindow(int width, int height, bool shown = false);
    ~TestWindow();
    bool ok() const { return window_ != nullptr; }
    SDL_Window* window() const { return window_; }
    TNGameBackingView& backing() { return *backing_; }

private:
    SDL_Window* window_ = nullptr;
    std::unique_ptr<TNGameBackingView> backing_;
};

// A TNLuaState running the given engine script. The script also finds
//   clearTo(r, g, b)     glClearColor and glClear of the colour buffer
//   onRenderThread()     true on the render thread of the latest PlayingView
//   busy(seconds)        spins for that long
//   contexts(release)    "gl+al", "gl", "al" or "none": the OpenGL and
//                        OpenAL contexts current here; release drops the
//                        OpenAL one afterwards
class TestEngine {
public:
    explicit TestEngine(const std::string& script);
    ~TestEngine();
    TNLuaState* state() const { return state_.get(); }
    // Value of a Lua expression as a string (through the engine lock).
    std::string eval(const std::string& expression) { return state_->evaluateExpression(expression); }
    void run(const std::string& chunk) { state_->doString(chunk); }

private:
    TempDir dir_;
    TNRef<TNLuaState> state_;
};

// An engine script for the render-thread views: frames counts update's
// calls, dts holds their dt since the last play, and slowFrames, when set,
// makes each take that long. play, pause, stop and the input functions add
// their call to log ("play#frames", "keyDown:k", "mouseDown:x,y"), marked
// "@other" off the render thread and "@inframe" inside update. logText()
// is the log, count(call) how often the call is in it.
extern const char* const kLoggingScript;

// A render-thread view over the window playing script; the game is
// stopped, the thread ended and the engine let go when it goes.
class PlayingView {
public:
    PlayingView(TestWindow& window, const std::string& script = kLoggingScript);
    ~PlayingView();
    TNThreadedGameView& view() { return *view_; }
    TestEngine& engine() { return engine_; }
    std::string log() { return engine_.eval("logText()"); }
    int frames() { return std::atoi(engine_.eval("frames").c_str()); }
    // SDL's events to the view, then a redraw if one is due.
    void pump();
    // Pumps until done holds, for at most 5 seconds.
    bool pumpUntil(const std::function<bool()>& done);

private:
    TestEngine engine_;
    std::unique_ptr<TNThreadedGameView> view_;
};

// SDL video with the given driver (on the current DISPLAY for x11), kept
// for the rest of the process. SDL_VIDEODRIVER names the driver only while
// video starts: programs the tests run later choose their own.
class VideoSession {
public:
    explicit VideoSession(const char* driver);
    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }

private:
    bool ok_ = false;
    std::string error_;
};

}  // namespace tern_test

#endif
