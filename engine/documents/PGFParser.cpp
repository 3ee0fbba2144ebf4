#include "documents/PGFParser.h"

#include <cstring>

namespace {

// Stack slots one step of the builder may need above the open tables:
// the new table, a key and a value.
const int kStackRoomPerStep = 3;

}  // namespace

PGFParser::PGFParser(lua_State* L) : depth(0), L(L), failure_(nullptr)
{
    std::memset(childCounter, 0, sizeof(childCounter));
}

void PGFParser::fail(const char* reason)
{
    if (!failure_)
        failure_ = reason;
}

// Leaves a new table for the element on top of its parent's table.
void PGFParser::pushElement(const char* name)
{
    if (depth >= kMaxDepth) {
        fail("the document is nested deeper than 100 elements");
        return;
    }
    if (!lua_checkstack(L, kStackRoomPerStep)) {
        fail("the document is nested too deeply for the Lua stack");
        return;
    }
    lua_createtable(L, 1, 4);
    lua_pushstring(L, name);
    lua_rawseti(L, -2, 0);
    childCounter[depth] = 1;
    ++depth;
}

// Moves the innermost table into its parent under the parent's next index.
// The root stays on the stack as the result.
void PGFParser::popElement()
{
    if (depth == 1)
        rootClosed_ = true;
    if (depth <= 1)
        return;
    --depth;
    const unsigned key = childCounter[depth - 1];
    childCounter[depth - 1] = key + 1;
    lua_rawseti(L, -2, static_cast<int>(key));
}

void PGFParser::setAttribute(const char* name, const char* value)
{
    lua_pushstring(L, name);
    lua_pushstring(L, value);
    lua_rawset(L, -3);
}

void PGFParser::setTextValue(const char* text, int length)
{
    lua_pushlstring(L, text, static_cast<size_t>(length));
    lua_rawseti(L, -2, 1);
}
