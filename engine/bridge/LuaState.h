// The host-side owner of one Lua state: a non-recursive lock that serialises
// every use of the interpreter, calls into the script by name with arrays of
// objects, value conversion both ways, registry references, and script
// errors surfaced as LuaErrorException with a stack trace.
//
// Locking: the call methods (callFunction, callMethod, doFile, doString,
// evaluateExpression, syntaxCheck, collectGarbage, instanceOfClass) take the
// lock themselves; the stack operations and callMethodWithArgs/doFunctionCall
// expect the caller to hold it.
#ifndef LUA_STATE_H
#define LUA_STATE_H

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "lua.h"
#include "bridge/runtime/TNObject.h"

class LuaObject;
class TNString;

// Message handler of every protected call made here: logs the error and a
// stack trace and replaces the error value by a LuaErrorException (held as a
// light userdata) for tn_pcall to raise.
int luaErrorHandler(lua_State* L);
// Panic function: an error outside any protected call raises a
// LuaErrorException without a trace instead of ending the process.
int luaPanicHandler(lua_State* L);
// lua_pcall that raises LuaErrorException on failure; returns 0 otherwise.
int tn_pcall(lua_State* L, int nargs, int nresults, int errfunc);

class LuaState : public TNObject {
public:
    static TNRef<LuaState> createWithNewState();
    // Takes ownership of L; null when initialisation fails.
    static TNRef<LuaState> createWithState(lua_State* L);
    ~LuaState() override;

    lua_State* state() const { return L_.load(); }
    // The proxy of the globals table, made on first use (takes the lock).
    TNRef<LuaObject> globalObject();
    // Releases the globals proxy and closes the interpreter; calls made
    // afterwards find no state and return empty results.
    virtual void close();

    void lockState();
    void unlockState();
    // Takes the lock only when it is free; the caller must not hold it.
    bool tryLockState();
    bool lockHeldByCurrentThread() const { return lockOwner_.load() == std::this_thread::get_id(); }

    int totalMemoryAllocated() const;
    void collectGarbage();

    // Calls by name; each returns an array with the first result (empty when
    // that result has no host form).
    TNObjectList callFunction(const std::string& name, const TNObjectList& args = {});
    TNObjectList callMethod(const std::string& method, const std::string& objectName, const TNObjectList& args = {});
    TNRef<TNObject> callSimpleFunction(const std::string& name, const TNObjectList& args = {});
    TNRef<TNObject> callSimpleMethod(const std::string& method, const std::string& objectName,
                                     const TNObjectList& args = {});
    // Calls method of the table on top of the stack with exactly args; the
    // caller holds the lock. On exit the stack is cut below the table.
    TNObjectList callMethodWithArgs(const std::string& method, const TNObjectList& args);
    // Calls the function standing below nargs arguments, leaving one result.
    void doFunctionCall(int nargs);
    // A string result, null for nil or no result, "Result not a string!" else.
    TNRef<TNString> doFile(const std::string& path);
    void doString(const std::string& text);
    std::string evaluateExpression(const std::string& expression);
    bool syntaxCheck(const std::string& text);
    TNRef<TNObject> instanceOfClass(const std::string& name);
    TNRef<TNObject> instanceOfPrototype(LuaObject* prototype);

    // Stack operations; the caller holds the lock.
    int getTop();
    void setTop(int top);
    int luaType();
    void getGlobal(const std::string& name);
    void getMember(const std::string& name);
    void getMemberAtIndex(int index);
    void setMemberValue(TNObject* value, TNObject* key);
    void setMemberAtIndex(TNObject* value, int index);
    bool equal();
    bool hasMethod(const std::string& name);
    void pushArgument(TNObject* value);
    void pushArguments(const TNObjectList& values);
    TNRef<TNObject> getStackItem(int index);
    TNObjectList popStack(int count);
    int makeReference();
    void dereference(int reference);
    void freeReference(int reference);
    void logStack();

protected:
    LuaState() = default;
    bool initWithState(lua_State* L);
    // Releases and clears the globals proxy.
    void releaseGlobalObject();
    // Lets a subclass that closes the interpreter itself forget it.
    void forgetState() { L_.store(nullptr); }

private:
    lua_State* requireState(const char* operation);
    // Takes the lock, pushes the message handler (at index 1) and args, and
    // runs call, a protected call by name given the argument count; returns
    // the first result, or raises the failure.
    TNObjectList callByName(const TNObjectList& args, const std::function<int(lua_State*, int)>& call);

    std::atomic<lua_State*> L_{nullptr};
    std::mutex lock_;
    std::atomic<std::thread::id> lockOwner_{};
    std::mutex globalObjectMutex_;
    TNRef<LuaObject> globalObject_;
};

#endif
