// libFuzzer target for the PGF reader. Every input goes through
// pgf.loadString; a document that reads must have the table form, must
// survive a write as XML and a second read unchanged, and its JSON form must
// parse. Anything else must come back as nil and a message.
#include <fcntl.h>
#include <unistd.h>
#include <yajl/yajl_tree.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "lauxlib.h"
#include "lua.h"
#include "documents/PGFJSONWriter.h"
#include "documents/PGFXMLWriter.h"
#include "documents/wrap_PGF.h"
#include "log/TNLog.h"

namespace {

[[noreturn]] void fault(const char* what)
{
    TNLog("pgf_reader_fuzzer: %s", what);
    abort();
}

// Calls pgf.loadString(bytes) with stderr silenced (malformed input prints a
// line by design). Leaves the two results on the stack.
void loadString(lua_State* L, const char* bytes, size_t length)
{
    static const bool verbose = getenv("TERN_FUZZ_VERBOSE") != nullptr;
    lua_getfield(L, LUA_GLOBALSINDEX, "pgf");
    lua_getfield(L, -1, "loadString");
    lua_remove(L, -2);
    lua_pushlstring(L, bytes, length);
    int saved = -1;
    if (!verbose) {
        fflush(stderr);
        saved = dup(2);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        close(null);
    }
    const int status = lua_pcall(L, 1, 2, 0);
    if (saved >= 0) {
        fflush(stderr);
        dup2(saved, 2);
        close(saved);
    }
    if (status != 0)
        fault(lua_tostring(L, -1));
}

// Room for one level of the recursive walks below.
void ensureStack(lua_State* L)
{
    if (!lua_checkstack(L, 8))
        fault("Lua stack exhausted");
}

// Checks the table form of the table at index and returns its depth.
int checkForm(lua_State* L, int index, int depth)
{
    if (depth > 100)
        fault("table nested deeper than 100");
    ensureStack(L);
    if (lua_type(L, index) != LUA_TTABLE)
        fault("element is not a table");
    lua_rawgeti(L, index, 0);
    if (lua_type(L, -1) != LUA_TSTRING)
        fault("element name missing");
    lua_pop(L, 1);
    lua_rawgeti(L, index, 1);
    const bool hasText = lua_type(L, -1) == LUA_TSTRING;
    if (hasText && lua_objlen(L, -1) > 16383)
        fault("text longer than 16383 bytes");
    lua_pop(L, 1);
    const int count = hasText ? 0 : static_cast<int>(lua_objlen(L, index));
    int deepest = depth;
    lua_pushnil(L);
    while (lua_next(L, index) != 0) {
        if (lua_type(L, -2) == LUA_TSTRING) {
            if (lua_type(L, -1) != LUA_TSTRING)
                fault("attribute value is not a string");
        } else if (lua_type(L, -2) == LUA_TNUMBER) {
            const lua_Number key = lua_tonumber(L, -2);
            if (key != 0 && !(hasText && key == 1)) {
                if (key < 1 || key > count || key != static_cast<int>(key))
                    fault("child under a stray key");
                const int childDepth = checkForm(L, lua_gettop(L), depth + 1);
                deepest = childDepth > deepest ? childDepth : deepest;
            }
        } else {
            fault("key of another type");
        }
        lua_pop(L, 1);
    }
    return deepest;
}

// Writes the table at index through writer: attributes, then text or children.
void writeTable(lua_State* L, int index, PGFWriter& writer)
{
    ensureStack(L);
    lua_rawgeti(L, index, 0);
    writer.startElement(lua_tostring(L, -1));
    lua_pop(L, 1);
    lua_pushnil(L);
    while (lua_next(L, index) != 0) {
        if (lua_type(L, -2) == LUA_TSTRING)
            writer.writeAttribute(lua_tostring(L, -2), lua_tostring(L, -1));
        lua_pop(L, 1);
    }
    lua_rawgeti(L, index, 1);
    if (lua_type(L, -1) == LUA_TSTRING) {
        writer.writeTextValue(lua_tostring(L, -1));
        lua_pop(L, 1);
    } else {
        lua_pop(L, 1);
        for (int i = 1;; ++i) {
            lua_rawgeti(L, index, i);
            if (lua_isnil(L, -1)) {
                lua_pop(L, 1);
                break;
            }
            writeTable(L, lua_gettop(L), writer);
            lua_pop(L, 1);
        }
    }
    writer.endElement();
}

// Every key of table `to` is also a key of table `from`.
bool keysCovered(lua_State* L, int from, int to)
{
    lua_pushnil(L);
    while (lua_next(L, to) != 0) {
        lua_pushvalue(L, -2);
        lua_rawget(L, from);
        const bool present = !lua_isnil(L, -1);
        lua_pop(L, 2);
        if (!present) {
            lua_pop(L, 1);
            return false;
        }
    }
    return true;
}

bool sameTables(lua_State* L, int a, int b)
{
    ensureStack(L);
    if (lua_type(L, a) != lua_type(L, b))
        return false;
    if (lua_type(L, a) != LUA_TTABLE)
        return lua_rawequal(L, a, b) != 0;
    if (!keysCovered(L, a, b))
        return false;
    lua_pushnil(L);
    while (lua_next(L, a) != 0) {
        lua_pushvalue(L, -2);
        lua_rawget(L, b);
        const bool same = sameTables(L, lua_gettop(L) - 1, lua_gettop(L));
        lua_pop(L, 2);
        if (!same) {
            lua_pop(L, 1);
            return false;
        }
    }
    return true;
}

void checkDocument(lua_State* L, int root)
{
    const int depth = checkForm(L, root, 1);

    PGFXMLWriter xml;
    xml.startDocument();
    writeTable(L, root, xml);
    xml.endDocument();
    const char* written = xml.getString();
    loadString(L, written, std::strlen(written));
    if (lua_isnil(L, -2))
        fault(lua_tostring(L, -1));
    lua_pop(L, 1);
    if (!sameTables(L, root, lua_gettop(L)))
        fault("a written and read again document differs");
    lua_pop(L, 1);

    PGFJSONWriter json(false);
    writeTable(L, root, json);
    const char* text = json.getString();
    char error[256];
    yajl_val tree = yajl_tree_parse(text, error, sizeof(error));
    if (!tree && depth <= 64)
        fault("the JSON form does not parse");
    yajl_tree_free(tree);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    lua_State* L = luaL_newstate();
    lua_pushcfunction(L, luaopen_PGF);
    lua_call(L, 0, 0);
    loadString(L, reinterpret_cast<const char*>(data), size);
    if (lua_istable(L, -2)) {
        if (!lua_isnil(L, -1))
            fault("a table came with a second result");
        checkDocument(L, lua_gettop(L) - 1);
    } else if (!lua_isnil(L, -2) || lua_type(L, -1) != LUA_TSTRING) {
        fault("neither a table nor nil and a message");
    }
    lua_close(L);
    return 0;
}
