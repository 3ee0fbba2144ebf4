#include "GameViewSupport.h"

#include <AL/alc.h>
#include <SDL_opengl.h>

#include <cstdlib>
#include <cstring>

#include "host/TNEngine.h"
#include "lauxlib.h"
#include "window/TNGameView.h"

namespace tern_test {

namespace {

std::atomic<std::thread::id> renderThread;

int clearTo(lua_State* L)
{
    glClearColor(static_cast<float>(luaL_checknumber(L, 1)), static_cast<float>(luaL_checknumber(L, 2)),
                 static_cast<float>(luaL_checknumber(L, 3)), 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return 0;
}

int onRenderThread(lua_State* L)
{
    lua_pushboolean(L, std::this_thread::get_id() == renderThread.load());
    return 1;
}

// "gl+al", "gl", "al" or "none": which of an OpenGL context (on this
// thread) and an OpenAL context are current. Then, with an argument,
// releases the OpenAL context, so that the next call finds it current only
// if its caller made it so.
int contexts(lua_State* L)
{
    const bool gl = SDL_GL_GetCurrentContext() != nullptr && glGetString(GL_VERSION) != nullptr;
    const bool al = alcGetCurrentContext() != nullptr;
    lua_pushstring(L, gl && al ? "gl+al" : gl ? "gl" : al ? "al" : "none");
    if (lua_toboolean(L, 1))
        alcMakeContextCurrent(nullptr);
    return 1;
}

int busy(lua_State* L)
{
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::duration<double>(static_cast<double>(luaL_checknumber(L, 1)));
    while (std::chrono::steady_clock::now() < until) {
    }
    return 0;
}

}  // namespace

TestWindow::TestWindow(int width, int height, bool shown)
{
    TNGameView::setOpenGLAttributes();
    window_ = SDL_CreateWindow("Tern test", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                               SDL_WINDOW_OPENGL | (shown ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN));
    if (window_)
        backing_ = std::make_unique<TNGameBackingView>(window_);
}

TestWindow::~TestWindow()
{
    backing_.reset();
    if (window_)
        SDL_DestroyWindow(window_);
}

TestEngine::TestEngine(const std::string& script)
{
    const std::string path = dir_.file("engine.lua");
    writeFile(path, script);
    state_ = TNLuaState::create(path, nullptr);
    if (!state_)
        return;
    state_->lockState();
    lua_State* L = state_->state();
    lua_register(L, "clearTo", clearTo);
    lua_register(L, "onRenderThread", onRenderThread);
    lua_register(L, "busy", busy);
    lua_register(L, "contexts", contexts);
    state_->unlockState();
}

TestEngine::~TestEngine()
{
    if (state_)
        state_->close();
}

const char* const kLoggingScript = R"(
    frames, log, dts, stopped, inFrame = 0, {}, {}, false, false
    function initEngine() end
    function update(dt)
        inFrame = true
        frames = frames + 1
        dts[#dts + 1] = dt
        if slowFrames then busy(slowFrames) end
        inFrame = false
    end
    function render() end
    function note(what)
        log[#log + 1] = what .. (onRenderThread() and "" or "@other") .. (inFrame and "@inframe" or "")
    end
    function play() note("play#" .. frames); dts = {} end
    function pause() note("pause") end
    function stop() stopped = true; note("stop") end
    function keyDown(k) note("keyDown:" .. k) end
    function keyUp(k) note("keyUp:" .. k) end
    function mouseDown(x, y) note("mouseDown:" .. x .. "," .. y) end
    function mouseUp(x, y) note("mouseUp:" .. x .. "," .. y) end
    function mouseMoved(x, y) note("mouseMoved:" .. x .. "," .. y) end
    devices = {}
    function devices:setScreenSize(w, h) end
    function logText() return table.concat(log, " ") end
    function count(what)
        local n = 0
        for _, line in ipairs(log) do if line == what then n = n + 1 end end
        return n
    end
)";

PlayingView::PlayingView(TestWindow& window, const std::string& script)
    : engine_(script), view_(std::make_unique<TNThreadedGameView>(&window.backing(), window.backing().bounds()))
{
    renderThread.store(view_->threadId());
    view_->setLuaState(engine_.state());
}

PlayingView::~PlayingView()
{
    if (view_->hasThread()) {
        view_->stopWaitUntilDone(true);
        view_->destroyThread();
    }
    view_->setLuaState(nullptr);
}

void PlayingView::pump()
{
    SDL_Event e;
    while (SDL_PollEvent(&e))
        view_->handleEvent(e);
    view_->displayIfNeeded();
}

bool PlayingView::pumpUntil(const std::function<bool()>& done)
{
    return waitUntil([&] { pump(); return done(); }, std::chrono::seconds(5));
}

// Video stays up for the rest of the process once started, with the GL
// driver pinned by one extra load: unloading it (or ending video) leaves
// memory of the driver and the window system's libraries behind. A session
// on another driver or another X display starts video afresh.
VideoSession::VideoSession(const char* driver)
{
    static std::string startedWith;
    const char* display = std::getenv("DISPLAY");
    const std::string wanted = std::string(driver) + "@" + (display ? display : "");
    TNGameView::prepareWindowSystem();
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        if (startedWith == wanted) {
            ok_ = true;
            return;
        }
        SDL_GL_UnloadLibrary();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    bool started = false;
    {
        ScopedEnv chosen("SDL_VIDEODRIVER", driver);
        started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    if (!started) {
        error_ = std::string("SDL_InitSubSystem: ") + SDL_GetError();
        return;
    }
    SDL_GL_LoadLibrary(nullptr);
    startedWith = wanted;
    ok_ = true;
}

}  // namespace tern_test
