// CPU per frame of a game that draws nothing but a clear node, played by
// tern-player headless at its paced 60 frames a second, beside LÖVE 11.4's
// paced empty frame (bench/love-empty) in the same run, and the demo's CPU
// per frame. Each figure is the process CPU time (user and system, every
// thread) of a run of 301 frames less that of a run of 1 frame, over 300.
// The two empty frames are measured in alternate rounds, so that a machine
// whose speed drifts slows both alike: each figure is the median of its
// rounds, the ratio the median of the rounds' own ratios.
//
//   empty_frame_bench [--no-peer] [--rounds N]     (7 rounds unless told)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PlayerCpu.h"

namespace {

struct Options {
    bool peer = true;
    int rounds = 7;
};

Options readOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--no-peer")
            options.peer = false;
        else if (arg == "--rounds" && i + 1 < argc)
            options.rounds = std::max(1, std::atoi(argv[++i]));
    }
    return options;
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = readOptions(argc, argv);
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
                playercpu::kFrames, options.rounds);
    const auto emptyGame = [&](int frames) {
        return std::vector<std::string>{player, "--headless", "--frames", std::to_string(frames), bundle};
    };
    const auto loveEmpty = [](int frames) {
        return std::vector<std::string>{"love", TERN_SOURCE_DIR "/bench/love-empty", std::to_string(frames)};
    };
    std::vector<double> empty, love, ratios;
    for (int round = 0; round < options.rounds; ++round) {
        empty.push_back(playercpu::millisecondsPerFrameOnce(emptyGame));
        if (!options.peer)
            continue;
        love.push_back(playercpu::millisecondsPerFrameOnce(loveEmpty));
        ratios.push_back(empty.back() > 0.0 && love.back() > 0.0 ? love.back() / empty.back() : -1.0);
    }
    playercpu::print("tern-player, a scene of one clear node", playercpu::median(empty));
    if (options.peer) {
        playercpu::print("LOVE 11.4, clear and present", playercpu::median(love));
        if (playercpu::median(ratios) > 0.0)
            std::printf("%-44s %10.2f\n", "ratio (LOVE / tern), median of rounds", playercpu::median(ratios));
    }
    const double demo = playercpu::millisecondsPerFrame([&](int frames) {
        return std::vector<std::string>{player, "--headless", "--frames", std::to_string(frames)};
    });
    playercpu::print("tern-player, the demo", demo);
    fs::remove_all(dir);
    return 0;
}
