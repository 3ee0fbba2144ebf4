// The PGF reader: XML text and files into tables, and elements with very
// many attributes, counted in one pass before the XML library sees them and
// refused over the limit with one message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "DocumentScript.h"
#include "TestSupport.h"
#include "documents/PGFAttributeCount.h"
#include "documents/wrap_PGF.h"
#include "lauxlib.h"
#include "lualib.h"

using namespace tern_test;

namespace {

class PGFReader : public ::testing::Test {
protected:
    // dump() of every result of pgf.loadString(xml).
    std::string load(const std::string& xml)
    {
        keepFuzzSeed(xml);
        state.setString("doc", xml);
        return state.eval("dumpAll(pgf.loadString(doc))");
    }

    DocumentState state;
};

std::string nested(int depth)
{
    std::string xml;
    for (int i = 0; i < depth; ++i)
        xml += "<e>";
    for (int i = 0; i < depth; ++i)
        xml += "</e>";
    return xml;
}

// <e a0="0" a1="1" ... /> with count attributes.
std::string elementWith(unsigned count)
{
    std::string xml = "<e";
    for (unsigned i = 0; i < count; ++i)
        xml += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    return xml + "/>";
}

// A Lua allocator that refuses to grow past limit (0: no limit).
struct Budget {
    size_t used = 0;
    size_t limit = 0;
};

void* limitedAlloc(void* ud, void* ptr, size_t oldSize, size_t newSize)
{
    auto* budget = static_cast<Budget*>(ud);
    if (newSize == 0) {
        budget->used -= oldSize;
        std::free(ptr);
        return nullptr;
    }
    if (newSize > oldSize && budget->limit && budget->used + newSize - oldSize > budget->limit)
        return nullptr;
    void* block = std::realloc(ptr, newSize);
    if (block)
        budget->used += newSize - oldSize;
    return block;
}

}  // namespace

TEST_F(PGFReader, DocumentsBecomeTables)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        // Empty elements hold only their name.
        {"<a/>", "{[0]=\"a\"}"},
        {"<?xml version=\"1.0\"?><a x=\"1\" y='two'>hello</a>", "{[0]=\"a\",[1]=\"hello\",x=\"1\",y=\"two\"}"},
        {"<a> \n\t</a>", "{[0]=\"a\",[1]=\" \\n\t\"}"},
        // Children in order, and no text around them.
        {"<r>\n  <a/>\n  text <b k=\"v\">x</b> tail\n  <c></c>\n</r>",
         "{[0]=\"r\",[1]={[0]=\"a\"},[2]={[0]=\"b\",[1]=\"x\",k=\"v\"},[3]={[0]=\"c\"}}"},
        // Text after a child is gathered but never stored, not even in a parent.
        {"<r><a><b/>tail</a></r>", "{[0]=\"r\",[1]={[0]=\"a\",[1]={[0]=\"b\"}}}"},
        {"<a>&lt;&gt;&amp;&quot;&apos;&#65;&#x42;&#233;</a>", "{[0]=\"a\",[1]=\"<>&\\\"'AB\xC3\xA9\"}"},
        {"<a v=\"&amp;&#x41;\"><![CDATA[<b>&amp;</b>]]></a>", "{[0]=\"a\",[1]=\"<b>&amp;</b>\",v=\"&A\"}"},
        {"<a>x<![CDATA[ y ]]>z</a>", "{[0]=\"a\",[1]=\"x y z\"}"},
        {"<x:a xmlns:x=\"urn:x\" x:b=\"1\"/>", "{[0]=\"x:a\",x:b=\"1\",xmlns:x=\"urn:x\"}"},
        // Names Lua would read as numbers stay string keys.
        {"<a inf=\"1\" nan=\"2\"/>", "{[0]=\"a\",inf=\"1\",nan=\"2\"}"},
        {"<s note=\"tab&#9;and&#10;new\tline\n\"/>", "{[0]=\"s\",note=\"tab\tand\\nnew line \"}"},
    };
    for (const auto& [xml, table] : cases)
        EXPECT_EQ(load(xml), table) << xml;
}

