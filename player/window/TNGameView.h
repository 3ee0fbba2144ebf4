// The OpenGL view the game is drawn in: an OpenGL 2.1 compatibility context
// on an SDL window, inside a TNGameBackingView (the window's content). It
// owns the frame timer (on the current thread's RunLoop), measures the time
// between frames on the shared clock and calls the engine's update once per
// tick, keeps the drawing area at the game's aspect ratio inside its parent
// (letterboxing, black bars), reports size changes to the engine, forwards
// play, pause and stop, switches full-screen mode, and turns SDL input
// events (keys, mouse, game controllers) into script calls.
//
// Threads: the window work (handleEvent, reshape, full screen, redraws)
// runs on the main thread; the frame loop runs on the thread whose run loop
// owns the timer. Two locks, always in this order: the context lock of this
// view, then the engine lock of the LuaState. The context is current on one
// thread at a time: it is made current only while the context lock is held
// and released before the lock is. Every call into the script (frames,
// redraws, play, pause, stop, screen size, input) runs inside
// withScriptContext: the engine's OpenAL context and this view's OpenGL
// context current, so that what the script loads or frees there reaches
// both.
#ifndef TN_GAME_VIEW_H
#define TN_GAME_VIEW_H

#include <SDL.h>

#include <atomic>
#include <functional>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "window/RunLoop.h"
#include "window/TNGameBackingView.h"
#include "window/TNGamepadInput.h"
#include "window/TNInputTranslator.h"
#include "window/TNOffscreenTarget.h"
#include "window/TNRect.h"
#include "bridge/runtime/TNObject.h"

class TNLuaState;
struct TN_State;

class TNGameView {
public:
    // Lets the render thread use the window system alongside the main
    // thread (Xlib's thread support); call once, before SDL's video starts.
    static void prepareWindowSystem();

    // Sets the window attributes of the view's context (OpenGL 2.1
    // compatibility, RGBA 8 bits, double buffered); call before creating
    // the window with SDL_WINDOW_OPENGL.
    static void setOpenGLAttributes();

    // Creates the context on the parent's window (main thread). frame is in
    // the parent's coordinates. isValid() is false, with a printed line,
    // when no context could be made.
    TNGameView(TNGameBackingView* parent, const TNRect& frame);
    virtual ~TNGameView();
    TNGameView(const TNGameView&) = delete;
    TNGameView& operator=(const TNGameView&) = delete;

    bool isValid() const { return context_ != nullptr; }
    TNGameBackingView* parent() const { return parent_; }
    SDL_GLContext context() const { return context_; }

    // Properties.
    bool fullScreen() const { return fullScreen_; }
    float originalAspectRatio() const { return originalAspectRatio_; }
    void setOriginalAspectRatio(float ratio) { originalAspectRatio_ = ratio; }
    float currentAspectRatio() const { return currentAspectRatio_; }
    bool animating() const { return animating_.load(); }
    int64_t animationFrameInterval() const { return animationFrameInterval_; }
    void setAnimationFrameInterval(int64_t interval) { animationFrameInterval_ = interval; }
    bool drawingEnabled() const { return drawingEnabled_.load(); }
    void setDrawingEnabled(bool enabled);
    // Not retained: the owner keeps the engine alive while it is attached.
    TNLuaState* luaState() const { return luaState_.load(); }
    void setLuaState(TNLuaState* luaState) { luaState_.store(luaState); }
    TNRect frame() const;
    void setFrame(const TNRect& frame);
    uint64_t currentModifierFlags() const { return input_.currentModifierFlags(); }
    uint64_t previousModifierFlags() const { return input_.previousModifierFlags(); }
    // The game controllers driving the arrow keys, "space", "esc" and
    // "return" (main thread).
    TNGamepadInput& gamepads() { return gamepads_; }
    // Seconds since the previous frame, as the last frame measured it.
    float lastFrameDelta() const { return lastFrameDelta_.load(); }

    // For reproducible runs: every frame advances by dt seconds instead of
    // the measured time (0 measures again).
    void setFixedTimeStep(float dt) { fixedTimeStep_.store(dt); }
    // Called on the frame's thread after each frame is drawn, before the
    // swap, with the context current. Set it before play.
    void setFrameObserver(std::function<void()> observer) { frameObserver_ = std::move(observer); }

