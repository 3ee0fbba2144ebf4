#include "XServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "TestSupport.h"

extern char** environ;

namespace tern_test {

namespace {

// Reads the display number Xvfb writes to the pipe once it is ready.
std::string readDisplayNumber(int fd)
{
    std::string number;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0)
            return "";
        char c;
        if (read(fd, &c, 1) != 1)
            return "";
        if (c == '\n')
            return number;
        number += c;
    }
}

void stopProcess(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

// The servers and window managers running now. Xlib ends the process with
// exit() when it loses its connection; they are stopped then too rather
// than left running without their test.
std::vector<pid_t>& runningChildren()
{
    static std::vector<pid_t> children;
    return children;
}

void stopRunningChildren()
{
    for (pid_t pid : runningChildren())
        kill(pid, SIGTERM);
}

void track(pid_t pid)
{
    // The list first, so that it is still there when the exit hook runs.
    runningChildren();
    static const bool registered = std::atexit(stopRunningChildren) == 0;
    (void)registered;
    if (pid > 0)
        runningChildren().push_back(pid);
}

void stopTracked(pid_t pid)
{
    std::vector<pid_t>& children = runningChildren();
    children.erase(std::remove(children.begin(), children.end(), pid), children.end());
    stopProcess(pid);
}

// Starts argv with its errors (and, unless it keeps the pipe end closeFd
// for itself, its output) going to /dev/null; -1 when it cannot start.
pid_t spawn(const char* const argv[], int closeFd = -1)
{
    pid_t pid = -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (closeFd >= 0)
        posix_spawn_file_actions_addclose(&actions, closeFd);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

}  // namespace

XServer::XServer(bool withWindowManager)
{
    int fds[2];
    if (pipe(fds) != 0) {
        error_ = "pipe failed";
        return;
    }
    const std::string fdText = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                          nullptr};
    // The write end stays open in the child, which writes its display there.
    const pid_t pid = spawn(argv, fds[0]);
    close(fds[1]);
    if (pid <= 0) {
        close(fds[0]);
        error_ = "Xvfb could not be started (is the xvfb package installed?)";
        return;
    }
    const std::string number = readDisplayNumber(fds[0]);
    close(fds[0]);
    if (number.empty()) {
        stopProcess(pid);
        error_ = "Xvfb did not report a display";
        return;
    }
    xvfb_ = pid;
    track(pid);
    display_ = ":" + number;
    const char* previous = std::getenv("DISPLAY");
    hadDisplay_ = previous != nullptr;
    previousDisplay_ = previous ? previous : "";
    setenv("DISPLAY", display_.c_str(), 1);
    if (withWindowManager) {
        const char* wm[] = {"openbox", nullptr};
        windowManager_ = spawn(wm);
        track(windowManager_);
        // Until it has taken the screen over (it names itself on the root
        // window then).
        waitUntil([] { return runCommand("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null").out.find("window id") !=
                              std::string::npos; },
                  std::chrono::seconds(10), std::chrono::milliseconds(100));
    }
}

XServer::~XServer()
{
    stopTracked(windowManager_);
    stopTracked(xvfb_);
    if (hadDisplay_)
        setenv("DISPLAY", previousDisplay_.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

bool XServer::xdotool(const std::string& arguments) const
{
    std::vector<std::string> words{"xdotool"};
    std::istringstream in(arguments);
    for (std::string word; in >> word;)
        words.push_back(word);
    std::vector<const char*> argv;
    for (const std::string& w : words)
        argv.push_back(w.c_str());
    argv.push_back(nullptr);
    const pid_t pid = spawn(argv.data());
    if (pid <= 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tern_test
