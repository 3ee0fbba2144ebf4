// Start-up of tern-player: process start to the first game frame (the
// player run with --headless --frames 1, the intro skipped, timed to its
// exit), and the peak resident memory of the demo over 600 frames.
//
// Without a display it measures the offscreen driver; run it under
// xvfb-run to measure a real X window (SDL_VIDEODRIVER=x11).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "log/TNLog.h"

namespace {

struct Result {
    double seconds = 0.0;
    long peakKilobytes = 0;
    int status = -1;
};

Result runPlayer(const std::string& player, const char* frames)
{
    Result result;
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        freopen("/dev/null", "w", stdout);
        execl(player.c_str(), player.c_str(), "--headless", "--fixed-step", "--frames", frames, (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.peakKilobytes = usage.ru_maxrss;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace

int main()
{
    const std::string player = std::string(TERN_BUILD_DIR) + "/tern-player";
    const bool x11 = std::getenv("DISPLAY") != nullptr;
    if (x11)
        setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("XDG_DATA_HOME", "/tmp/tern-player-bench-data", 1);

    std::vector<double> times;
    for (int i = 0; i < 11; ++i) {
        Result r = runPlayer(player, "1");
        if (r.status != 0) {
            TNLog("player_startup_bench: tern-player exited with %d", r.status);
            return 1;
        }
        times.push_back(r.seconds);
    }
    std::sort(times.begin(), times.end());
    Result demo = runPlayer(player, "600");
    std::printf("tern-player start-up to the first frame (%s, demo, intro skipped): median %.0f ms, min %.0f ms\n",
                x11 ? "X11 window" : "offscreen", times[times.size() / 2] * 1000.0, times.front() * 1000.0);
    std::printf("tern-player demo, 600 frames: peak resident memory %.1f MB\n", demo.peakKilobytes / 1024.0);
    return 0;
}
