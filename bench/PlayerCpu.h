// CPU time of whole player runs, for the benchmarks that play a bundle
// through tern-player (and a peer program) and report CPU per frame.
//
// A figure is the process CPU time (user and system, every thread) of a run
// of 1 + kFrames frames less that of a run of 1 frame, over kFrames, so that
// start-up and loading cancel out; the median of kRounds such pairs.
#ifndef TERN_BENCH_PLAYER_CPU_H
#define TERN_BENCH_PLAYER_CPU_H

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace playercpu {

const int kFrames = 300;
const int kRounds = 3;

// An engine script whose scene holds one clear node: the empty frame.
inline const char* const kEmptyEngine = R"lua(
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

// Runs argv with standard output thrown away and standard error sent to
// errorFile (thrown away when empty); its CPU seconds, or a negative number
// when it could not run or exited with a failure.
inline double cpuSecondsOf(const std::vector<std::string>& argv, const std::string& errorFile = std::string())
{
    std::fflush(stdout);  // or the child writes what is buffered once more
    pid_t pid = fork();
    if (pid == 0) {
        const char* errors = errorFile.empty() ? "/dev/null" : errorFile.c_str();
        if (!std::freopen("/dev/null", "w", stdout) || !std::freopen(errors, "w", stderr))
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

// One round's milliseconds of CPU per frame: command(frames) gives the
// argument vector of a run of that many frames. Negative when a run failed.
template <class Command>
double millisecondsPerFrameOnce(Command command)
{
    const double one = cpuSecondsOf(command(1));
    const double many = cpuSecondsOf(command(1 + kFrames));
    if (one < 0.0 || many < 0.0)
        return -1.0;
    return (many - one) * 1000.0 / kFrames;
}

// The middle value; negative when there is none or any is negative (a
// failed run).
inline double median(std::vector<double> values)
{
    if (values.empty() || *std::min_element(values.begin(), values.end()) < 0.0)
        return -1.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median of kRounds rounds; negative when a run failed.
template <class Command>
double millisecondsPerFrame(Command command)
{
    std::vector<double> perFrame;
    for (int round = 0; round < kRounds; ++round)
        perFrame.push_back(millisecondsPerFrameOnce(command));
    return median(perFrame);
}

inline void print(const char* what, double milliseconds)
{
    if (milliseconds < 0.0)
        std::printf("%-44s %10s\n", what, "failed");
    else
        std::printf("%-44s %10.3f\n", what, milliseconds);
    std::fflush(stdout);
}

}  // namespace playercpu

#endif
