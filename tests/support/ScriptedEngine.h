// A whole engine state (every module of the host) running a real Lua
// engine script, for the suites that test through the host.
#ifndef TERN_SCRIPTED_ENGINE_H
#define TERN_SCRIPTED_ENGINE_H

#include <string>

#include "ScriptState.h"
#include "TestSupport.h"
#include "host/TNEngine.h"

namespace tern_test {

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
    // The chunk's error message, or "" when it ran without one.
    std::string errorOf(const std::string& chunk);
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
