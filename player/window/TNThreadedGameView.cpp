#include "window/TNThreadedGameView.h"

#include <SDL.h>

#include <exception>

#include "bridge/LuaErrorException.h"
#include "host/TNLuaState.h"
#include "log/TNLog.h"

TNThreadedGameView::TNThreadedGameView(TNGameBackingView* parent, const TNRect& frame) : TNGameView(parent, frame)
{
    createThread();
}

TNThreadedGameView::~TNThreadedGameView()
{
    destroyThread();
}

void TNThreadedGameView::createThread()
{
    if (thread_.joinable())
        return;
    loop_ = std::make_shared<RunLoop>();
    cancelled_ = std::make_shared<std::atomic<bool>>(false);
    thread_ = std::thread([this] { runLoop(); });
}

void TNThreadedGameView::destroyThread()
{
    if (!thread_.joinable())
        return;
    cancelled_->store(true);
    loop_->wakeUp();
    // Joining (not only cancelling) means no frame of this view outlives it.
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach();
    else
        thread_.join();
    thread_ = std::thread();
}

// The render thread: runs its loop in slices of 0.1 s until cancelled. A
// script error escaping a frame or a delivered call is logged and the loop
// goes on; so is any other exception, which would otherwise end the process.
void TNThreadedGameView::runLoop()
{
    std::shared_ptr<RunLoop> loop = loop_;
    std::shared_ptr<std::atomic<bool>> cancelled = cancelled_;
    RunLoop::setCurrent(loop);
    while (!cancelled->load()) {
        try {
            loop->runUntil(RunLoop::Clock::now() + std::chrono::milliseconds(100));
        } catch (const LuaErrorException& e) {
            TNLog("LuaState runLoop: Lua Error caught (and ignored): %s", e.luaError().c_str());
        } catch (const std::exception& e) {
            TNLog("LuaState runLoop: exception caught (and ignored): %s", e.what());
        }
    }
    stopAnimation();
    loop->finish();
    RunLoop::setCurrent(nullptr);
    // SDL keeps the current context per thread; a thread SDL did not start
    // must free that itself.
    SDL_TLSCleanup();
}

bool TNThreadedGameView::performOnThread(std::function<void()> call, bool wait)
{
    if (!thread_.joinable())
        return false;
    return loop_->perform(std::move(call), wait);
}

void TNThreadedGameView::playWaitUntilDone(bool wait)
{
    performOnThread([this] { play(); }, wait);
    isDrawingOnSeparateThread_ = true;
}

void TNThreadedGameView::pauseWaitUntilDone(bool wait)
{
    performOnThread([this] { pause(); }, wait);
    isDrawingOnSeparateThread_ = false;
}

void TNThreadedGameView::stopWaitUntilDone(bool wait)
{
    performOnThread([this] { stop(); }, wait);
    isDrawingOnSeparateThread_ = false;
}

void TNThreadedGameView::postEvent(const std::string& name, const TNObjectList& args)
{
    if (!performOnThread([this, name, args] { postEventHelper(name, args); }, false))
        TNGameView::postEvent(name, args);
}

// On the render thread, in the script's contexts; a script error goes to
// the loop, which logs it.
void TNThreadedGameView::postEventHelper(const std::string& name, const TNObjectList& args)
{
    if (TNLuaState* state = luaState())
        withScriptContext(state, [state, &name, &args] { state->callFunction(name, args); });
}

void TNThreadedGameView::drawRect()
{
    if (isDrawingOnSeparateThread_) {
        return;
    }
    TNGameView::drawRect();
}
