// Input latency and frame pacing of the render-thread game view on a
// private X server: the time from a key event injected through XTest to the
// script's keyDown running, and the frame interval over 600 frames at the
// default interval.
#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <mutex>
#include <random>
#include <vector>

#include "GameViewSupport.h"
#include "XServer.h"
#include "log/TNLog.h"
#include "window/TNThreadedGameView.h"

// Last: Xlib's macros would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace tern_test;
using namespace std::chrono_literals;

namespace {

const char* kScript = R"(
    recording = false
    function initEngine() end
    function update(dt)
        clearTo(0.2, 0.2, 0.2)
        if recording then stampFrame() end
    end
    function render() end
    function play() end
    function stop() end
    function keyDown(k) stampKey() end
    function keyUp(k) end
    function mouseDown(x, y) end
    function mouseUp(x, y) end
    function mouseMoved(x, y) end
    devices = {}
    function devices:setScreenSize(w, h) end
)";

using Clock = std::chrono::steady_clock;

// Times stamped by the script, read by the main thread.
std::mutex stampsMutex;
std::vector<Clock::time_point> keyStamps;
std::vector<Clock::time_point> frameStamps;

int stampKey(lua_State*)
{
    std::lock_guard<std::mutex> lock(stampsMutex);
    keyStamps.push_back(Clock::now());
    return 0;
}

int stampFrame(lua_State*)
{
    std::lock_guard<std::mutex> lock(stampsMutex);
    frameStamps.push_back(Clock::now());
    return 0;
}

size_t stampCount(const std::vector<Clock::time_point>& stamps)
{
    std::lock_guard<std::mutex> lock(stampsMutex);
    return stamps.size();
}

double milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void pump(TNThreadedGameView& view)
{
    SDL_Event e;
    while (SDL_PollEvent(&e))
        view.handleEvent(e);
    view.displayIfNeeded();
}

void summarise(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / ms.size();
    std::printf("%-26s n=%zu  mean %.2f ms  median %.2f ms  p95 %.2f ms  worst %.2f ms\n", what, ms.size(), mean,
                ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back());
}

}  // namespace

int main()
{
    XServer x(true);
    if (!x.ok()) {
        TNLogStdout("player_input_bench: skipped, %s", x.error().c_str());
        return 0;
    }
    VideoSession video("x11");
    if (!video.ok()) {
        TNLogStdout("player_input_bench: %s", video.error().c_str());
        return 1;
    }
    TestWindow window(640, 480, true);
    TestEngine engine(kScript);
    engine.state()->lockState();
    lua_register(engine.state()->state(), "stampKey", stampKey);
    lua_register(engine.state()->state(), "stampFrame", stampFrame);
    engine.state()->unlockState();
    TNThreadedGameView view(&window.backing(), window.backing().bounds());
    view.setLuaState(engine.state());
    view.setDrawingEnabled(true);
    view.reshape();
    view.playWaitUntilDone(true);

    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    SDL_GetWindowWMInfo(window.window(), &info);
    x.xdotool("windowactivate --sync " + std::to_string(info.info.x11.window));
    waitUntil([&] { pump(view); return false; }, 300ms);

    Display* display = XOpenDisplay(nullptr);
    const KeyCode keyA = XKeysymToKeycode(display, XK_a);
    std::mt19937 random(7);
    std::vector<double> latencies;
    for (int i = 1; i <= 100; ++i) {
        const Clock::time_point sent = Clock::now();
        XTestFakeKeyEvent(display, keyA, True, 0);
        XFlush(display);
        if (!waitUntil([&] { pump(view); return stampCount(keyStamps) >= static_cast<size_t>(i); }, 2s)) {
            TNLogStdout("player_input_bench: key %d never arrived", i);
            return 1;
        }
        {
            std::lock_guard<std::mutex> lock(stampsMutex);
            latencies.push_back(milliseconds(keyStamps[i - 1] - sent));
        }
        XTestFakeKeyEvent(display, keyA, False, 0);
        XFlush(display);
        // A random phase against the frame timer.
        waitUntil([&] { pump(view); return false; }, std::chrono::milliseconds(20 + random() % 30));
    }
    XCloseDisplay(display);

    engine.run("recording = true");
    waitUntil([&] { pump(view); return stampCount(frameStamps) >= 601; }, 30s);
    engine.run("recording = false");
    std::vector<double> intervals;
    {
        std::lock_guard<std::mutex> lock(stampsMutex);
        for (size_t i = 1; i < 601 && i < frameStamps.size(); ++i)
            intervals.push_back(milliseconds(frameStamps[i] - frameStamps[i - 1]));
    }
    view.stopWaitUntilDone(true);
    view.destroyThread();
    view.setLuaState(nullptr);

    summarise("key event to keyDown", latencies);
    summarise("frame interval (1/60 s)", intervals);
    return 0;
}
