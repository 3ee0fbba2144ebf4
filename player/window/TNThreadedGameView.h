// The game view the player uses: all engine work runs on a render thread of
// its own. The thread runs a RunLoop that carries the frame timer and every
// delivered call (play, pause, stop and each input event, in order of
// delivery); the main thread keeps the window work and meets the render
// thread only through the two locks and, when asked to wait, a delivered
// call.
#ifndef TN_THREADED_GAME_VIEW_H
#define TN_THREADED_GAME_VIEW_H

#include <atomic>
#include <memory>
#include <thread>

#include "window/TNGameView.h"

class TNThreadedGameView : public TNGameView {
public:
    // Starts the render thread.
    TNThreadedGameView(TNGameBackingView* parent, const TNRect& frame);
    // Ends and joins the render thread before the context goes.
    ~TNThreadedGameView() override;

    // Starts the render thread unless it runs.
    void createThread();
    // Cancels the render thread and waits for it to end (it leaves its loop
    // after the call or frame it is running). Calls still queued are dropped.
    void destroyThread();
    bool hasThread() const { return thread_.joinable(); }
    std::thread::id threadId() const { return thread_.get_id(); }

    void playWaitUntilDone(bool wait);
    void pauseWaitUntilDone(bool wait);
    void stopWaitUntilDone(bool wait);
    bool isDrawingOnSeparateThread() const { return isDrawingOnSeparateThread_; }
    void setDrawingOnSeparateThread(bool flag) { isDrawingOnSeparateThread_ = flag; }

    // Delivers the call to the render thread without waiting; without a
    // thread, calls the script here.
    void postEvent(const std::string& name, const TNObjectList& args) override;
    // Nothing while the render thread draws.
    void drawRect() override;

    // Runs call on the render thread (false, running nothing, when there is
    // no render thread).
    bool performOnThread(std::function<void()> call, bool wait);

private:
    void runLoop();
    void postEventHelper(const std::string& name, const TNObjectList& args);

    std::thread thread_;
    std::shared_ptr<RunLoop> loop_;
    std::shared_ptr<std::atomic<bool>> cancelled_;
    // Written and read by the main thread only.
    bool isDrawingOnSeparateThread_ = false;
};

#endif
