// Plays the demo bundle for many frames through the engine host with
// scripted input, and compares resident memory after frame 2,000 with the
// end: demo_soak BUNDLE [FRAMES]. Exit status 1 when memory grew by 5 % or
// more; SOAK_TRACE=1 prints memory every 250 frames. Runs headless (SDL's
// offscreen video, OpenAL's null output).
#include <GL/gl.h>
#include <SDL.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "TNEngine.h"
#include "lauxlib.h"
#include "lua.h"

namespace {

long residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Window {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};

bool openWindow(Window& w)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    w.window = SDL_CreateWindow("demo soak", 0, 0, 480, 320, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!w.window)
        return false;
    w.context = SDL_GL_CreateContext(w.window);
    if (!w.context)
        return false;
    SDL_GL_MakeCurrent(w.window, w.context);
    glViewport(0, 0, 480, 320);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_POINT_SPRITE);
    return true;
}

// The input of one frame: the mouse sweeps to and fro, space every 1.5 s
// (start, launch, back to the title after a game over), an arrow now and then.
void scriptedInput(TN_State* S, int frame)
{
    TN_MouseMoved(S, 240 + 200 * std::sin(frame / 45.0f), 100);
    if (frame % 90 == 0)
        TN_KeyDown(S, "space");
    if (frame % 90 == 1)
        TN_KeyUp(S, "space");
    if (frame % 600 == 300)
        TN_KeyDown(S, "left");
    if (frame % 600 == 330)
        TN_KeyUp(S, "left");
    if (frame % 1000 == 500)
        TN_MouseDown(S, 240, 160);
    if (frame % 1000 == 501)
        TN_MouseUp(S, 240, 160);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: demo_soak BUNDLE [FRAMES]\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string resources = std::string(argv[1]) + "/Contents/Resources";
    const int frames = argc > 2 ? std::atoi(argv[2]) : 20000;
    Window w;
    if (!openWindow(w)) {
        std::fprintf(stderr, "demo_soak: no GL context: %s\n", SDL_GetError());
        return 2;
    }
    char saveTemplate[] = "/tmp/tern-soak-XXXXXX";
    const char* saveDir = mkdtemp(saveTemplate);
    const std::string savePath = std::string(saveDir ? saveDir : "/tmp") + "/save.data";

    TN_State* S = TN_NewState(0);
    TN_Init(S, (resources + "/engine64.luo").c_str(), savePath.c_str());
    TN_LoadGame(S, (resources + "/Demo.gameproj").c_str());
    TN_Reset(S);
    TN_SetScreenSize(S, 480, 320);
    TN_Play(S);

    const bool trace = getenv("SOAK_TRACE") != nullptr;  // memory every 250 frames
    long early = 0;
    for (int frame = 1; frame <= frames; ++frame) {
        scriptedInput(S, frame);
        if (trace && frame % 250 == 0)
            std::printf("frame %d: resident %ld KiB, Lua heap %d KiB\n", frame, residentKiB(), lua_gc(S->L, LUA_GCCOUNT, 0));
        TN_Update(S, 1.0f / 60);
        glFinish();  // as the game view does after each frame
        SDL_GL_SwapWindow(w.window);
        if (frame == 2000)
            early = residentKiB();
    }
    const long late = residentKiB();
    luaL_dostring(S->L, "print(string.format('demo_soak: %d scenes started, score %s, high score %s', "
                        "game.scenesStarted or 0, tostring(game.vars.score), tostring(game.vars.highScore)))");
    lua_settop(S->L, 0);
    std::printf("demo_soak: %d frames; resident memory %ld KiB after frame 2000, %ld KiB at the end (%+.2f %%)\n",
                frames, early, late, early ? 100.0 * (late - early) / early : 0.0);
    TN_DestroyState(S);
    std::remove(savePath.c_str());
    if (saveDir)
        rmdir(saveDir);
    SDL_GL_DeleteContext(w.context);
    SDL_DestroyWindow(w.window);
    SDL_Quit();
    return early && late < early * 1.05 ? 0 : 1;
}
