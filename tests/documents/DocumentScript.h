// A bare Lua state with the pgf module and the Lua helpers the document
// tests use: dump() prints a PGF table in one canonical line.
#ifndef TERN_DOCUMENT_SCRIPT_H
#define TERN_DOCUMENT_SCRIPT_H

#include <cstdlib>
#include <functional>
#include <string>

#include "ScriptState.h"
#include "TestSupport.h"
#include "documents/wrap_PGF.h"
#include "lua.h"

namespace tern_test {

inline const char* documentHelpers()
{
    return R"LUA(
local function quote(s)
    return (string.format("%q", s):gsub("\\\n", "\\n"))
end

-- {[0]="name",[1]=...,attr="value"} with numeric keys first, then names.
function dump(v)
    if type(v) ~= "table" then
        return type(v) == "string" and quote(v) or tostring(v)
    end
    local keys = {}
    for k in pairs(v) do keys[#keys + 1] = k end
    table.sort(keys, function(a, b)
        if type(a) == type(b) then return a < b end
        return type(a) == "number"
    end)
    local parts = {}
    for _, k in ipairs(keys) do
        local key = type(k) == "number" and ("[" .. k .. "]") or k
        parts[#parts + 1] = key .. "=" .. dump(v[k])
    end
    return "{" .. table.concat(parts, ",") .. "}"
end

-- All results of a call, separated by "|".
function dumpAll(...)
    local parts = {}
    for i = 1, select("#", ...) do parts[i] = dump((select(i, ...))) end
    return table.concat(parts, "|")
end
)LUA";
}

class DocumentState : public ScriptState {
public:
    DocumentState() : ScriptState({luaopen_PGF}) { run(documentHelpers()); }

    // Sets the global name to the bytes of value (zero bytes included).
    void setString(const char* name, const std::string& value)
    {
        lua_pushlstring(L(), value.data(), value.size());
        lua_setfield(L(), LUA_GLOBALSINDEX, name);
    }

    // The error message of a one-line chunk, without the position Lua
    // puts before it.
    std::string errorMessage(const std::string& chunk)
    {
        const std::string error = errorOf(chunk);
        const size_t position = error.find("]:1: ");
        return position == std::string::npos ? error : error.substr(position + 5);
    }

    // The bytes of the string global name, "<nil>" when it is not a string.
    std::string string(const char* name)
    {
        lua_getfield(L(), LUA_GLOBALSINDEX, name);
        size_t length = 0;
        const char* bytes = lua_tolstring(L(), -1, &length);
        std::string value = bytes ? std::string(bytes, length) : std::string("<nil>");
        lua_pop(L(), 1);
        return value;
    }
};

// With TERN_PGF_SEED_DIR set, keeps each document a test reads as a seed
// for the reader's fuzzer (`make fuzz`).
inline void keepFuzzSeed(const std::string& document)
{
    const char* folder = std::getenv("TERN_PGF_SEED_DIR");
    if (!folder)
        return;
    writeFile(std::string(folder) + "/seed-" + std::to_string(std::hash<std::string>()(document)), document);
}

}  // namespace tern_test

#endif
