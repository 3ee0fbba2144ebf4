// Frames per second for N moving textured sprites drawn through SDL's
// offscreen driver, side by side with the same scene drawn by LÖVE 11.4
// (bench/love-sprites) under the same driver, runs alternating in one
// session; and the CPU time per moving sprite with drawing cut to a 1 × 1
// scissor, so that pixel fill no longer counts.
//
//   sprite_bench [--no-peer] [N ...]   default: 1000 10000 20000
//   sprite_bench --profile N  only ours, batched, scissored, 100 frames (to
//                             run under perf), with the calling thread's CPU
//                             split between the script and the render
//
// Beside the CPU per sprite it prints the script's floor: the same loop on
// our interpreter with each sprite a plain table whose x and y are plain
// tables, and setValue a C function that does nothing. No port write keeping
// the script's form sprite.x:setValue(v, true) can cost less on Lua 5.1.
//
// Each sprite is a 32 × 32 texture on its own circle. Every frame a Lua
// function sets each sprite's x and y through port objects
// (sprite.x:setValue(v, true)), the scene renders, the buffers swap; LÖVE's
// scene computes the same positions in Lua and draws each sprite. The clock
// stops after a pixel read-back, so queued GPU work counts. Ours is measured
// on the batched path and on the immediate one (TERN_IMMEDIATE_DRAWING).
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "host/TNEngine.h"
#include "lauxlib.h"
#include "lualib.h"
#include "lua.h"
#include "scenegraph/SGOrtho2DSpace.h"
#include "scenegraph/SGScene.h"
#include "scenegraph/nodes/SGSpriteNode.h"
#include "scenegraph/drawing/SGQuadBatch.h"
#include "scenegraph/wrap_SceneGraph.h"

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 320;
constexpr int kSize = 32;
constexpr int kWarmUpFrames = 5;
constexpr int kRounds = 3;  // runs per engine and N; the median counts

struct Result {
    int sprites;
    int frames;
    double seconds;
    double cpuSeconds;  // of the whole process, every thread
    double scriptSeconds = 0.0;   // this thread's CPU in the script's update
    double drawingSeconds = 0.0;  // this thread's CPU in the scene's render
    double fps() const { return frames / seconds; }
    // CPU time rather than wall time: the machine may be shared.
    double microsecondsPerSprite() const { return cpuSeconds * 1e6 / (static_cast<double>(frames) * sprites); }
};

// Enough frames for about the same amount of drawing at every N.
int framesFor(int sprites)
{
    return sprites >= 20000 ? 10 : sprites >= 10000 ? 20 : 100;
}

struct Context {
    SDL_Window* window = nullptr;
    SDL_GLContext gl = nullptr;
};