    // Frame loop (on the thread that runs the timer).
    void startAnimation();
    void stopAnimation();
    void resetTimebase();
    void drawView();
    void drawFrame();
    // Redraw without advancing time: the engine's render.
    void refreshFrame();

    // Redraw requests (main thread): drawRect draws now; setNeedsDisplay
    // marks the view and displayIfNeeded, run by the main loop, draws it.
    virtual void drawRect();
    void setNeedsDisplay() { needsDisplay_.store(true); }
    bool needsDisplay() const { return needsDisplay_.load(); }
    void displayIfNeeded();

    // Play state, on the thread that runs the frame loop.
    void play();
    void pause();
    void stop();

    // Headless: draws into a target the window's size rather than the
    // offscreen driver's larger surface, from now on (main thread). False
    // when the GL cannot; the view keeps drawing to the surface.
    bool drawIntoOffscreenTarget();

    // Layout (main thread).
    void reshape();
    void updateScreenSize(double width, double height);
    void setFullScreen(bool flag);
    void toggleFullScreen() { setFullScreen(!fullScreen_); }

    // Calls the script global name with args (synchronously here).
    virtual void postEvent(const std::string& name, const TNObjectList& args);
    // A translated event's arguments as the script receives them: the key's
    // name, or the mouse position.
    static TNObjectList scriptArguments(const TNScriptEvent& event);

    // Main thread: window size changes and exposure of the view's window,
    // key, modifier and mouse events, and game-controller events. F11 and
    // Alt+Enter toggle full screen and do not reach the script. Returns
    // true when the event was the view's.
    bool handleEvent(const SDL_Event& event);

    // The letterboxed frame of a game with the given aspect ratio inside
    // parentBounds; currentAspectRatio receives the parent's ratio.
    static TNRect letterboxFrame(const TNRect& parentBounds, float originalAspectRatio, float* currentAspectRatio);

    // The context lock: lockContext takes it and makes the context current
    // on the calling thread; unlockContext releases current-ness, then the
    // lock. The thread holding it may take it again (a script call made
    // from inside a frame); the context stays current until the outermost
    // unlock.
    void lockContext();
    void unlockContext();

protected:
    // Runs call with the attached engine's OpenAL context current and the
    // context lock held; call takes the engine lock itself. Exceptions
    // pass through, the lock released.
    void withScriptContext(TNLuaState* state, const std::function<void()>& call);

    // The view's frame in drawable pixels.
    TNRect pixelFrame() const;
    // Sets viewport and scissor to the view's frame in drawable pixels;
    // called with the context lock held on any thread.
    void applyFrameToContext();
    void prepareOpenGL();
    void swapBuffers();

private:
    void postScriptEvent(const TNScriptEvent& event);
    // Calls the entry point of the attached open engine, if any, in the
    // script's contexts; a script error is logged naming where.
    void callEntryPoint(const char* where, void (*entryPoint)(TN_State*));
    // Sizes the headless target to the window's drawable, context current.
    bool resizeOffscreenTarget();

    TNGameBackingView* parent_;
    SDL_GLContext context_ = nullptr;
    // Made and sized with the window only after drawIntoOffscreenTarget();
    // freed with the context.
    TNOffscreenTarget offscreenTarget_;
    std::recursive_mutex contextLock_;
    // How deep the holding thread has taken the context lock (read and
    // written under it).
    int contextDepth_ = 0;

    std::atomic<bool> drawingEnabled_{false};
    std::atomic<TNLuaState*> luaState_{nullptr};
    std::shared_ptr<RunLoopTimer> animationTimer_;
    std::atomic<int64_t> animationFrameInterval_{1};
    std::atomic<bool> animating_{false};
    std::atomic<float> currentTime_{0.0f};
    std::atomic<float> lastFrameDelta_{0.0f};
    std::atomic<float> fixedTimeStep_{0.0f};
    std::function<void()> frameObserver_;
    bool fullScreen_ = false;
    float originalAspectRatio_ = 1.0f;
    float currentAspectRatio_ = 1.0f;
    TNInputTranslator input_;
    TNGamepadInput gamepads_;
    std::atomic<bool> needsDisplay_{false};
    // Set by layout on the main thread, read by the frame loop: the frame
    // in points and, for the viewport, in drawable pixels.
    mutable std::mutex frameMutex_;
    TNRect frame_;
    TNRect pixelFrame_;
};

#endif
