// The application delegate: turns a game bundle into a running game. It
// sizes and titles the window, shows the intro while it finds the game and
// checks its assets, creates the engine and the game view, loads the game,
// fades the intro out, resizes the window to the game's size and plays. It
// ends the application when the window closes or the script asks for it.
#ifndef TERN_PLAYER_APP_DELEGATE_H
#define TERN_PLAYER_APP_DELEGATE_H

#include <SDL.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "window/TNApplication.h"
#include "bundle/TNBundle.h"
#include "launch/TNInputScript.h"
#include "launch/TNPlayerOptions.h"
#include "bridge/runtime/TNObject.h"

class TNGameBackingView;
class TNIntroViewController;
class TNLuaState;
class TNThreadedGameView;

class Tern_PlayerAppDelegate {
public:
    Tern_PlayerAppDelegate(TNApplication& application, TNBundle bundle, const TNPlayerOptions& options);
    ~Tern_PlayerAppDelegate();

    // The launch sequence up to the asset check (main thread, SDL video up).
    void applicationDidFinishLaunching();
    void setIntroFinished(bool finished);
    void loadAndCreateGameView();
    void makeNewLuaState();
    void freeOldLuaState();
    void createGameView();
    void loadGameBundle();
    void setGameReady(bool ready);
    void actuallyStartGame();
    void animationDidStop();
    void playGame();
    void setCenteredWindowFrameWithSize(int width, int height);
    std::optional<std::string> savePath();
    std::string bundleName() const { return bundle_.bundleName(); }
    void toggleFullScreen();
    void windowWillClose();
    // Stops the game on its render thread, waiting, then ends the thread.
    void applicationWillTerminate();
    // Asks the application to end (from the script, on any thread).
    static void gameDidEnd(void* delegate);

    // Main loop hooks. tick returns the seconds the loop may wait before
    // its next turn.
    void handleEvent(const SDL_Event& event);
    double tick();

    // Input to play as the frames go by (--input).
    void setInputScript(TNInputScript script) { inputScript_ = std::move(script); }

    // Frames drawn so far.
    uint64_t framesDrawn() const { return framesDrawn_.load(); }
    // Writes the last frame drawn (captured after each frame when a
    // screenshot is asked for); false, with a printed line, when no frame
    // was drawn or the file cannot be written.
    bool writeScreenshot() const;

private:
    void fail(const std::string& message);
    void showValidationFailed();
    void frameDidDraw();
    void captureScreenshot();
    void deliverScriptedInput(uint64_t frame);
    void reportMemory(uint64_t frame);
    // False, after fail(), when the engine script does not load.
    bool checkEngineScript(const std::string& enginePath);

    TNApplication& application_;
    TNBundle bundle_;
    TNPlayerOptions options_;

    SDL_Window* window_ = nullptr;
    std::unique_ptr<TNIntroViewController> introViewController_;
    bool introFinished_ = false;
    bool gameReady_ = false;
    std::unique_ptr<TNThreadedGameView> gameView_;
    std::unique_ptr<TNGameBackingView> gameWrapperView_;
    bool fadingOut_ = false;
    TNRef<TNLuaState> luaState_;
    std::string gamePath_;
    bool startFullScreen_ = false;

    bool launchFailed_ = false;
    bool gameShown_ = false;
    double fadeStart_ = 0.0;
    std::atomic<uint64_t> framesDrawn_{0};
    mutable std::mutex screenshotMutex_;
    std::vector<uint8_t> screenshot_;
    // The render thread's buffer for the next capture.
    std::vector<uint8_t> capture_;
    int screenshotWidth_ = 0;
    int screenshotHeight_ = 0;
    // Frame 0's events are taken on the main thread before play starts;
    // the rest on the render thread.
    TNInputScript inputScript_;
};

#endif
