#include "bridge/LuaErrorException.h"

LuaErrorException::LuaErrorException(std::string error, std::string stackTrace, bool hasStackTrace)
    : luaError_(std::move(error)),
      luaStackTrace_(std::move(stackTrace)),
      hasStackTrace_(hasStackTrace),
      reason_(luaError_ + "\n" + luaStackTrace_)
{
}
