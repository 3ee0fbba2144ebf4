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
class ScriptedEngine : public ChunkRunner {
public:
    explicit ScriptedEngine(const std::string& engineSource, const char* savePath = nullptr, int usePool = 0);
    ~ScriptedEngine() { destroy(); }
    ScriptedEngine(const ScriptedEngine&) = delete;
    ScriptedEngine& operator=(const ScriptedEngine&) = delete;

    TN_State* state() const { return S_; }
    int initStatus() const { return initStatus_; }
    // Destroys the state now (the destructor then does nothing).
    void destroy();

private:
    TempDir dir_;
    TN_State* S_;
    int initStatus_;
};

}  // namespace tern_test

#endif
