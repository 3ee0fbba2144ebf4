// The XML and JSON writers, checked byte for byte, and by python3's json
// where the output is not known in advance.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "DocumentScript.h"
#include "TestSupport.h"

using namespace tern_test;

namespace {

// Drives a small document through a writer made by CONSTRUCTOR and keeps
// the output in the global "out" and the results in "results".
const char* const kSmallDocument = R"LUA(
    w = CONSTRUCTOR
    results = {}
    local function r(v) results[#results + 1] = v end
    r(w:startDocument())
    r(w:startElement("root"))
    r(w:writeAttribute("a", "1"))
    r(w:startElement("child"))
    r(w:endElement())
    r(w:startElement("item"))
    r(w:writeAttribute("k", "v\"/"))
    r(w:writeTextValue("text & <more>"))
    r(w:endElement())
    r(w:endElement())
    r(w:endDocument())
    out = w:getString()
    w:close()
)LUA";

std::string smallDocument(DocumentState& state, const std::string& constructor)
{
    std::string chunk = kSmallDocument;
    chunk.replace(chunk.find("CONSTRUCTOR"), 11, constructor);
    state.run(chunk);
    return state.string("out");
}

// python3's json module reading text and writing it again indented by tabs
// ("" when it cannot read it).
std::string reindented(const std::string& text)
{
    TempDir dir;
    writeFile(dir.file("input"), text);
    return runCommand("python3 -c 'import json,sys; print(json.dumps(json.load(open(sys.argv[1], encoding=\"utf-8\")), "
                      "indent=\"\\t\"))' " + dir.file("input") + " 2>/dev/null")
        .out;
}

class PGFWriters : public ::testing::Test {
protected:
    // Runs a chunk that writes with w and returns the text it wrote.
    std::string written(const std::string& chunk)
    {
        state.run(chunk + " out = w:getString() w:close()");
        return state.string("out");
    }

    DocumentState state;
};

}  // namespace

TEST_F(PGFWriters, EachFormatByteForByte)
{
    const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<root a=\"1\"><child/><item k=\"v&quot;/\">text &amp; &lt;more&gt;</item></root>\n";
    const std::string compact = "{\"_type\":\"root\",\"a\":\"1\",\"_children\":[{\"_type\":\"child\"},"
                                "{\"_type\":\"item\",\"k\":\"v\\\"/\",\"_text\":\"text & <more>\"}]}";
    // The indented form is what python3's json writes for the compact one.
    const std::string pretty = reindented(compact);
    const std::pair<const char*, const std::string&> cases[] = {
        {"pgf.writer.newToString()", xml},
        // Any format name but the two JSON ones means XML.
        {"pgf.writer.newToString('yaml')", xml},
        {"pgf.writer.newToString('json')", compact},
        {"pgf.writer.newToString('json-pretty')", pretty},
    };
    for (const auto& [constructor, expected] : cases)
        EXPECT_EQ(smallDocument(state, constructor), expected) << constructor;
    EXPECT_EQ(state.eval("table.concat(results, ',')"), "0,1,1,1,1,1,1,1,1,1,0");  // JSON results
}

