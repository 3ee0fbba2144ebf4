#include "window/TNGameView.h"

#include <SDL_opengl.h>

#include <cmath>
#include <cstdio>

#include "host/TNEngine.h"
#include "bridge/LuaErrorException.h"
#include "host/TNDate.h"
#include "host/TNLuaState.h"
#include "log/TNLog.h"
#include "bridge/runtime/TNNumber.h"
#include "bridge/runtime/TNString.h"

// Last: its macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>

#ifndef GL_POINT_SPRITE
#define GL_POINT_SPRITE 0x8861
#endif

namespace {

// Holds an object's lock for a scope, through the object's own lock and
// unlock functions.
template <class Object, auto lock, auto unlock>
class ScopedLock {
public:
    explicit ScopedLock(Object& object) : object_(object) { (object_.*lock)(); }
    ~ScopedLock() { (object_.*unlock)(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    Object& object_;
};

// The context lock (lock, make current / release, unlock) and the engine lock.
using ContextLock = ScopedLock<TNGameView, &TNGameView::lockContext, &TNGameView::unlockContext>;
using EngineLock = ScopedLock<TNLuaState, &TNLuaState::lockState, &TNLuaState::unlockState>;

// The engine's host state when an engine is attached and open.
TN_State* hostState(TNLuaState* state)
{
    return state ? state->S() : nullptr;
}

// Runs call(S) under the engine lock; a script error thrown through it is
// logged as "TNGameView <where>: Lua Error caught (and ignored): ...".
template <typename Call>
void callEngine(TNLuaState& state, const char* where, Call call)
{
    try {
        EngineLock engine(state);
        call(state.S());
    } catch (const LuaErrorException& e) {
        TNLog("TNGameView %s: Lua Error caught (and ignored): %s", where, e.luaError().c_str());
    }
}

}  // namespace

void TNGameView::prepareWindowSystem()
{
    static const bool initialised = XInitThreads() != 0;
    (void)initialised;
}

void TNGameView::setOpenGLAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    // No depth buffer: nothing draws with depth testing, so clear nodes'
    // depth clears have nothing to wipe. On llvmpipe a depth clear limited
    // by the scissor to the view's part of a larger surface (headless) cost
    // more than the rest of an empty frame.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

TNGameView::TNGameView(TNGameBackingView* parent, const TNRect& frame) : parent_(parent)
{
    setFrame(frame);
    // The view's own ratio until the game says otherwise.
    originalAspectRatio_ = frame.height > 0 ? static_cast<float>(frame.width / frame.height) : 1.0f;
    std::lock_guard<std::recursive_mutex> lock(contextLock_);
    setOpenGLAttributes();
    context_ = SDL_GL_CreateContext(parent_->window());
    if (!context_) {
        TNLog("TNGameView: could not create the OpenGL context: %s", SDL_GetError());
        return;
    }
    prepareOpenGL();
    SDL_GL_MakeCurrent(parent_->window(), nullptr);
}

TNGameView::~TNGameView()
{
    stopAnimation();
    if (context_)
        SDL_GL_DeleteContext(context_);
}

// Runs once with the new context current.
void TNGameView::prepareOpenGL()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_POINT_SPRITE);
    // Not every display offers vertical sync (Xvfb does not); the frame
    // timer paces frames either way.
    SDL_GL_SetSwapInterval(1);
}

void TNGameView::lockContext()
{
    contextLock_.lock();
    if (++contextDepth_ > 1)
        return;
    if (context_ && SDL_GL_MakeCurrent(parent_->window(), context_) != 0)
        TNLog("TNGameView: could not make the OpenGL context current: %s", SDL_GetError());
}

void TNGameView::unlockContext()
{
    if (--contextDepth_ == 0 && context_)
        SDL_GL_MakeCurrent(parent_->window(), nullptr);
    contextLock_.unlock();
}

void TNGameView::withScriptContext(TNLuaState* state, const std::function<void()>& call)
{
    if (state)
        state->makeOpenALContextCurrent();
    ContextLock context(*this);
    call();
}

TNRect TNGameView::frame() const
{
    std::lock_guard<std::mutex> lock(frameMutex_);
    return frame_;
}

void TNGameView::setFrame(const TNRect& frame)
{
    // The window is asked for its pixel scale here, on the main thread.
    const double scale = parent_->backingScale();
    std::lock_guard<std::mutex> lock(frameMutex_);
    frame_ = frame;
    pixelFrame_ = TNRect{frame.x * scale, frame.y * scale, frame.width * scale, frame.height * scale};
}

