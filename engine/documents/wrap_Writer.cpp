#include "documents/wrap_Writer.h"

#include <cstring>
#include <memory>
#include <string>

#include "documents/PGFJSONWriter.h"
#include "documents/PGFXMLWriter.h"
#include "files/TNPathResolver.h"
#include "log/TNLog.h"
#include "lua/TNGone.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"

const TNLuaType kPGFWriter = {"writer", "pgf.writerMT"};

namespace {

// The writer of argument 1, or null (after one line per function) when it
// was closed: the call then does nothing and gives nil.
PGFWriter* openWriter(lua_State* L, const char* func)
{
    PGFWriter* writer = *tn_checkblock<PGFWriter*>(L, 1, kPGFWriter, func);
    if (!writer)
        tn_gone(L, func, "the writer (closed)");
    return writer;
}

// Pushes result, or nil for a closed writer.
int pushResult(lua_State* L, const PGFWriter* writer, int result)
{
    if (writer)
        lua_pushinteger(L, result);
    else
        lua_pushnil(L);
    return 1;
}

enum class Format { XML, JSON, JSONPretty };

// "json-pretty" and "json" choose JSON; no format or any other name, XML.
Format formatArgument(lua_State* L, int index, const char* func)
{
    const char* format = tn_optstring(L, index, func, nullptr);
    if (format && std::strcmp(format, "json-pretty") == 0)
        return Format::JSONPretty;
    if (format && std::strcmp(format, "json") == 0)
        return Format::JSON;
    return Format::XML;
}

// Puts a new writer into box; returns why its output could not be created
// (the writer is then deleted again), or null.
template <typename Writer, typename... Arguments>
const char* createWriter(PGFWriter** box, Arguments... arguments)
{
    std::unique_ptr<Writer> writer(new Writer(arguments...));
    if (!writer->isOpen())
        return writer->openError();
    *box = writer.release();
    return nullptr;
}

// Makes the writer of format into box (path null: a writer to a string).
const char* createWriter(PGFWriter** box, Format format, const char* path)
{
    const bool pretty = format == Format::JSONPretty;
    if (path)
        return format == Format::XML ? createWriter<PGFXMLWriter>(box, path)
                                     : createWriter<PGFJSONWriter>(box, path, pretty);
    return format == Format::XML ? createWriter<PGFXMLWriter>(box) : createWriter<PGFJSONWriter>(box, pretty);
}

// Pushes a writer object of format; when its output cannot be created,
// nil and a message (also printed) instead.
int pushNewWriter(lua_State* L, const char* func, Format format, const char* path)
{
    // The object is made first, so that a Lua memory error cannot leak the
    // writer put into it.
    PGFWriter** box = tn_newblock<PGFWriter*>(L, kPGFWriter);
    const std::string file = path ? TNPathResolver::shared().resolveForWriting(path) : std::string();
    const char* reason = createWriter(box, format, path ? file.c_str() : nullptr);
    if (!reason)
        return 1;
    lua_pop(L, 1);
    lua_pushnil(L);
    if (path)
        lua_pushfstring(L, "%s: cannot write '%s': %s", func, path, reason);
    else
        lua_pushfstring(L, "%s: %s", func, reason);
    TNLog("%s", lua_tostring(L, -1));
    return 2;
}

int writer_newToFile(lua_State* L)
{
    const char* func = "pgf.writer.newToFile";
    const char* path = tn_checkstring(L, 1, func);
    return pushNewWriter(L, func, formatArgument(L, 2, func), path);
}

int writer_newToString(lua_State* L)
{
    const char* func = "pgf.writer.newToString";
    return pushNewWriter(L, func, formatArgument(L, 1, func), nullptr);
}

int writer_close(lua_State* L)
{
    PGFWriter** box = tn_checkblock<PGFWriter*>(L, 1, kPGFWriter, "pgf.writer.close");
    delete *box;
    *box = nullptr;
    return 0;
}

int writer_startDocument(lua_State* L)
{
    PGFWriter* writer = openWriter(L, "pgf.writer.startDocument");
    return pushResult(L, writer, writer ? writer->startDocument() : 0);
}

int writer_endDocument(lua_State* L)
{
    PGFWriter* writer = openWriter(L, "pgf.writer.endDocument");
    return pushResult(L, writer, writer ? writer->endDocument() : 0);
}

int writer_startElement(lua_State* L)
{
    const char* func = "pgf.writer.startElement";
    PGFWriter* writer = openWriter(L, func);
    const char* name = tn_checkstring(L, 2, func);
    return pushResult(L, writer, writer ? writer->startElement(name) : 0);
}

int writer_endElement(lua_State* L)
{
    PGFWriter* writer = openWriter(L, "pgf.writer.endElement");
    return pushResult(L, writer, writer ? writer->endElement() : 0);
}

int writer_writeAttribute(lua_State* L)
{
    const char* func = "pgf.writer.writeAttribute";
    PGFWriter* writer = openWriter(L, func);
    const char* name = tn_checkstring(L, 2, func);
    const char* value = tn_checkstring(L, 3, func);
    return pushResult(L, writer, writer ? writer->writeAttribute(name, value) : 0);
}

int writer_writeTextValue(lua_State* L)
{
    const char* func = "pgf.writer.writeTextValue";
    PGFWriter* writer = openWriter(L, func);
    const char* text = tn_checkstring(L, 2, func);
    return pushResult(L, writer, writer ? writer->writeTextValue(text) : 0);
}

int writer_getString(lua_State* L)
{
    PGFWriter* writer = openWriter(L, "pgf.writer.getString");
    const char* text = writer ? writer->getString() : nullptr;
    if (text)
        lua_pushstring(L, text);
    else
        lua_pushnil(L);
    return 1;
}

// A writer the script forgets to close is closed when it is collected, so
// that its memory is freed and its file output completed.
int writer_gc(lua_State* L)
{
    if (PGFWriter** box = tn_toblock<PGFWriter*>(L, 1, kPGFWriter)) {
        delete *box;
        *box = nullptr;
    }
    return 0;
}

}  // namespace

// The writers' operations may throw (out of memory): each is guarded.
const luaL_Reg pgf_writerFunctions[] = {
    {"newToFile", tn_guarded<writer_newToFile>},
    {"newToString", tn_guarded<writer_newToString>},
    {"close", writer_close},
    {"startDocument", tn_guarded<writer_startDocument>},
    {"endDocument", tn_guarded<writer_endDocument>},
    {"startElement", tn_guarded<writer_startElement>},
    {"endElement", tn_guarded<writer_endElement>},
    {"writeAttribute", tn_guarded<writer_writeAttribute>},
    {"writeTextValue", tn_guarded<writer_writeTextValue>},
    {"getString", tn_guarded<writer_getString>},
    {nullptr, nullptr},
};

void pgf_newWriterType(lua_State* L)
{
    const luaL_Reg finaliser[] = {{"__gc", writer_gc}, {nullptr, nullptr}};
    tn_newtype(L, kPGFWriter, finaliser);
    tn_pushmetatable(L, kPGFWriter);
    lua_pushvalue(L, -2);
    lua_setfield(L, -2, "__index");
    lua_pop(L, 1);
}
