// CPU per frame of a game that draws nothing but a clear node, played by
// tern-player headless at its paced 60 frames a second, beside LÖVE 11.4's
// paced empty frame (bench/love-empty) in the same run, and the demo's CPU
// per frame. Each figure is the process CPU time (user and system, every
// thread) of a run of 301 frames less that of a run of 1 frame, over 300;
// median of 3 runs.
//
//   empty_frame_bench [--no-peer]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <filesystem>

namespace {

const char* const kEmptyEngine = R"lua(
game = { attributes = { displaySize = { width = { _value = 480 }, height = { _value = 320 } } } }
devices = {}
function devices:setScreenSize(w, h) end
Project = {}
function Project:new() return setmetatable({}, { __index = Project }) end
function initEngine() end
function reset() end
function play() end
function pause() end
function stop() end
function render() end
function Project:load(path)
    scene = scenegraph.scene.new()
    scene:defaultSpace():createNode(scenegraph.clearNode)
end
function update(dt) scene:render() end
)lua";

// Runs argv with output thrown away; its CPU seconds, or a negative number
// when it failed.
double cpuSecondsOf(const std::vector<std::string>& argv)
{
    std::fflush(stdout);  // or the child writes what is buffered once more
    pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr))
            _exit(126);
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1.0;
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

const int kFrames = 300;
const int kRounds = 3;

// Milliseconds of CPU per frame: command(frames) run for 1 and 1 + kFrames frames.
template <class Command>
double millisecondsPerFrame(Command command)
{
    std::vector<double> perFrame;
    for (int round = 0; round < kRounds; ++round) {
        const double one = cpuSecondsOf(command(1));
        const double many = cpuSecondsOf(command(1 + kFrames));
        if (one < 0.0 || many < 0.0)
            return -1.0;
        perFrame.push_back((many - one) * 1000.0 / kFrames);
    }
    std::sort(perFrame.begin(), perFrame.end());
    return perFrame[perFrame.size() / 2];
}

void print(const char* what, double milliseconds)
{
    if (milliseconds < 0.0)
        std::printf("%-44s %10s\n", what, "failed");
    else
        std::printf("%-44s %10.3f\n", what, milliseconds);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool peer = !(argc > 1 && std::string(argv[1]) == "--no-peer");
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tern-empty-frame-" + std::to_string(getpid()));
    fs::create_directories(dir / "project");
    std::ofstream(dir / "engine.lua") << kEmptyEngine;
    const std::string bundle = (dir / "Empty.app").string();
    const std::string player = TERN_BUILD_DIR "/tern-player";
    if (cpuSecondsOf({TERN_BUILD_DIR "/tern-bundle", "--name", "Empty", "--engine", (dir / "engine.lua").string(),
                      "--project", (dir / "project").string(), "-o", bundle}) < 0.0) {
        std::fprintf(stderr, "empty_frame_bench: tern-bundle could not make the empty game\n");
        fs::remove_all(dir);
        return 1;
    }
    std::printf("CPU ms per frame at 60 frames a second, headless offscreen (%d frames, median of %d)\n", kFrames,
                kRounds);
    const double empty = millisecondsPerFrame([&](int frames) {
        return std::vector<std::string>{player, "--headless", "--frames", std::to_string(frames), bundle};
    });
    print("tern-player, a scene of one clear node", empty);
    if (peer) {
        const double love = millisecondsPerFrame([](int frames) {
            return std::vector<std::string>{"love", TERN_SOURCE_DIR "/bench/love-empty", std::to_string(frames)};
        });
        print("LOVE 11.4, clear and present", love);
        if (empty > 0.0 && love > 0.0)
            std::printf("%-44s %10.2f\n", "ratio (LOVE / tern)", love / empty);
    }
    const double demo = millisecondsPerFrame([&](int frames) {
        return std::vector<std::string>{player, "--headless", "--frames", std::to_string(frames)};
    });
    print("tern-player, the demo", demo);
    fs::remove_all(dir);
    return 0;
}