void TNGameView::setDrawingEnabled(bool enabled)
{
    drawingEnabled_.store(enabled);
    if (enabled)
        setNeedsDisplay();
}

// --- Frame loop ---

void TNGameView::startAnimation()
{
    if (animating_.load())
        return;
    const auto period = std::chrono::duration<double>(animationFrameInterval_.load() * (1.0 / 60.0));
    animationTimer_ = RunLoop::current()->scheduleTimer(
        std::chrono::duration_cast<RunLoop::Clock::duration>(period), [this] { drawView(); });
    animating_.store(true);
}

void TNGameView::stopAnimation()
{
    if (!animating_.load())
        return;
    animationTimer_->invalidate();
    animationTimer_.reset();
    animating_.store(false);
}

void TNGameView::resetTimebase()
{
    currentTime_.store(TNDate::getTimeAsFloat());
}

TNRect TNGameView::pixelFrame() const
{
    std::lock_guard<std::mutex> lock(frameMutex_);
    return pixelFrame_;
}

void TNGameView::applyFrameToContext()
{
    const TNRect f = pixelFrame();
    const GLint x = static_cast<GLint>(f.x);
    const GLint y = static_cast<GLint>(f.y);
    const GLsizei w = static_cast<GLsizei>(f.width);
    const GLsizei h = static_cast<GLsizei>(f.height);
    // One drawable holds the bars and the view: the view's area is offset
    // by its origin, and the scissor keeps the game's clears inside it.
    glViewport(x, y, w, h);
    glScissor(x, y, w, h);
    glEnable(GL_SCISSOR_TEST);
}

void TNGameView::swapBuffers()
{
    SDL_GL_SwapWindow(parent_->window());
}

// The frame runs, finishes and is presented in the script's contexts.
void TNGameView::drawView()
{
    withScriptContext(luaState(), [this] {
        parent_->drawAround(pixelFrame());
        applyFrameToContext();
        drawFrame();
        if (frameObserver_)
            frameObserver_();
        glFinish();
        swapBuffers();
    });
}

void TNGameView::drawFrame()
{
    const float now = TNDate::getTimeAsFloat();
    const float fixed = fixedTimeStep_.load();
    const float dt = fixed > 0.0f ? fixed : now - currentTime_.load();
    currentTime_.store(now);
    lastFrameDelta_.store(dt);
    glEnable(GL_POINT_SPRITE);
    TNLuaState* state = luaState();
    if (hostState(state))
        callEngine(*state, "drawFrame", [dt](TN_State* S) { TN_Update(S, dt); });
}

void TNGameView::refreshFrame()
{
    TNLuaState* state = luaState();
    withScriptContext(state, [this, state] {
        parent_->drawAround(pixelFrame());
        applyFrameToContext();
        if (hostState(state))
            callEngine(*state, "refreshFrame", TN_Render);
        glFinish();
        swapBuffers();
    });
}

void TNGameView::drawRect()
{
    needsDisplay_.store(false);
    if (drawingEnabled()) {
        refreshFrame();
        return;
    }
    // Black, and presented, so that the request shows it.
    ContextLock context(*this);
    parent_->drawRect();
    swapBuffers();
}

void TNGameView::displayIfNeeded()
{
    if (needsDisplay_.load())
        drawRect();
}

// --- Play state ---

void TNGameView::callEntryPoint(const char* where, void (*entryPoint)(TN_State*))
{
    TNLuaState* state = luaState();
    if (hostState(state))
        withScriptContext(state, [state, where, entryPoint] { callEngine(*state, where, entryPoint); });
}

void TNGameView::play()
{
    callEntryPoint("play", TN_Play);
    // After the script's play, so the first frame's dt leaves out the pause.
    resetTimebase();
    startAnimation();
}

void TNGameView::pause()
{
    stopAnimation();
    callEntryPoint("pause", TN_Pause);
}

void TNGameView::stop()
{
    stopAnimation();
    callEntryPoint("stop", TN_Stop);
}

// --- Layout ---

