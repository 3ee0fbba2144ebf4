// Helpers shared by the test suites: temporary folders, files and commands.
// They link no part of the engine.
#ifndef TERN_TEST_SUPPORT_H
#define TERN_TEST_SUPPORT_H

#include <chrono>
#include <functional>
#include <string>

namespace tern_test {

// A fresh directory under /tmp, removed with its contents on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Sets an environment variable (or, given null, unsets it) for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::string old_;
    bool hadOld_ = false;
};

void writeFile(const std::string& path, const std::string& contents);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

// A shell command's exit status (-1 when it did not end normally) and
// standard output; add "2>&1" to the command to capture its errors too.
struct CommandResult {
    int status = -1;
    std::string out;
};
CommandResult runCommand(const std::string& command);

// Checks condition every pause until it holds (true) or limit has passed
// (false). A condition may do work of its own between checks, such as
// pumping a window's events.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit,
               std::chrono::milliseconds pause = std::chrono::milliseconds(2));

}  // namespace tern_test

#endif
