#include "documents/wrap_PGF.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "documents/PGFJSONWriter.h"
#include "documents/PGFXMLParser.h"
#include "documents/PGFXMLWriter.h"
#include "lauxlib.h"

namespace {

const char* const kWriterMetatable = "pgf.writerMT";

// Sets each function of a null-terminated list into the table on top.
void lua_loadFunctions_ext(lua_State* L, const luaL_Reg* functions)
{
    for (; functions->name; ++functions) {
        lua_pushcfunction(L, functions->func);
        lua_setfield(L, -2, functions->name);
    }
}

// ---- Reader ----------------------------------------------------------------

// The reader takes its argument from the top of the stack, so that both
// pgf.loadFile(path) and pgf.parser:loadFile(path) work.
const char* documentArgument(lua_State* L, const char* function, size_t* length)
{
    const int top = lua_gettop(L);
    if (top == 0 || !lua_isstring(L, top))
        luaL_error(L, "%s: expected a string, got %s", function, top == 0 ? "no value" : luaL_typename(L, top));
    return lua_tolstring(L, top, length);
}

// Why a parse produced no document, as one line.
void describeFailure(const PGFXMLParser& parser, const char* path, char* reason, size_t size)
{
    if (parser.failure())
        std::snprintf(reason, size, "%s", parser.failure());
    else if (path && access(path, R_OK) != 0)
        std::snprintf(reason, size, "cannot read the file: %s", std::strerror(errno));
    else if (parser.xmlErrorMessage() && parser.xmlErrorLine() > 0)
        std::snprintf(reason, size, "line %d: %s", parser.xmlErrorLine(), parser.xmlErrorMessage());
    else if (parser.xmlErrorMessage())
        std::snprintf(reason, size, "%s", parser.xmlErrorMessage());
    else
        std::snprintf(reason, size, "not a well-formed document");
}

// Returns the root table, or nil and a message (also printed) when the
// document could not be read whole.
int finishParse(lua_State* L, int base, int result, const PGFXMLParser& parser, const char* function,
                const char* path)
{
    if (result == 0 && !parser.failure() && lua_gettop(L) == base + 1 && lua_istable(L, -1))
        return 1;
    lua_settop(L, base);
    char reason[320];
    describeFailure(parser, path, reason, sizeof(reason));
    if (path)
        lua_pushfstring(L, "%s: %s: %s", function, path, reason);
    else
        lua_pushfstring(L, "%s: %s", function, reason);
    std::fprintf(stderr, "%s\n", lua_tostring(L, -1));
    lua_pushnil(L);
    lua_insert(L, -2);
    return 2;
}

int parser_loadFile(lua_State* L)
{
    const char* path = documentArgument(L, "pgf.loadFile", nullptr);
    const int base = lua_gettop(L);
    PGFXMLParser parser(L, path);
    const int result = parser.parse();
    return finishParse(L, base, result, parser, "pgf.loadFile", path);
}

int parser_loadString(lua_State* L)
{
    size_t length = 0;
    const char* text = documentArgument(L, "pgf.loadString", &length);
    const int base = lua_gettop(L);
    if (length == 0) {
        lua_pushnil(L);
        lua_pushstring(L, "pgf.loadString: the document is empty");
        std::fprintf(stderr, "%s\n", lua_tostring(L, -1));
        return 2;
    }
    const unsigned bufferLength = length > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<unsigned>(length);
    PGFXMLParser parser(L, text, bufferLength);
    const int result = parser.parse();
    return finishParse(L, base, result, parser, "pgf.loadString", nullptr);
}

const luaL_Reg parser_functions[] = {
    {"loadFile", parser_loadFile},
    {"loadString", parser_loadString},
    {nullptr, nullptr},
};

// ---- Writers ---------------------------------------------------------------

PGFWriter** writerBox(lua_State* L)
{
    return static_cast<PGFWriter**>(luaL_checkudata(L, 1, kWriterMetatable));
}

// The writer of argument 1; a closed writer is a Lua error.
PGFWriter* openWriter(lua_State* L, const char* method)
{
    PGFWriter* writer = *writerBox(L);
    if (!writer)
        luaL_error(L, "pgf.writer.%s: the writer is closed", method);
    return writer;
}

// Pushes a writer object that holds no writer yet. It is made first, so
// that a Lua memory error cannot leak the writer put into it.
PGFWriter** newWriterBox(lua_State* L)
{
    auto** box = static_cast<PGFWriter**>(lua_newuserdata(L, sizeof(PGFWriter*)));
    *box = nullptr;
    luaL_getmetatable(L, kWriterMetatable);
    lua_setmetatable(L, -2);
    return box;
}

// Puts a new writer into box; returns why its output could not be
// created (the writer is then deleted again), or null.
template <typename Writer, typename... Arguments>
const char* createWriter(PGFWriter** box, Arguments... arguments)
{
    auto* writer = new Writer(arguments...);
    if (writer->isOpen()) {
        *box = writer;
        return nullptr;
    }
    const char* reason = writer->openError();
    delete writer;
    return reason;
}

// Leaves the writer object on the stack, or replaces it by nil and a
// message (also printed) when its output could not be created.
int finishNewWriter(lua_State* L, const char* function, const char* path, const char* reason)
{
    if (!reason)
        return 1;
    lua_pop(L, 1);
    lua_pushnil(L);
    if (path)
        lua_pushfstring(L, "pgf.writer.%s: cannot write '%s': %s", function, path, reason);
    else
        lua_pushfstring(L, "pgf.writer.%s: %s", function, reason);
    std::fprintf(stderr, "%s\n", lua_tostring(L, -1));
    return 2;
}

enum class Format { XML, JSON, JSONPretty };

Format formatArgument(lua_State* L, int index)
{
    const char* format = luaL_optstring(L, index, nullptr);
    if (format && std::strcmp(format, "json-pretty") == 0)
        return Format::JSONPretty;
    if (format && std::strcmp(format, "json") == 0)
        return Format::JSON;
    return Format::XML;
}

int writer_newToFile(lua_State* L)
{
    const char* path = luaL_checkstring(L, 1);
    const Format format = formatArgument(L, 2);
    PGFWriter** box = newWriterBox(L);
    const char* reason = nullptr;
    char failure[200] = "";
    try {
        if (format == Format::XML)
            reason = createWriter<PGFXMLWriter>(box, path);
        else
            reason = createWriter<PGFJSONWriter>(box, path, format == Format::JSONPretty);
    } catch (const std::exception& e) {
        std::snprintf(failure, sizeof(failure), "%s", *e.what() ? e.what() : "internal error");
    }
    if (failure[0])
        return luaL_error(L, "pgf.writer.newToFile: %s", failure);
    return finishNewWriter(L, "newToFile", path, reason);
}

int writer_newToString(lua_State* L)
{
    const Format format = formatArgument(L, 1);
    PGFWriter** box = newWriterBox(L);
    const char* reason = nullptr;
    char failure[200] = "";
    try {
        if (format == Format::XML)
            reason = createWriter<PGFXMLWriter>(box);
        else
            reason = createWriter<PGFJSONWriter>(box, format == Format::JSONPretty);
    } catch (const std::exception& e) {
        std::snprintf(failure, sizeof(failure), "%s", *e.what() ? e.what() : "internal error");
    }
    if (failure[0])
        return luaL_error(L, "pgf.writer.newToString: %s", failure);
    return finishNewWriter(L, "newToString", nullptr, reason);
}

int writer_close(lua_State* L)
{
    PGFWriter** box = writerBox(L);
    delete *box;
    *box = nullptr;
    return 0;
}

// Runs one writer operation and returns its integer result to Lua.
template <typename Operation>
int writerResult(lua_State* L, const char* method, Operation operation)
{
    int result = 0;
    char failure[200] = "";
    try {
        result = operation();
    } catch (const std::exception& e) {
        std::snprintf(failure, sizeof(failure), "%s", *e.what() ? e.what() : "internal error");
    }
    if (failure[0])
        return luaL_error(L, "pgf.writer.%s: %s", method, failure);
    lua_pushinteger(L, result);
    return 1;
}

int writer_startDocument(lua_State* L)
{
    PGFWriter* writer = openWriter(L, "startDocument");
    return writerResult(L, "startDocument", [&] { return writer->startDocument(); });
}

int writer_endDocument(lua_State* L)
{
    PGFWriter* writer = openWriter(L, "endDocument");
    return writerResult(L, "endDocument", [&] { return writer->endDocument(); });
}

int writer_startElement(lua_State* L)
{
    PGFWriter* writer = openWriter(L, "startElement");
    const char* name = luaL_checkstring(L, 2);
    return writerResult(L, "startElement", [&] { return writer->startElement(name); });
}

int writer_endElement(lua_State* L)
{
    PGFWriter* writer = openWriter(L, "endElement");
    return writerResult(L, "endElement", [&] { return writer->endElement(); });
}

int writer_writeAttribute(lua_State* L)
{
    PGFWriter* writer = openWriter(L, "writeAttribute");
    const char* name = luaL_checkstring(L, 2);
    const char* value = luaL_checkstring(L, 3);
    return writerResult(L, "writeAttribute", [&] { return writer->writeAttribute(name, value); });
}

int writer_writeTextValue(lua_State* L)
{
    PGFWriter* writer = openWriter(L, "writeTextValue");
    const char* text = luaL_checkstring(L, 2);
    return writerResult(L, "writeTextValue", [&] { return writer->writeTextValue(text); });
}

int writer_getString(lua_State* L)
{
    PGFWriter* writer = openWriter(L, "getString");
    const char* text = writer->getString();
    if (text)
        lua_pushstring(L, text);
    else
        lua_pushnil(L);
    return 1;
}

// A writer the script forgets to close is closed when it is collected, so
// its memory is freed and its file output completed.
int writer_gc(lua_State* L)
{
    auto** box = static_cast<PGFWriter**>(lua_touserdata(L, 1));
    if (box) {
        delete *box;
        *box = nullptr;
    }
    return 0;
}

const luaL_Reg writer_functions[] = {
    {"newToFile", writer_newToFile},
    {"newToString", writer_newToString},
    {"close", writer_close},
    {"startDocument", writer_startDocument},
    {"endDocument", writer_endDocument},
    {"startElement", writer_startElement},
    {"endElement", writer_endElement},
    {"writeAttribute", writer_writeAttribute},
    {"writeTextValue", writer_writeTextValue},
    {"getString", writer_getString},
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
    lua_loadFunctions_ext(L, writer_functions);
    luaL_newmetatable(L, kWriterMetatable);
    lua_pushvalue(L, -2);
    lua_setfield(L, -2, "__index");
    lua_pushcfunction(L, writer_gc);
    lua_setfield(L, -2, "__gc");
    lua_pop(L, 1);
    lua_setfield(L, -2, "writer");
    return 1;
}
