#include "bundle/TNProgram.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string describeStatus(const std::string& program, int status)
{
    if (WIFEXITED(status))
        return program + " failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
    if (WIFSIGNALED(status))
        return program + " was ended by signal " + std::to_string(WTERMSIG(status));
    return program + " failed";
}

// In the child: standard output to the pipe or /dev/null, then exec. Only
// async-signal-safe calls here.
[[noreturn]] void execChild(char* const* argv, int outputFd)
{
    int target = outputFd >= 0 ? outputFd : open("/dev/null", O_WRONLY);
    if (target >= 0)
        dup2(target, STDOUT_FILENO);
    execvp(argv[0], argv);
    _exit(127);
}

} // namespace

bool TNRunProgram(const std::vector<std::string>& arguments, std::string* output, std::string& error)
{
    if (arguments.empty()) {
        error = "no program to run";
        return false;
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int fds[2] = {-1, -1};
    if (output && pipe2(fds, O_CLOEXEC) != 0) {
        error = "could not run " + arguments[0] + ": " + std::strerror(errno);
        return false;
    }
    pid_t child = fork();
    if (child == 0)
        execChild(argv.data(), fds[1]);
    if (fds[1] >= 0)
        close(fds[1]);
    if (child < 0) {
        error = "could not run " + arguments[0] + ": " + std::strerror(errno);
        if (fds[0] >= 0)
            close(fds[0]);
        return false;
    }
    if (output) {
        output->clear();
        char buffer[4096];
        ssize_t n;
        while ((n = read(fds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
            if (n > 0)
                output->append(buffer, size_t(n));
        close(fds[0]);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
        error = "could not run " + arguments[0] + " (is it installed?)";
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = describeStatus(arguments[0], status);
        return false;
    }
    return true;
}

bool TNProgramExists(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && access((folder + "/" + name).c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}
