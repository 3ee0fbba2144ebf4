#include "launch/Tern_PlayerAppDelegate.h"

#include <SDL_image.h>
#include <SDL_opengl.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "host/TNEngine.h"
#include "intro/TNIntroViewController.h"
#include "launch/TNFailureAlert.h"
#include "launch/TNQuitDeadline.h"
#include "launch/TNSavePath.h"
#include "lauxlib.h"
#include "host/TNLuaState.h"
#include "bundle/TNAssetChecker.h"
#include "files/TNPathResolver.h"
#include "log/TNLog.h"
#include "window/TNGameBackingView.h"
#include "window/TNThreadedGameView.h"
#include "lua.h"

namespace {

const double kFadeSeconds = 1.0;
// The main loop's turns: often while the intro plays or fades, seldom once
// only the game's render thread draws.
const double kAnimatingTickSeconds = 0.005;
const double kIdleTickSeconds = 0.1;
const int kHeadlessSurfaceWidth = 1920;
const int kHeadlessSurfaceHeight = 1200;

// The first of paths that is a folder (following symbolic links; a loop is
// not a folder), or "".
std::string firstFolder(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        struct stat info;
        if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            return path;
    }
    return "";
}

} // namespace

Tern_PlayerAppDelegate::Tern_PlayerAppDelegate(TNApplication& application, TNBundle bundle,
                                               const TNPlayerOptions& options)
    : application_(application), bundle_(std::move(bundle)), options_(options)
{
}

Tern_PlayerAppDelegate::~Tern_PlayerAppDelegate()
{
    introViewController_.reset();
    gameView_.reset();
    gameWrapperView_.reset();
    if (window_)
        SDL_DestroyWindow(window_);
}

// The game cannot start: the window leaves full screen so that a message
// box can be seen, and the application quits. The intro stays until then
// (its controller has calls of its own scheduled).
void Tern_PlayerAppDelegate::fail(const std::string& message)
{
    launchFailed_ = true;
    if (startFullScreen_ && gameWrapperView_ && !options_.headless)
        gameWrapperView_->exitFullScreenMode();
    TNReportLaunchFailure(message, options_, window_);
    application_.terminateAfterDelay(0.1, 1);
}

