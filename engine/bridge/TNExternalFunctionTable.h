// Functions an embedding application offers the engine script by name,
// reached through callbacks.callExternalFunction(name, ...). Each Lua state
// has its own table; a call converts the script's arguments by the method's
// type codes, sends the message and converts its result back.
//
// A registered method takes the context pointer ("^v") as its first
// argument, then the script's arguments ("@", "i", "I", "d" or "f"), and
// returns an object, a 32-bit integer, a double, a float or nothing.
#ifndef TN_EXTERNAL_FUNCTION_TABLE_H
#define TN_EXTERNAL_FUNCTION_TABLE_H

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "lua.h"
#include "bridge/TNExternalFunctionAction.h"

// The host callback (TNCallbackInfo::callExternalFunction): performs the
// call on the table of L and returns the number of results (0 or 1). An
// exception of the target method passes through; the host's callbacks
// library turns it into a Lua error.
int callExternalFunction(void* context, lua_State* L);

class TNExternalFunctionTable : public TNObject {
public:
    struct NamedSelector {
        const char* name;
        const char* selector;
    };

    // The table of L, made on first use.
    static TNRef<TNExternalFunctionTable> externalFunctionTableForState(lua_State* L);
    static void destroyExternalFunctionTableForState(lua_State* L);

    // Stores the action under name, replacing an earlier one. Refuses (with
    // one printed line, returning false) a target that does not answer the
    // selector or a method that takes no context pointer first.
    bool registerTarget(TNObject* target, void* context, const std::string& selector, const std::string& name);
    // Registers each pair in order, up to the first null name.
    void registerTarget(TNObject* target, void* context, const std::vector<NamedSelector>& actions);

    // Lua argument 1 is the name, the rest the arguments.
    int performCall(lua_State* L);

private:
    TNRef<TNExternalFunctionAction> actionNamed(const std::string& name);

    std::mutex mutex_;
    std::map<std::string, TNRef<TNExternalFunctionAction>> functions_;
};

#endif