// Short writes checked whole: control characters escaped, text after
// children closing the list first, a child after the list closed by an
// attribute refused and left out, and endDocument leaving JSON open but
// closing XML.
TEST_F(PGFWriters, ShortWritesByteForByte)
{
    const std::pair<const char*, const char*> cases[] = {
        {"w = pgf.writer.newToString('json') w:startElement('a') w:writeTextValue('\\1\\t\\n\\\\') w:endElement()",
         "{\"_type\":\"a\",\"_text\":\"\\u0001\\t\\n\\\\\"}"},
        {"w = pgf.writer.newToString('json') w:startElement('r') w:startElement('c') w:endElement() "
         "late = w:writeTextValue('words') w:endElement()",
         "{\"_type\":\"r\",\"_children\":[{\"_type\":\"c\"}],\"_text\":\"words\"}"},
        {"w = pgf.writer.newToString('json') w:startElement('r') w:startElement('a') w:endElement() "
         "lateAttribute = w:writeAttribute('x', '1') refused = {w:startElement('b'), w:writeAttribute('k', 'v'), "
         "w:startElement('inner'), w:endElement(), w:endElement()} w:writeAttribute('y', '2') w:endElement()",
         "{\"_type\":\"r\",\"_children\":[{\"_type\":\"a\"}],\"x\":\"1\",\"y\":\"2\"}"},
        {"w = pgf.writer.newToString('json') w:startDocument() w:startElement('a') w:startElement('b') w:endDocument()",
         "{\"_type\":\"a\",\"_children\":[{\"_type\":\"b\""},
        {"w = pgf.writer.newToString() w:startDocument() w:startElement('a') w:startElement('b') "
         "partial = w:getString() w:endDocument()",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a><b/></a>\n"},
    };
    testing::internal::CaptureStdout();
    for (const auto& [chunk, expected] : cases)
        EXPECT_EQ(written(chunk), expected) << chunk;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "keys must be strings\n");
    EXPECT_EQ(state.eval("late .. lateAttribute .. ':' .. table.concat(refused, ',')"), "11:0,0,0,0,0");
    EXPECT_EQ(state.string("partial"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a><b");
}

TEST_F(PGFWriters, JSONDepthLimit)
{
    testing::internal::CaptureStdout();
    const std::string json = written(R"LUA(
        w = pgf.writer.newToString('json')
        results = {}
        for i = 1, 66 do results[i] = w:startElement('e' .. i) end
        for i = 1, 66 do w:endElement() end
        more = w:startElement('after'))LUA");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "max depth exceeded\ncomplete document has been generated\n");
    EXPECT_EQ(state.eval("results[64] .. results[65] .. results[66] .. more"), "1000");
    EXPECT_NE(reindented(json), "");
}

TEST_F(PGFWriters, OutOfOrderCallsGiveResultsNotCrashes)
{
    testing::internal::CaptureStdout();
    state.run(R"LUA(
        j = pgf.writer.newToString('json')
        jr = {j:endElement(), j:writeTextValue('t'), j:endElement(), j:startElement('late'), j:getString()}
        j:close()
        x = pgf.writer.newToString()
        xr = {x:endElement(), x:writeAttribute('a', 'b'), x:endDocument()}
        x:close())LUA");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(state.eval("table.concat(jr, ',')"), "-1,0,-1,0,\"_text\"");
    EXPECT_EQ(state.eval("table.concat(xr, ',')"), "-1,-1,1");
}

TEST_F(PGFWriters, ClosedWritersAndBadArguments)
{
    // A closed writer does nothing and gives nil, saying so once per function.
    testing::internal::CaptureStderr();
    state.run("w = pgf.writer.newToString('json') w:close() w:close()"
              "for i = 1, 2 do closed = {w:startElement('a'), w:getString(), w:endDocument()} end");
    EXPECT_EQ(state.eval("#closed .. tostring(closed[1]) .. tostring(closed[2]) .. tostring(closed[3])"), "0nilnilnil");
    const std::string lines = testing::internal::GetCapturedStderr();
    EXPECT_NE(lines.find("pgf.writer.startElement: the writer (closed) no longer exists; the call does nothing"),
              std::string::npos) << lines;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"pgf.writer.newToString():startElement({})", "pgf.writer.startElement: argument 2 must be a string (got table)"},
        {"pgf.writer.newToString():writeAttribute('a')",
         "pgf.writer.writeAttribute: argument 3 must be a string (got no value)"},
        {"pgf.writer.startElement('w', 'a')", "pgf.writer.startElement: argument 1 must be a writer (got string)"},
        {"pgf.writer.close({})", "pgf.writer.close: argument 1 must be a writer (got table)"},
        {"pgf.writer.newToString({})", "pgf.writer.newToString: argument 1 must be a string (got table)"},
        {"pgf.writer.newToFile()", "pgf.writer.newToFile: argument 1 must be a string (got no value)"},
    };
    for (const auto& [chunk, message] : cases)
        EXPECT_EQ(state.errorMessage(chunk), message);
    // Numbers are converted like any Lua string argument.
    EXPECT_EQ(written("w = pgf.writer.newToString() w:startElement(12.5)"), "<12.5");
    // Scripts find the writer's functions through its registry metatable.
    EXPECT_EQ(state.eval("debug.getregistry()['pgf.writerMT'] == getmetatable(w) and getmetatable(w).__index == pgf.writer"),
              "true");
}