void Tern_PlayerAppDelegate::applicationDidFinishLaunching()
{
    // The game's files are found regardless of letter case and Unicode form
    // anywhere in its bundle, as on the system the game was made on.
    TNPathResolver::shared().addRoot(bundle_.bundlePath());
    TNGameView::setOpenGLAttributes();
    // The offscreen driver keeps the drawing surface at the size the window
    // was made with, so a headless window starts as large as a game may be.
    const int initialWidth = options_.headless ? kHeadlessSurfaceWidth : 480;
    const int initialHeight = options_.headless ? kHeadlessSurfaceHeight : 320;
    window_ = SDL_CreateWindow(bundleName().c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, initialWidth,
                               initialHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
    if (!window_) {
        fail(std::string("could not open a window: ") + SDL_GetError());
        return;
    }
    // 1-3: centred at 480 × 320, titled from the bundle; SDL reports mouse
    // movement without a pressed button, and the intro view paints white.
    setCenteredWindowFrameWithSize(480, 320);
    gameWrapperView_ = std::make_unique<TNGameBackingView>(window_);

    // 4: full-screen start.
    startFullScreen_ = bundle_.infoBool("TNStartFullscreen") || options_.fullscreen;
    if (startFullScreen_ && !options_.headless)
        gameWrapperView_->enterFullScreenMode();

    // 5: the intro, skipped when headless.
    auto finished = [this] { setIntroFinished(true); };
    std::string image = bundle_.pathForResource("Default", "png");
    if (options_.headless) {
        application_.performAfterDelay(0.0, finished);
    } else if (!image.empty()) {
        auto controller = std::make_unique<TNLoadingImageViewController>(window_, application_, finished, image);
        if (!startFullScreen_ && controller->imageWidth() > 0) {
            setCenteredWindowFrameWithSize(controller->imageWidth(), controller->imageHeight());
            controller->view().setFrame({0, 0, double(controller->imageWidth()), double(controller->imageHeight())});
        } else {
            gameWrapperView_->updateBounds();
            controller->view().setFrame(gameWrapperView_->bounds());
        }
        introViewController_ = std::move(controller);
    } else {
        introViewController_ = std::make_unique<TNIntroMovieViewController>(
            window_, application_, finished, bundle_.pathForResource("intro-mac", "mov"));
        gameWrapperView_->updateBounds();
        introViewController_->view().setFrame(gameWrapperView_->bounds());
    }

    // 6: shown and raised.
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    if (introViewController_) {
        introViewController_->viewDidLoad();
        introViewController_->view().draw();
    }

    // 7-8: the project folder, and the engine script beside it.
    gamePath_ = firstFolder(bundle_.pathsForResourcesOfType("gameproj"));
    if (gamePath_.empty()) {
        fail("the game bundle " + bundle_.bundlePath() + " holds no project folder (*.gameproj in Contents/Resources)");
        return;
    }
    std::string enginePath = bundle_.pathForResource("engine64", "luo");
    if (enginePath.empty()) {
        fail("the game bundle " + bundle_.bundlePath() + " holds no engine script (Contents/Resources/engine64.luo)");
        return;
    }
    if (!checkEngineScript(enginePath))
        return;

    // 9: the asset check.
    if (!TNAssetChecker::defaultAssetChecker(bundle_.pathForResource("intro-mac", "mov"))->checkAssets()) {
        showValidationFailed();
        return;
    }
    // 10: closing the window arrives as an event (handleEvent).
}

// A chunk that does not load leaves nothing to play: the launch stops here.
bool Tern_PlayerAppDelegate::checkEngineScript(const std::string& enginePath)
{
    lua_State* L = luaL_newstate();
    if (!L)
        return true;
    std::string problem;
    if (TN_LoadScriptFile(L, enginePath.c_str()) != 0) {
        const char* message = lua_tostring(L, -1);
        problem = message ? message : enginePath;
    }
    lua_close(L);
    if (!problem.empty())
        fail("the engine script does not load: " + problem);
    return problem.empty();
}

void Tern_PlayerAppDelegate::showValidationFailed()
{
    launchFailed_ = true;
    const char* informative = "Assets have been changed since publishing";
    if (options_.headless) {
        TNLog("tern-player: Validation Failed: %s (%s)", informative, bundle_.bundlePath().c_str());
    } else {
        if (startFullScreen_)
            gameWrapperView_->exitFullScreenMode();
        const SDL_MessageBoxButtonData buttons[] = {
            {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "Quit"},
        };
        SDL_MessageBoxData box{};
        box.flags = SDL_MESSAGEBOX_ERROR;
        box.window = window_;
        box.title = "Validation Failed";
        box.message = informative;
        box.numbuttons = 1;
        box.buttons = buttons;
        int pressed = 0;
        if (SDL_ShowMessageBox(&box, &pressed) != 0)
            TNLog("tern-player: Validation Failed: %s", informative);
    }
    application_.terminateAfterDelay(0.1, 1);
}

void Tern_PlayerAppDelegate::setIntroFinished(bool finished)
{
    introFinished_ = finished;
    // After a failed launch the intro's end must not start the game while
    // the application quits.
    if (finished && !launchFailed_)
        application_.performAfterDelay(0.01, [this] { loadAndCreateGameView(); });
}

void Tern_PlayerAppDelegate::loadAndCreateGameView()
{
    makeNewLuaState();
    if (!luaState_)
        return;
    createGameView();
    if (!gameView_)
        return;
    loadGameBundle();
    setGameReady(true);
}

void Tern_PlayerAppDelegate::makeNewLuaState()
{
    freeOldLuaState();
    std::string enginePath = bundle_.pathForResource("engine64", "luo");
    std::optional<std::string> save = savePath();
    luaState_ = TNLuaState::create(enginePath, save ? save->c_str() : nullptr);
    if (!luaState_) {
        fail("could not start the engine of " + bundle_.bundlePath());
        return;
    }
    TN_State* S = luaState_->S();
    S->callbacks.gameContext = this;
    S->callbacks.gameDidEnd = &Tern_PlayerAppDelegate::gameDidEnd;
}

void Tern_PlayerAppDelegate::freeOldLuaState()
{
    if (!luaState_)
        return;
    if (gameView_)
        gameView_->lockContext();
    luaState_->makeOpenALContextCurrent();
    try {
        luaState_->doString("if game then game:switchToScene(nil) end");
        luaState_->doString("if Renderer then Renderer:removeCurrentView() end");
        luaState_->doString("if AssetManager then AssetManager:freeGLAssets() end");
    } catch (const std::exception& error) {
        TNLog("tern-player: freeing the old game: %s", error.what());
    }
    luaState_->collectGarbage();
    if (gameView_) {
        gameView_->setLuaState(nullptr);
        gameView_->unlockContext();
    }
    luaState_ = nullptr;
}

void Tern_PlayerAppDelegate::createGameView()
{
    gameWrapperView_->updateBounds();
    gameView_ = std::make_unique<TNThreadedGameView>(gameWrapperView_.get(), gameWrapperView_->bounds());
    if (!gameView_->isValid()) {
        gameView_.reset();
        fail("could not create the game's OpenGL view");
        return;
    }
    // The headless surface is as large as a game may be; the game draws
    // into a target the window's size, where clearing its view is cheap.
    if (options_.headless)
        gameView_->drawIntoOffscreenTarget();
    if (options_.fixedStep)
        gameView_->setFixedTimeStep(1.0f / 60.0f);
    gameView_->setFrameObserver([this] { frameDidDraw(); });
}

// The game loads on the main thread with the view's context current, so
// the textures it makes belong to the view.
void Tern_PlayerAppDelegate::loadGameBundle()
{
    gameView_->setDrawingEnabled(false);
    luaState_->makeOpenALContextCurrent();
    gameView_->lockContext();
    luaState_->lockState();
    TN_LoadGame(luaState_->S(), gamePath_.c_str());
    TN_Reset(luaState_->S());
    luaState_->unlockState();
    gameView_->unlockContext();
    gameView_->setLuaState(luaState_.get());
    gameView_->setDrawingEnabled(true);
}

void Tern_PlayerAppDelegate::setGameReady(bool ready)
{
    gameReady_ = ready;
    if (gameReady_ && introFinished_)
        actuallyStartGame();
}

void Tern_PlayerAppDelegate::actuallyStartGame()
{
    // Headless runs have no intro to fade.
    if (!introViewController_) {
        animationDidStop();
        return;
    }
    fadingOut_ = true;
    fadeStart_ = application_.now();
}

void Tern_PlayerAppDelegate::animationDidStop()
{
    fadingOut_ = false;
    introViewController_.reset();
    gameShown_ = true;
    if (startFullScreen_ && !options_.headless)
        gameWrapperView_->exitFullScreenMode();

    TNDisplaySize size = luaState_->intendedDisplaySize();
    gameWrapperView_->updateBounds();
    TNRect content = gameWrapperView_->bounds();
    // A game that states no size keeps the window as it is.
    if (size.width >= 1.0 && size.height >= 1.0 && (size.width != content.width || size.height != content.height)) {
        setCenteredWindowFrameWithSize(static_cast<int>(size.width), static_cast<int>(size.height));
        gameView_->setOriginalAspectRatio(static_cast<float>(size.width / size.height));
        gameWrapperView_->updateBounds();
        gameView_->setFrame(gameWrapperView_->bounds());
    }
    gameView_->reshape();
    gameView_->setDrawingEnabled(true);
    playGame();
    if (startFullScreen_ && !options_.headless)
        gameView_->setFullScreen(true);
}

void Tern_PlayerAppDelegate::playGame()
{
    SDL_RaiseWindow(window_);
    // Scripted events of frame 0 follow the play call on the render thread.
    std::vector<TNScriptEvent> first = inputScript_.takeEventsForFrame(0);
    // Controllers plugged in before now were announced while the intro ran.
    gameView_->gamepads().openConnectedControllers();
    gameView_->playWaitUntilDone(false);
    for (const TNScriptEvent& event : first)
        gameView_->postEvent(event.function, TNGameView::scriptArguments(event));
}

void Tern_PlayerAppDelegate::setCenteredWindowFrameWithSize(int width, int height)
{
    SDL_Rect screen{0, 0, 0, 0};
    int display = SDL_GetWindowDisplayIndex(window_);
    if (SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &screen) != 0)
        SDL_GetDisplayBounds(0, &screen);
    SDL_SetWindowSize(window_, width, height);
    if (screen.w > 0 && screen.h > 0)
        SDL_SetWindowPosition(window_, screen.x + screen.w / 2 - width / 2, screen.y + screen.h / 2 - height / 2);
    else
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

std::optional<std::string> Tern_PlayerAppDelegate::savePath()
{
    std::string warning;
    std::optional<std::string> path = TNSavePath(bundleName(), warning);
    if (!warning.empty())
        TNLog("tern-player: %s", warning.c_str());
    if (path)
        TNPathResolver::shared().addRoot(path->substr(0, path->find_last_of('/')));
    return path;
}

void Tern_PlayerAppDelegate::toggleFullScreen()
{
    if (gameView_)
        gameView_->toggleFullScreen();
}

void Tern_PlayerAppDelegate::windowWillClose()
{
    application_.terminate(application_.isTerminating() ? application_.exitStatus() : 0);
}

void Tern_PlayerAppDelegate::applicationWillTerminate()
{
    if (!gameView_)
        return;
    // The game's stop may never come back from a script stuck in a loop.
    TNStartQuitDeadline();
    gameView_->stopWaitUntilDone(true);
    gameView_->destroyThread();
    TNCancelQuitDeadline();
}

void Tern_PlayerAppDelegate::gameDidEnd(void* delegate)
{
    static_cast<Tern_PlayerAppDelegate*>(delegate)->application_.terminate(0);
}

void Tern_PlayerAppDelegate::handleEvent(const SDL_Event& event)
{
    if (event.type == SDL_QUIT
        || (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
        windowWillClose();
        return;
    }
    if (gameShown_ && gameView_) {
        gameView_->handleEvent(event);
    } else if (event.type == SDL_WINDOWEVENT && introViewController_) {
        gameWrapperView_->updateBounds();
    }
}

double Tern_PlayerAppDelegate::tick()
{
    if (fadingOut_) {
        double t = (application_.now() - fadeStart_) / kFadeSeconds;
        introViewController_->view().setOpacity(static_cast<float>(t >= 1.0 ? 0.0 : 1.0 - t));
        introViewController_->tick();
        if (t >= 1.0)
            animationDidStop();
        return kAnimatingTickSeconds;
    }
    if (introViewController_) {
        introViewController_->tick();
        return kAnimatingTickSeconds;
    }
    if (gameShown_ && gameView_)
        gameView_->displayIfNeeded();
    // The game's frames run on the render thread; the main thread has only
    // events, delayed calls and work from other threads to wait for, and
    // each of those ends the wait.
    return kIdleTickSeconds;
}

// Runs on the render thread after each frame, the view's context current.
void Tern_PlayerAppDelegate::frameDidDraw()
{
    uint64_t frames = ++framesDrawn_;
    bool last = options_.frames > 0 && frames == options_.frames;
    // Every frame: the game may end itself, or its window be closed,
    // before the frame count is reached.
    if (!options_.screenshotPath.empty())
        captureScreenshot();
    if (options_.memoryReportInterval > 0 && (frames % options_.memoryReportInterval == 0 || last))
        reportMemory(frames);
    if (!last)
        deliverScriptedInput(frames);
    if (last) {
        gameView_->stopAnimation();
        application_.terminate(0);
    }
}

// Runs the frame's scripted events here on the render thread, between this
// frame and the next, so a run with the same script is the same run
// however the frames are paced.
void Tern_PlayerAppDelegate::deliverScriptedInput(uint64_t frame)
{
    if (inputScript_.empty())
        return;
    for (const TNScriptEvent& event : inputScript_.takeEventsForFrame(frame))
        gameView_->TNGameView::postEvent(event.function, TNGameView::scriptArguments(event));
}

void Tern_PlayerAppDelegate::reportMemory(uint64_t frame)
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    TNLogStdout("tern-player: frame %llu: resident memory %ld KiB", static_cast<unsigned long long>(frame),
                resident * (sysconf(_SC_PAGESIZE) / 1024));
}

void Tern_PlayerAppDelegate::captureScreenshot()
{
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window_, &width, &height);
    if (width <= 0 || height <= 0)
        return;
    // Read into the spare buffer, then swap it with the kept one: after the
    // first frames neither is allocated again.
    capture_.resize(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // The window's back buffer, or the headless view's own target.
    GLint framebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glReadBuffer(framebuffer ? GL_COLOR_ATTACHMENT0 : GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, capture_.data());
    std::lock_guard<std::mutex> lock(screenshotMutex_);
    screenshot_.swap(capture_);
    screenshotWidth_ = width;
    screenshotHeight_ = height;
}

bool Tern_PlayerAppDelegate::writeScreenshot() const
{
    std::lock_guard<std::mutex> lock(screenshotMutex_);
    if (screenshot_.empty()) {
        TNLog("tern-player: no frame was drawn, so no screenshot was written to %s",
              options_.screenshotPath.c_str());
        return false;
    }
    // OpenGL's rows start at the bottom; PNG rows at the top.
    const size_t stride = static_cast<size_t>(screenshotWidth_) * 4;
    std::vector<uint8_t> flipped(screenshot_.size());
    for (int row = 0; row < screenshotHeight_; ++row)
        SDL_memcpy(&flipped[row * stride], &screenshot_[(screenshotHeight_ - 1 - row) * stride], stride);
    // Fully opaque, as the window shows it.
    for (size_t i = 3; i < flipped.size(); i += 4)
        flipped[i] = 255;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(flipped.data(), screenshotWidth_, screenshotHeight_, 32,
                                                              static_cast<int>(stride), SDL_PIXELFORMAT_ABGR8888);
    bool ok = surface && IMG_SavePNG(surface, options_.screenshotPath.c_str()) == 0;
    if (!ok)
        TNLog("tern-player: could not write the screenshot %s: %s", options_.screenshotPath.c_str(),
              SDL_GetError());
    SDL_FreeSurface(surface);
    return ok;
}