TNRect TNGameView::letterboxFrame(const TNRect& parent, float originalAspectRatio, float* currentAspectRatio)
{
    const float current = static_cast<float>(parent.width / parent.height);
    if (currentAspectRatio)
        *currentAspectRatio = current;
    if (originalAspectRatio > current) {
        // The parent is relatively taller: bars above and below.
        const float h2 = static_cast<float>(parent.width / originalAspectRatio);
        return TNRect{0.0, (parent.height - h2) * 0.5, parent.width, h2};
    }
    if (current > originalAspectRatio) {
        // The parent is relatively wider: bars left and right.
        const float w2 = static_cast<float>(originalAspectRatio * parent.height);
        return TNRect{(parent.width - w2) * 0.5, 0.0, w2, parent.height};
    }
    return parent;
}

bool TNGameView::drawIntoOffscreenTarget()
{
    ContextLock context(*this);
    return context_ && resizeOffscreenTarget();
}

// With the context current.
bool TNGameView::resizeOffscreenTarget()
{
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(parent_->window(), &width, &height);
    return offscreenTarget_.resize(width, height);
}

void TNGameView::reshape()
{
    TNRect newFrame;
    {
        ContextLock context(*this);
        if (offscreenTarget_.exists())
            resizeOffscreenTarget();
        newFrame = letterboxFrame(parent_->bounds(), originalAspectRatio_, &currentAspectRatio_);
        setFrame(newFrame);
        applyFrameToContext();
    }
    updateScreenSize(newFrame.width, newFrame.height);
}

void TNGameView::updateScreenSize(double width, double height)
{
    TNLuaState* state = luaState();
    if (!hostState(state))
        return;
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    withScriptContext(state, [state, w, h] {
        callEngine(*state, "updateScreenSize", [w, h](TN_State* S) { TN_SetScreenSize(S, w, h); });
    });
}

void TNGameView::setFullScreen(bool flag)
{
    fullScreen_ = flag;
    if (flag)
        parent_->enterFullScreenMode();
    else
        parent_->exitFullScreenMode();
    // SDL may report the new size before the window system's event, which
    // then changes nothing: lay out for it now either way.
    reshape();
}

// --- Events ---

void TNGameView::postEvent(const std::string& name, const TNObjectList& args)
{
    TNLuaState* state = luaState();
    if (!state)
        return;
    // Here the call runs on the event's thread: a script error must not
    // unwind into the event loop.
    try {
        withScriptContext(state, [state, &name, &args] { state->callFunction(name, args); });
    } catch (const LuaErrorException& e) {
        TNLog("TNGameView postEvent: Lua Error caught (and ignored): %s", e.luaError().c_str());
    }
}

TNObjectList TNGameView::scriptArguments(const TNScriptEvent& event)
{
    TNObjectList args;
    if (event.isMouse()) {
        args.push_back(TNNumber::withDouble(event.x));
        args.push_back(TNNumber::withDouble(event.y));
    } else {
        args.push_back(TNString::create(event.name));
    }
    return args;
}

void TNGameView::postScriptEvent(const TNScriptEvent& event)
{
    postEvent(event.function, scriptArguments(event));
}

bool TNGameView::handleEvent(const SDL_Event& event)
{
    const Uint32 windowID = SDL_GetWindowID(parent_->window());
    switch (event.type) {
    case SDL_WINDOWEVENT:
        if (event.window.windowID != windowID)
            return false;
        switch (event.window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
            parent_->updateBounds();
            reshape();
            setNeedsDisplay();
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            setNeedsDisplay();
            break;
        default:
            break;
        }
        return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (event.key.windowID != windowID)
            return false;
        switch (input_.windowKey(event.key)) {
        case TNWindowKey::ToggleFullScreen:
            toggleFullScreen();
            return true;
        case TNWindowKey::Taken:
            return true;
        case TNWindowKey::Script:
            break;
        }
        // The escape key (by position, whatever the layout) leaves full
        // screen; the key still reaches the script.
        if (event.type == SDL_KEYDOWN && event.key.keysym.scancode == SDL_SCANCODE_ESCAPE && fullScreen_)
            setFullScreen(false);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.windowID != windowID)
            return false;
        break;
    case SDL_MOUSEMOTION:
        if (event.motion.windowID != windowID)
            return false;
        break;
    default:
        if (!TNGamepadInput::isControllerEvent(event))
            return false;
        for (const TNScriptEvent& call : gamepads_.handleEvent(event))
            postScriptEvent(call);
        return true;
    }
    for (const TNScriptEvent& call : input_.translate(event, frame(), parent_->bounds().height))
        postScriptEvent(call);
    return true;
}
