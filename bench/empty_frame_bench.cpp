// CPU per frame of a game that draws nothing but a clear node, played by
// tern-player headless at its paced 60 frames a second, beside LÖVE 11.4's
// paced empty frame (bench/love-empty) in the same run, and the demo's CPU
// per frame. Each figure is the process CPU time (user and system, every
// thread) of a run of 301 frames less that of a run of 1 frame, over 300;
// median of 3 runs.
//
//   empty_frame_bench [--no-peer]
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PlayerCpu.h"

int main(int argc, char** argv)
{
    const bool peer = !(argc > 1 && std::string(argv[1]) == "--no-peer");
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tern-empty-frame-" + std::to_string(getpid()));
    fs::create_directories(dir / "project");
    std::ofstream(dir / "engine.lua") << playercpu::kEmptyEngine;
    const std::string bundle = (dir / "Empty.app").string();
    const std::string player = TERN_BUILD_DIR "/tern-player";
    if (playercpu::cpuSecondsOf({TERN_BUILD_DIR "/tern-bundle", "--name", "Empty", "--engine",
                                 (dir / "engine.lua").string(), "--project", (dir / "project").string(), "-o",
                                 bundle}) < 0.0) {
        std::fprintf(stderr, "empty_frame_bench: tern-bundle could not make the empty game\n");
        fs::remove_all(dir);
        return 1;
    }
    std::printf("CPU ms per frame at 60 frames a second, headless offscreen (%d frames, median of %d)\n",
                playercpu::kFrames, playercpu::kRounds);
    const double empty = playercpu::millisecondsPerFrame([&](int frames) {
        return std::vector<std::string>{player, "--headless", "--frames", std::to_string(frames), bundle};
    });
    playercpu::print("tern-player, a scene of one clear node", empty);
    if (peer) {
        const double love = playercpu::millisecondsPerFrame([](int frames) {
            return std::vector<std::string>{"love", TERN_SOURCE_DIR "/bench/love-empty", std::to_string(frames)};
        });
        playercpu::print("LOVE 11.4, clear and present", love);
        if (empty > 0.0 && love > 0.0)
            std::printf("%-44s %10.2f\n", "ratio (LOVE / tern)", love / empty);
    }
    const double demo = playercpu::millisecondsPerFrame([&](int frames) {
        return std::vector<std::string>{player, "--headless", "--frames", std::to_string(frames)};
    });
    playercpu::print("tern-player, the demo", demo);
    fs::remove_all(dir);
    return 0;
}