TEST_F(PGFReader, MalformedDocumentsGiveNilAndAMessageWrongArgumentsAnError)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "pgf.loadString: the document is empty"},
        {"hello", "pgf.loadString: line 1: Start tag expected, '<' not found"},
        {"<a>\n<b>\n", "pgf.loadString: line 3: Premature end of data in tag b line 2"},
        // The whole length reaches the parser: cut at the zero byte the
        // document would merely end early.
        {std::string("<a>x\0y</a>", 10), "pgf.loadString: line 1: Char 0x0 out of allowed range"},
        // Declared entities are not known to the reader either.
        {"<!DOCTYPE a [<!ENTITY e \"boom\">]><a>&e;</a>", "pgf.loadString: line 1: Entity 'e' not defined"},
    };
    testing::internal::CaptureStderr();  // (the message printed too: the attribute limit's test)
    for (const auto& [xml, message] : cases)
        EXPECT_EQ(load(xml), "nil|\"" + message + "\"") << xml;
    // A number is converted like any Lua string argument.
    EXPECT_EQ(state.eval("dumpAll(pgf.loadString(5))"), "nil|\"" + cases[1].second + "\"");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(state.errorMessage("pgf.loadString({})"), "pgf.loadString: argument 1 must be a string (got table)");
    EXPECT_EQ(state.errorMessage("pgf.loadFile()"), "pgf.loadFile: argument 1 must be a string (got no value)");
    EXPECT_EQ(state.errorMessage("pgf.parser:loadFile(false)"), "pgf.loadFile: argument 2 must be a string (got boolean)");
    // The script carries on.
    EXPECT_EQ(load("<ok/>"), "{[0]=\"ok\"}");
}

// CDATA sections arrive as one chunk each, which makes the cut exact
// (ordinary character data takes the same path in chunks of the library's
// choosing).
TEST_F(PGFReader, TextIsCutAtTheChunkThatPassesTheLimit)
{
    state.setString("doc", "<a><![CDATA[" + std::string(16383, 'x') + "]]></a>");
    EXPECT_EQ(state.eval("#pgf.loadString(doc)[1]"), "16383");
    EXPECT_EQ(load("<a><![CDATA[" + std::string(16384, 'x') + "]]></a>"), "{[0]=\"a\"}");

    // The chunk that would pass the limit is dropped; a later one that fits is kept.
    state.setString("doc", "<a><![CDATA[" + std::string(16000, 'x') + "]]><![CDATA[" + std::string(500, 'y') +
                               "]]><![CDATA[zz]]></a>");
    state.run("t = pgf.loadString(doc)[1]");
    EXPECT_EQ(state.string("t"), std::string(16000, 'x') + "zz");
}

TEST_F(PGFReader, NestingIsLimitedTo100Elements)
{
    state.setString("doc", nested(100));
    EXPECT_EQ(state.eval("(function(t) local n = 0 while t do n = n + 1 t = t[1] end return n end)(pgf.loadString(doc))"),
              "100");
    testing::internal::CaptureStderr();
    EXPECT_EQ(load(nested(101)), "nil|\"pgf.loadString: the document is nested deeper than 100 elements\"");
    EXPECT_EQ(load(nested(5000)).substr(0, 4), "nil|");
    testing::internal::GetCapturedStderr();
}

// A root element read whole is the document, whatever follows it; the
// parser's message is printed once. A file behaves the same.
TEST_F(PGFReader, ContentAfterACompleteRootIsReportedAndTheRootReturned)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(load("<a x=\"1\"><b/></a><second/>"), "{[0]=\"a\",[1]={[0]=\"b\"},x=\"1\"}");
    TempDir dir;
    writeFile(dir.file("two.xml"), "<game/>\n<game/>\n");
    state.setString("path", dir.file("two.xml"));
    EXPECT_EQ(state.eval("dumpAll(pgf.loadFile(path))"), "{[0]=\"game\"}");
    const std::string extra = ": Extra content at the end of the document; the root element before it is read\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "pgf.loadString: line 1" + extra + "pgf.loadFile: " + dir.file("two.xml") + ": line 2" + extra);
}

TEST_F(PGFReader, FilesAndMissingFiles)
{
    TempDir dir;
    writeFile(dir.file("doc.xml"), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<game name=\"caf\xE9\"><scene/></game>\n");
    state.setString("path", dir.file("doc.xml"));
    EXPECT_EQ(state.eval("dump(pgf.loadFile(path))"), "{[0]=\"game\",[1]={[0]=\"scene\"},name=\"caf\xC3\xA9\"}");

    testing::internal::CaptureStderr();
    state.setString("path", dir.file("missing.xml"));
    EXPECT_EQ(state.eval("dumpAll(pgf.loadFile(path))"),
              "nil|\"pgf.loadFile: " + dir.file("missing.xml") + ": cannot read the file: No such file or directory\"");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot read the file"), std::string::npos);
}