bool openContext(Context& context)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "sprite_bench: SDL_Init: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    context.window = SDL_CreateWindow("sprite bench", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kWidth,
                                      kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (context.window)
        context.gl = SDL_GL_CreateContext(context.window);
    if (!context.gl) {
        std::fprintf(stderr, "sprite_bench: no GL context: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_SetSwapInterval(0);
    glViewport(0, 0, kWidth, kHeight);
    // The state the game view sets up.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_RECTANGLE_ARB);
    return true;
}

void closeContext(Context& context)
{
    if (context.gl)
        SDL_GL_DeleteContext(context.gl);
    if (context.window)
        SDL_DestroyWindow(context.window);
    SDL_Quit();
}

SGImage makeImage()
{
    std::vector<uint8_t> texels(kSize * kSize * 4);
    for (int v = 0; v < kSize; ++v) {
        for (int u = 0; u < kSize; ++u) {
            uint8_t* t = &texels[(v * kSize + u) * 4];
            t[0] = static_cast<uint8_t>(u * 255 / kSize);
            t[1] = static_cast<uint8_t>(v * 255 / kSize);
            t[2] = 204;
            t[3] = 255;
        }
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, kSize, kSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    SGImage image = SGImageNull;
    image.texture = texture;
    image.width = image.height = kSize;
    image.floatWidth = image.floatHeight = kSize;
    image.premultipliedAlpha = 1;
    return image;
}

// The same motion as the LÖVE scene: sprite i on its own circle.
const char* const kScript = R"lua(
local WIDTH, HEIGHT = 480, 320
local cos, sin = math.cos, math.sin
function moveSprites(f)
    for i = 1, #sprites do
        local sprite = sprites[i]
        local cx = (i * 37) % (WIDTH - 40) + 20
        local cy = (i * 53) % (HEIGHT - 40) + 20
        local phase = i * 0.1 + f * 0.05
        sprite.x:setValue(cx + 15 * cos(phase), true)
        sprite.y:setValue(cy + 15 * sin(phase), true)
    end
end
)lua";

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void finishDrawing()
{
    unsigned char pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
}

Result runOurs(Context& context, int sprites, int frames, bool batched, bool scissor)
{
    SGQuadBatch::setEnabled(batched);
    TN_State* S = TN_NewState(0);
    TN_LoadLibs(S->L);
    if (luaL_dostring(S->L, kScript) != 0) {
        std::fprintf(stderr, "sprite_bench: %s\n", lua_tostring(S->L, -1));
        TN_DestroyState(S);
        return Result{sprites, 0, 1.0, 1.0};
    }
    SGScene scene(nullptr, nullptr);
    auto* space = static_cast<SGOrtho2DSpace*>(scene.createSpace(SGOrtho2DSpaceClass));
    space->width.setValue(kWidth);
    space->height.setValue(kHeight);
    space->near.setValue(-1.0f);
    space->far.setValue(1.0f);
    const SGImage image = makeImage();
    lua_createtable(S->L, sprites, 0);
    for (int i = 1; i <= sprites; ++i) {
        auto* sprite = static_cast<SGSpriteNode*>(space->createNode(SGSpriteNodeClass));
        sprite->imagePort.setValue(image);
        sprite->widthPort.setValue(kSize);
        sprite->heightPort.setValue(kSize);
        pushNode(S->L, sprite);
        lua_rawseti(S->L, -2, i);
    }
    lua_setfield(S->L, LUA_GLOBALSINDEX, "sprites");
    glScissor(0, 0, 1, 1);
    double scriptSeconds = 0.0, drawingSeconds = 0.0;
    auto frame = [&](int f) {
        const double scriptStart = threadCpuSeconds();
        lua_getfield(S->L, LUA_GLOBALSINDEX, "moveSprites");
        lua_pushnumber(S->L, static_cast<lua_Number>(f));
        if (lua_pcall(S->L, 1, 0, 0) != 0) {
            std::fprintf(stderr, "sprite_bench: %s\n", lua_tostring(S->L, -1));
            lua_pop(S->L, 1);
        }
        const double drawingStart = threadCpuSeconds();
        scriptSeconds += drawingStart - scriptStart;
        SDL_PumpEvents();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        if (scissor)
            glEnable(GL_SCISSOR_TEST);
        scene.render();
        drawingSeconds += threadCpuSeconds() - drawingStart;
        glDisable(GL_SCISSOR_TEST);
        SDL_GL_SwapWindow(context.window);
    };
    for (int f = 1; f <= kWarmUpFrames; ++f)
        frame(f);
    finishDrawing();
    scriptSeconds = drawingSeconds = 0.0;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    for (int f = 1; f <= frames; ++f)
        frame(f);
    finishDrawing();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    lua_pushnil(S->L);
    lua_setfield(S->L, LUA_GLOBALSINDEX, "sprites");
    TN_DestroyState(S);
    SGImage owned = image;
    owned.freeImage();
    SGQuadBatch::setEnabled(true);
    return Result{sprites, frames, elapsed.count(), cpuSeconds, scriptSeconds, drawingSeconds};
}

int doNothing(lua_State*)
{
    return 0;
}

// This thread's CPU µs per sprite of kScript's loop over plain tables with a
// do-nothing setValue, over 100 frames.
double scriptFloorMicroseconds(int sprites)
{
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    luaL_dostring(L, kScript);
    lua_createtable(L, 0, 1);  // the ports' metatable
    lua_createtable(L, 0, 1);
    lua_pushcfunction(L, doNothing);
    lua_setfield(L, -2, "setValue");
    lua_setfield(L, -2, "__index");
    const int portMetatable = lua_gettop(L);
    lua_createtable(L, sprites, 0);
    for (int i = 1; i <= sprites; ++i) {
        lua_createtable(L, 0, 2);
        for (const char* port : {"x", "y"}) {
            lua_createtable(L, 0, 0);
            lua_pushvalue(L, portMetatable);
            lua_setmetatable(L, -2);
            lua_setfield(L, -2, port);
        }
        lua_rawseti(L, -2, i);
    }
    lua_setfield(L, LUA_GLOBALSINDEX, "sprites");
    constexpr int kFrames = 100;
    const double start = threadCpuSeconds();
    for (int f = 1; f <= kFrames; ++f) {
        lua_getfield(L, LUA_GLOBALSINDEX, "moveSprites");
        lua_pushnumber(L, static_cast<lua_Number>(f));
        lua_call(L, 1, 0);
    }
    const double seconds = threadCpuSeconds() - start;
    lua_close(L);
    return seconds * 1e6 / (static_cast<double>(kFrames) * sprites);
}

// Runs LÖVE on the peer scene; false when it is missing or fails.
bool runLove(int sprites, int frames, bool scissor, Result& result)
{
    const std::string command = "SDL_VIDEODRIVER=offscreen love '" TERN_SOURCE_DIR "/bench/love-sprites' " +
                                std::to_string(sprites) + " " + std::to_string(frames) +
                                (scissor ? " scissor" : "") + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return false;
    char line[256] = {0};
    bool found = false;
    while (std::fgets(line, sizeof line, pipe)) {
        int n = 0, f = 0;
        double seconds = 0.0, cpuSeconds = 0.0;
        if (std::sscanf(line, "love-sprites %d %d %lf %lf", &n, &f, &seconds, &cpuSeconds) == 4) {
            result = Result{n, f, seconds, cpuSeconds};
            found = true;
        }
    }
    pclose(pipe);
    return found;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Median frames per second (or µs per sprite) of kRounds alternating runs.
struct Row {
    double batched = 0.0;
    double immediate = 0.0;
    double love = 0.0;
    bool haveLove = false;
};

bool peer = true;  // --no-peer leaves LÖVE out

Row measure(Context& context, int n, bool scissor)
{
    std::vector<double> batched, immediate, love;
    const int frames = framesFor(n);
    for (int round = 0; round < kRounds; ++round) {
        const Result b = runOurs(context, n, frames, true, scissor);
        const Result i = runOurs(context, n, frames, false, scissor);
        batched.push_back(scissor ? b.microsecondsPerSprite() : b.fps());
        immediate.push_back(scissor ? i.microsecondsPerSprite() : i.fps());
        Result theirs{};
        if (peer && runLove(n, frames, scissor, theirs))
            love.push_back(scissor ? theirs.microsecondsPerSprite() : theirs.fps());
    }
    Row row;
    row.batched = median(batched);
    row.immediate = median(immediate);
    row.haveLove = !love.empty();
    row.love = median(love);
    return row;
}

void printRow(int n, const Row& row, bool scissor)
{
    // For frames per second higher is better; for µs per sprite lower is.
    const double ratio = !row.haveLove ? 0.0 : scissor ? row.love / row.batched : row.batched / row.love;
    if (row.haveLove)
        std::printf("%-8d %12.2f %12.2f %12.2f %10.2f\n", n, row.batched, row.immediate, row.love, ratio);
    else
        std::printf("%-8d %12.2f %12.2f %12s %10s\n", n, row.batched, row.immediate, "-", "-");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--profile") {
        Context context;
        if (!openContext(context))
            return 1;
        const Result r = runOurs(context, std::atoi(argv[2]), 100, true, true);
        const double perSprite = 1e6 / (static_cast<double>(r.frames) * r.sprites);
        std::printf("%.3f us per sprite (script %.3f, scene render %.3f on the calling thread; script floor %.3f)\n",
                    r.microsecondsPerSprite(), r.scriptSeconds * perSprite, r.drawingSeconds * perSprite,
                    scriptFloorMicroseconds(r.sprites));
        closeContext(context);
        return 0;
    }
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-peer")
            peer = false;
        else
            counts.push_back(std::atoi(argv[i]));
    }
    if (counts.empty())
        counts = {1000, 10000, 20000};

    Context context;
    if (!openContext(context)) {
        closeContext(context);
        return 1;
    }
    std::printf("%dx%d, %dx%d sprites, median of %d alternating runs\n", kWidth, kHeight, kSize, kSize, kRounds);
    std::printf("frames per second        (ratio: tern batched / love)\n");
    std::printf("%-8s %12s %12s %12s %10s\n", "sprites", "tern", "immediate", "love", "ratio");
    for (int n : counts)
        printRow(n, measure(context, n, false), false);
    std::printf("CPU us (process time) per moving sprite, 1x1 scissor  (ratio: love / tern batched)\n");
    std::printf("%-8s %12s %12s %12s %10s\n", "sprites", "tern", "immediate", "love", "ratio");
    for (int n : counts)
        printRow(n, measure(context, n, true), true);
    std::printf("the script's floor (the loop, plain tables, a do-nothing C setValue), us per sprite\n");
    for (int n : counts)
        std::printf("%-8d %12.2f\n", n, scriptFloorMicroseconds(n));
    closeContext(context);
    return 0;
}