TEST_F(PGFWriters, FilesMatchStringsAndForgottenOrUnwritableOnesAreHandled)
{
    TempDir dir;
    state.setString("dir", dir.path());
    const std::string xml = smallDocument(state, "pgf.writer.newToString()");
    const std::string json = smallDocument(state, "pgf.writer.newToString('json-pretty')");
    testing::internal::CaptureStdout();
    EXPECT_EQ(smallDocument(state, "pgf.writer.newToFile(dir .. '/out.xml')"), "<nil>");
    EXPECT_EQ(smallDocument(state, "pgf.writer.newToFile(dir .. '/out%41 #1.json', 'json-pretty')"), "<nil>");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "no internal buffer\n");
    EXPECT_EQ(readFile(dir.file("out.xml")), xml);
    EXPECT_EQ(readFile(dir.file("out%41 #1.json")), json);

    // A forgotten writer is closed, and its file written, by the collector.
    state.run("local w = pgf.writer.newToFile(dir .. '/forgotten.json', 'json') w:startElement('a') w:endElement() "
              "w = nil collectgarbage() collectgarbage()");
    EXPECT_EQ(readFile(dir.file("forgotten.json")), "{\"_type\":\"a\"}");

    // A relative path is relative to the working directory.
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof(previous)), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    state.run("w = pgf.writer.newToFile('relative.xml') w:startElement('a') w:endElement() w:close()");
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_EQ(readFile(dir.file("relative.xml")), "<a/>");

    // An unwritable path gives nil and the message, which is printed too.
    testing::internal::CaptureStderr();
    for (const char* format : {"nil", "'json'"})
        EXPECT_EQ(state.eval(std::string("dumpAll(pgf.writer.newToFile('/nonexistent-dir/out', ") + format + "))"),
                  "nil|\"pgf.writer.newToFile: cannot write '/nonexistent-dir/out': No such file or directory\"")
            << format;
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot write '/nonexistent-dir/out'"), std::string::npos);
}

// The finaliser is reachable from a script through the metatable: given
// any userdata but a writer it frees nothing; given a writer it closes it
// (once).
TEST_F(PGFWriters, FinaliserLeavesForeignUserdataAlone)
{
    static char notAWriter[16] = "untouched";
    char** foreign = static_cast<char**>(lua_newuserdata(state.L(), sizeof(char*)));
    *foreign = notAWriter;
    lua_setglobal(state.L(), "foreign");
    state.run("w = pgf.writer.newToString() w:startElement('a') finalise = getmetatable(w).__gc");
    for (const char* other : {"foreign", "io.stdout", "newproxy(true)", "{}", "'w'", "nil"})
        EXPECT_EQ(state.errorOf(std::string("finalise(") + other + ")"), "") << other;
    EXPECT_EQ(*foreign, notAWriter);
    EXPECT_STREQ(notAWriter, "untouched");
    EXPECT_EQ(state.eval("io.type(io.stdout)"), "file");
    EXPECT_EQ(state.eval("w:getString()"), "<a");
    state.run("finalise(w) finalise(w)");
    testing::internal::CaptureStderr();
    EXPECT_EQ(state.eval("w:getString()"), "nil");  // closed
    testing::internal::GetCapturedStderr();
}
