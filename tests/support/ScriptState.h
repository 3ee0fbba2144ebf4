// A bare Lua state with the standard libraries and the modules a suite
// asks for, for the suites that test one module without the host.
#ifndef TERN_SCRIPT_STATE_H
#define TERN_SCRIPT_STATE_H

#include <initializer_list>
#include <string>

#include "lua.h"

namespace tern_test {

// Chunks and expressions run in a test's Lua state.
class ChunkRunner {
public:
    lua_State* L() const { return L_; }
    // Runs a chunk; fails the test with the message when it raises an error.
    void run(const std::string& chunk);
    // The chunk's error message, or "" when it ran without one.
    std::string errorOf(const std::string& chunk);
    // Value of an expression as a string ("nil" for nil).
    std::string eval(const std::string& expression);

protected:
    lua_State* L_ = nullptr;
};

class ScriptState : public ChunkRunner {
public:
    // Opens each module with its luaopen_ function (called like require).
    explicit ScriptState(std::initializer_list<lua_CFunction> modules = {});
    ~ScriptState();
    ScriptState(const ScriptState&) = delete;
    ScriptState& operator=(const ScriptState&) = delete;
};

}  // namespace tern_test

#endif