TEST(PGFAttributeCount, CountsOnlyTheAttributesOfStartTags)
{
    const struct {
        const char* text;
        unsigned most;
    } cases[] = {
        {"<a x='1' y=\"2\"/>", 2},
        {"<a x=\"p>q=r\" y='=' z = \"'\"></a>", 3},
        {"<a b='1'><c d='1' e='2' f='3'/></a>", 3},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><a b='1'/>", 1},
        {"<!-- <a b=1 c=2 d=3> --><a/>", 0},
        {"<a><![CDATA[<b c='1' d='2'>]]></a>", 0},
        {"<!DOCTYPE a [<!ATTLIST a b CDATA 'x=y'>]><a/>", 0},
        {"</a b='1'>", 0},
        // Malformed: an unclosed tag counts up to the next one, an
        // unclosed value or comment runs to the end.
        {"<a b='1' <c d='1' e='2'/>", 2},
        {"<a b='1 c='2'", 1},
        {"<!-- <a b='1'>", 0},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PGFMostAttributesOnAnElement(c.text, std::strlen(c.text)), c.most) << c.text;

    // Counting stops one past the limit.
    const std::string many = elementWith(5000);
    EXPECT_EQ(PGFMostAttributesOnAnElement(many.data(), many.size(), 10), 11u);
    EXPECT_EQ(PGFMostAttributesOnAnElement(many.data(), many.size(), 5000), 5000u);
}

// At the limit a document reads whole; one attribute more and it is nil and
// the message, from a string and from a file alike.
TEST(PGFAttributeCount, DocumentsOverTheLimitAreRefused)
{
    DocumentState state;
    TempDir dir;
    state.setString("doc", "<root>" + elementWith(PGFMaxAttributesPerElement) + "</root>");
    EXPECT_EQ(state.eval("(function(t) local n = 0 for k in pairs(t[1]) do n = n + 1 end return n end)"
                         "(pgf.loadString(doc))"),
              std::to_string(PGFMaxAttributesPerElement + 1));

    const std::string over = "<root><a b='1'/>" + elementWith(PGFMaxAttributesPerElement + 1) + "</root>";
    writeFile(dir.file("over.xml"), over);
    state.setString("doc", over);
    state.setString("path", dir.file("over.xml"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(state.eval("dumpAll(pgf.loadString(doc))"),
              "nil|\"pgf.loadString: an element has more than 1000 attributes\"");
    EXPECT_EQ(state.eval("dumpAll(pgf.loadFile(path))"),
              "nil|\"pgf.loadFile: " + dir.file("over.xml") + ": an element has more than 1000 attributes\"");
    const std::string lines = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2) << lines;
}

// ---- Running out of memory while building -------------------------------------

TEST(PGFBuilder, OutOfMemoryIsAnOrdinaryLuaError)
{
    Budget budget;
    lua_State* L = lua_newstate(limitedAlloc, &budget);
    luaL_openlibs(L);
    lua_pushcfunction(L, luaopen_PGF);
    lua_call(L, 0, 0);
    std::string xml = "<r>";
    for (int i = 0; i < 20000; ++i)
        xml += "<item name=\"n" + std::to_string(i) + "\">text</item>";
    xml += "</r>";
    lua_getfield(L, LUA_GLOBALSINDEX, "pgf");
    lua_getfield(L, -1, "loadString");
    lua_pushlstring(L, xml.data(), xml.size());
    budget.limit = budget.used + 256 * 1024;
    ASSERT_NE(lua_pcall(L, 1, 1, 0), 0);
    EXPECT_STREQ(lua_tostring(L, -1), "not enough memory");
    budget.limit = 0;
    lua_settop(L, 0);
    // The state is still usable afterwards.
    ASSERT_EQ(luaL_dostring(L, "return pgf.loadString('<a b=\"c\"/>').b"), 0);
    EXPECT_STREQ(lua_tostring(L, -1), "c");
    lua_close(L);
}
