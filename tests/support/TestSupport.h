// Helpers shared by the test suites: temporary folders, files, and engine
// states running real Lua scripts.
#ifndef TERN_TEST_SUPPORT_H
#define TERN_TEST_SUPPORT_H

#include <string>

#include "host/TNEngine.h"

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

// A TN_State initialised with the given engine script source.
class ScriptedEngine {
public:
    explicit ScriptedEngine(const std::string& engineSource, const char* savePath = nullptr, int usePool = 0);
    ~ScriptedEngine();
    ScriptedEngine(const ScriptedEngine&) = delete;
    ScriptedEngine& operator=(const ScriptedEngine&) = delete;

    TN_State* state() const { return S_; }
    lua_State* L() const { return S_->L; }
    int initStatus() const { return initStatus_; }

    // Runs a chunk; fails the test with the message when it raises an error.
    void run(const std::string& chunk);
    // Value of a global expression as a string ("nil" for nil).
    std::string eval(const std::string& expression);
    // Destroys the state now (the destructor then does nothing).
    void destroy();

private:
    TempDir dir_;
    TN_State* S_;
    int initStatus_;
};

}  // namespace tern_test

#endif
