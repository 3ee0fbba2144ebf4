// The exception by which script errors reach the host side: the error
// message and, for errors caught under the message handler, a stack trace.
#ifndef LUA_ERROR_EXCEPTION_H
#define LUA_ERROR_EXCEPTION_H

#include <exception>
#include <string>

class LuaErrorException : public std::exception {
public:
    // hasStackTrace false: an error raised outside the message handler.
    LuaErrorException(std::string error, std::string stackTrace, bool hasStackTrace = true);
    explicit LuaErrorException(std::string error) : LuaErrorException(std::move(error), std::string(), false) {}

    static const char* name() { return "Lua Error"; }
    const std::string& luaError() const { return luaError_; }
    const std::string& luaStackTrace() const { return luaStackTrace_; }
    bool hasStackTrace() const { return hasStackTrace_; }
    // The message, a line end, then the trace.
    const std::string& reason() const { return reason_; }
    const char* what() const noexcept override { return reason_.c_str(); }

private:
    std::string luaError_;
    std::string luaStackTrace_;
    bool hasStackTrace_;
    std::string reason_;
};

#endif
