// Runs a game through the real engine host the way the player does:
// TN_NewState, TN_Init with the compiled engine script, TN_LoadGame,
// TN_Reset, the screen size, then TN_Update at a fixed 1/60 s per frame
// with an offscreen GL context current, so frames can be read back.
#ifndef TERN_TEST_DEMO_GAME_H
#define TERN_TEST_DEMO_GAME_H

#include <functional>
#include <string>

#include "OffscreenGL.h"
#include "host/TNEngine.h"

namespace tern_test {

// The demo bundle the build lays out, and its parts.
inline std::string demoBundle() { return std::string(TERN_BUILD_DIR) + "/Demo.app"; }
inline std::string demoEngine() { return demoBundle() + "/Contents/Resources/engine64.luo"; }
inline std::string demoProject() { return demoBundle() + "/Contents/Resources/Demo.gameproj"; }

class DemoGame {
public:
    // enginePath: a compiled engine script; projectPath: a project folder.
    DemoGame(OffscreenGL& gl, const std::string& savePath, const std::string& enginePath = demoEngine(),
             const std::string& projectPath = demoProject());
    ~DemoGame();
    DemoGame(const DemoGame&) = delete;
    DemoGame& operator=(const DemoGame&) = delete;

    TN_State* state() const { return S_; }
    int initStatus() const { return initStatus_; }

    void frames(int count);
    // Runs frames until the Lua condition holds or maxFrames have run;
    // true when it held.
    bool framesUntil(const std::string& condition, int maxFrames);
    void press(const char* key);  // keyDown, one frame, keyUp
    // A Lua expression's value as a string ("nil" for nil, "error: ..." when it raised).
    std::string eval(const std::string& expression);
    // Counts pixels in the rectangle (x, y, w, h) that the test accepts.
    int countPixels(int x, int y, int w, int h, const std::function<bool(const Pixel&)>& accept);

private:
    OffscreenGL& gl_;
    TN_State* S_;
    int initStatus_;
};

}  // namespace tern_test

#endif
