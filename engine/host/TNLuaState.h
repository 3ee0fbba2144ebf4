// The engine host object: owns one TN_State (libraries, engine script, host
// entry points) and is the LuaState of the same interpreter (lock, calls by
// name, the globals proxy). Releasing the last reference ends the engine.
//
// The queries and makeOpenALContextCurrent/freeGLAssets take the lock
// themselves: call them without holding it.
#ifndef TN_LUA_STATE_H
#define TN_LUA_STATE_H

#include <atomic>
#include <string>

#include "host/TNEngine.h"
#include "bridge/LuaState.h"

class LuaObject;

struct TNDisplaySize {
    double width;
    double height;
};

class TNLuaState : public LuaState {
public:
    // Runs the engine script and its initEngine (errors are printed, not
    // fatal). A null savePath opens no saved-values store. Null on failure.
    static TNRef<TNLuaState> create(const std::string& enginePath, const char* savePath);
    ~TNLuaState() override;

    // Null after close.
    TN_State* S() const { return S_.load(); }
    // The proxy of the script global "game".
    TNRef<LuaObject> game();
    TNDisplaySize intendedDisplaySize();
    bool resolutionIndependence();
    int targetDisplayResolution();

    void makeOpenALContextCurrent();
    // Calls sharedAssetManager:unloadAllImages(), ignoring errors.
    void freeGLAssets();
    // Calls the script's shutdownEngine and closes the interpreter; a second
    // call does nothing.
    void close() override;

private:
    TNLuaState() = default;
    bool initWithEnginePath(const std::string& enginePath, const char* savePath);

    std::atomic<TN_State*> S_{nullptr};
};

#endif
