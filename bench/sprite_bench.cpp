// Frames per second and microseconds per sprite for N moving textured
// sprites drawn through SDL's offscreen driver, next to the same scene drawn
// by LÖVE 11.4 (bench/love-sprites) under the same driver in the same run.
//
//   sprite_bench [--no-peer] [N ...]      default: 1000 10000
//
// Each engine runs the scene three times, alternating, and the median run of
// each is reported (the machine may be shared).
// Each sprite is a 16 × 16 texture on its own circle; every frame its x and
// y ports are set (so it re-reads its ports), the scene renders, the buffers
// swap. The clock stops after a pixel read-back, so queued GPU work counts.
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "scenegraph/SGOrtho2DSpace.h"
#include "scenegraph/SGScene.h"
#include "scenegraph/nodes/SGSpriteNode.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kSize = 16;
constexpr int kWarmUpFrames = 5;
constexpr int kRounds = 3;

struct Result {
    int sprites;
    int frames;
    double seconds;
    double fps() const { return frames / seconds; }
    double microsecondsPerSprite() const { return seconds * 1e6 / (static_cast<double>(frames) * sprites); }
};

// Enough frames for about the same amount of drawing at every N.
int framesFor(int sprites)
{
    return sprites >= 10000 ? 20 : 100;
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

// The same motion as the LÖVE scene (sprite i counts from 1 there).
void position(int i, int frame, float& x, float& y)
{
    const float cx = static_cast<float>((i * 37) % (kWidth - 40) + 20);
    const float cy = static_cast<float>((i * 53) % (kHeight - 40) + 20);
    const float phase = i * 0.1f + frame * 0.05f;
    x = cx + 15.0f * std::cos(phase);
    y = cy + 15.0f * std::sin(phase);
}

void finishDrawing()
{
    unsigned char pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
}

Result runOurs(Context& context, int sprites, int frames)
{
    SGScene scene(nullptr, nullptr);
    auto* space = static_cast<SGOrtho2DSpace*>(scene.createSpace(SGOrtho2DSpaceClass));
    space->width.setValue(kWidth);
    space->height.setValue(kHeight);
    space->near.setValue(-1.0f);
    space->far.setValue(1.0f);
    const SGImage image = makeImage();
    std::vector<SGSpriteNode*> nodes;
    for (int i = 1; i <= sprites; ++i) {
        auto* sprite = static_cast<SGSpriteNode*>(space->createNode(SGSpriteNodeClass));
        sprite->imagePort.setValue(image);
        sprite->widthPort.setValue(kSize);
        sprite->heightPort.setValue(kSize);
        nodes.push_back(sprite);
    }
    auto frame = [&](int f) {
        for (int i = 1; i <= sprites; ++i) {
            float x, y;
            position(i, f, x, y);
            nodes[i - 1]->xPort.setValue(x);
            nodes[i - 1]->yPort.setValue(y);
        }
        SDL_PumpEvents();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        scene.render();
        SDL_GL_SwapWindow(context.window);
    };
    for (int f = 1; f <= kWarmUpFrames; ++f)
        frame(f);
    finishDrawing();
    const auto start = std::chrono::steady_clock::now();
    for (int f = 1; f <= frames; ++f)
        frame(f);
    finishDrawing();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    SGImage owned = image;
    owned.freeImage();
    return Result{sprites, frames, elapsed.count()};
}

// Runs LÖVE on the peer scene; false when it is missing or fails.
bool runLove(int sprites, int frames, Result& result)
{
    const std::string command = "SDL_VIDEODRIVER=offscreen love '" TERN_SOURCE_DIR "/bench/love-sprites' " +
                                std::to_string(sprites) + " " + std::to_string(frames) + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return false;
    char line[256] = {0};
    bool found = false;
    while (std::fgets(line, sizeof line, pipe)) {
        int n = 0, f = 0;
        double seconds = 0.0;
        if (std::sscanf(line, "love-sprites %d %d %lf", &n, &f, &seconds) == 3) {
            result = Result{n, f, seconds};
            found = true;
        }
    }
    pclose(pipe);
    return found;
}

}  // namespace

// The run with the median time; runs must not be empty.
Result median(std::vector<Result> runs)
{
    std::sort(runs.begin(), runs.end(), [](const Result& a, const Result& b) { return a.seconds < b.seconds; });
    return runs[runs.size() / 2];
}

int main(int argc, char** argv)
{
    bool peer = true;
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-peer")
            peer = false;
        else
            counts.push_back(std::atoi(argv[i]));
    }
    if (counts.empty())
        counts = {1000, 10000};

    Context context;
    if (!openContext(context)) {
        closeContext(context);
        return 1;
    }
    std::printf("%-8s %-7s %10s %15s %10s %15s %10s\n", "sprites", "frames", "tern fps", "tern us/sprite",
                "love fps", "love us/sprite", "tern/love");
    for (int n : counts) {
        std::vector<Result> ours;
        std::vector<Result> theirs;
        for (int round = 0; round < kRounds; ++round) {
            ours.push_back(runOurs(context, n, framesFor(n)));
            Result r{};
            if (peer && runLove(n, framesFor(n), r))
                theirs.push_back(r);
        }
        const Result a = median(ours);
        if (theirs.empty()) {
            std::printf("%-8d %-7d %10.1f %15.3f %10s %15s %10s\n", n, a.frames, a.fps(), a.microsecondsPerSprite(),
                        "-", "-", "-");
            continue;
        }
        const Result b = median(theirs);
        std::printf("%-8d %-7d %10.1f %15.3f %10.1f %15.3f %10.2f\n", n, a.frames, a.fps(), a.microsecondsPerSprite(),
                    b.fps(), b.microsecondsPerSprite(), a.fps() / b.fps());
    }
    closeContext(context);
    return 0;
}
