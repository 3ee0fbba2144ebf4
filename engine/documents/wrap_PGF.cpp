#include "documents/wrap_PGF.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "documents/PGFXMLParser.h"
#include "documents/wrap_Writer.h"
#include "files/TNPathResolver.h"
#include "files/TNRegularFile.h"
#include "lauxlib.h"
#include "log/TNLog.h"
#include "lua/TNLuaArgs.h"

namespace {

// Sets each function of a null-terminated list into the table on top.
void lua_loadFunctions_ext(lua_State* L, const luaL_Reg* functions)
{
    for (; functions->name; ++functions) {
        lua_pushcfunction(L, functions->func);
        lua_setfield(L, -2, functions->name);
    }
}

// The reader takes its argument from the top of the stack, so that both
// pgf.loadFile(path) and pgf.parser:loadFile(path) work.
const char* documentArgument(lua_State* L, const char* func, size_t* length)
{
    return tn_checkstring(L, std::max(lua_gettop(L), 1), func, length);
}

// Why a parse produced no document, as one line.
void describeFailure(const PGFXMLParser& parser, const char* path, char* reason, size_t size)
{
    if (parser.failure())
        std::snprintf(reason, size, "%s", parser.failure());
    else if (path && access(TNPathResolver::shared().resolve(path).c_str(), R_OK) != 0)
        std::snprintf(reason, size, "cannot read the file: %s", std::strerror(errno));
    else if (parser.xmlErrorMessage() && parser.xmlErrorLine() > 0)
        std::snprintf(reason, size, "line %d: %s", parser.xmlErrorLine(), parser.xmlErrorMessage());
    else if (parser.xmlErrorMessage())
        std::snprintf(reason, size, "%s", parser.xmlErrorMessage());
    else
        std::snprintf(reason, size, "not a well-formed document");
}

// Replaces what stands above base by nil and the message on top, which is
// also printed. Returns the two results.
int failWithMessage(lua_State* L, int base)
{
    TNLog("%s", lua_tostring(L, -1));
    lua_insert(L, base + 1);
    lua_settop(L, base + 1);
    lua_pushnil(L);
    lua_insert(L, -2);
    return 2;
}

// Returns the root table, or nil and a message when the document could
// not be read whole. A root element that was read whole is returned even
// when more content follows it (a second root, stray text), after one line
// with the parser's message.
int finishParse(lua_State* L, int base, int result, const PGFXMLParser& parser, const char* func, const char* path)
{
    const bool rootOnTop = !parser.failure() && lua_gettop(L) == base + 1 && lua_istable(L, -1);
    if (rootOnTop && result == 0)
        return 1;
    char reason[320];
    describeFailure(parser, path, reason, sizeof(reason));
    if (rootOnTop && parser.rootClosed()) {
        if (path)
            TNLog("%s: %s: %s; the root element before it is read", func, path, reason);
        else
            TNLog("%s: %s; the root element before it is read", func, reason);
        return 1;
    }
    if (path)
        lua_pushfstring(L, "%s: %s: %s", func, path, reason);
    else
        lua_pushfstring(L, "%s: %s", func, reason);
    return failWithMessage(L, base);
}

int parser_loadFile(lua_State* L)
{
    const char* func = "pgf.loadFile";
    const char* path = documentArgument(L, func, nullptr);
    const int base = lua_gettop(L);
    const std::string file = TNPathResolver::shared().resolve(path);
    std::string reason;
    if (!TNIsRegularFileOrMissing(file.c_str(), reason)) {
        lua_pushfstring(L, "%s: %s: %s", func, path, reason.c_str());
        return failWithMessage(L, base);
    }
    PGFXMLParser parser(L, file.c_str());
    const int result = parser.parse();
    return finishParse(L, base, result, parser, func, path);
}

int parser_loadString(lua_State* L)
{
    const char* func = "pgf.loadString";
    size_t length = 0;
    const char* text = documentArgument(L, func, &length);
    const int base = lua_gettop(L);
    if (length == 0) {
        lua_pushfstring(L, "%s: the document is empty", func);
        return failWithMessage(L, base);
    }
    const unsigned bufferLength = length > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<unsigned>(length);
    PGFXMLParser parser(L, text, bufferLength);
    const int result = parser.parse();
    return finishParse(L, base, result, parser, func, nullptr);
}

const luaL_Reg parser_functions[] = {
    {"loadFile", parser_loadFile},
    {"loadString", parser_loadString},
    {nullptr, nullptr},
};

}  // namespace

int luaopen_PGF(lua_State* L)
{
    luaL_openlib(L, "pgf", parser_functions, 0);

    lua_newtable(L);
    lua_loadFunctions_ext(L, parser_functions);
    lua_setfield(L, -2, "parser");

    lua_createtable(L, 0, 10);
    lua_loadFunctions_ext(L, pgf_writerFunctions);
    pgf_newWriterType(L);
    lua_setfield(L, -2, "writer");
    return 1;
}
