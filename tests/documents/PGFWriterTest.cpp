// The XML and JSON writers through the real host, checked byte for byte and
// by outside parsers (python3's json, xmllint).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <string>

#include "DocumentScript.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"

using namespace tern_test;

namespace {

// Drives a small document through a writer made by `constructor` and keeps
// the output in the global "out".
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

std::string smallDocument(ScriptedEngine& engine, const std::string& constructor)
{
    std::string chunk = kSmallDocument;
    chunk.replace(chunk.find("CONSTRUCTOR"), 11, constructor);
    engine.run(chunk);
    return globalString(engine, "out");
}

// Runs a shell command on a file holding text; returns its exit status.
int checkWithTool(const std::string& command, const std::string& text)
{
    TempDir dir;
    writeFile(dir.file("input"), text);
    const std::string line = command + " " + dir.file("input") + " >/dev/null 2>&1";
    return std::system(line.c_str());
}

const char* const kPythonJSON = "python3 -c 'import json,sys; json.load(open(sys.argv[1], encoding=\"utf-8\"))'";

class PGFWriters : public ::testing::Test {
protected:
    PGFWriters() : engine(documentScript()) {}
    ScriptedEngine engine;
};

}  // namespace

TEST_F(PGFWriters, XMLByteForByte)
{
    const std::string xml = smallDocument(engine, "pgf.writer.newToString()");
    EXPECT_EQ(xml, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<root a=\"1\"><child/><item k=\"v&quot;/\">text &amp; &lt;more&gt;</item></root>\n");
    EXPECT_EQ(checkWithTool("xmllint --noout", xml), 0);
    // Any format name but the two JSON ones means XML.
    EXPECT_EQ(smallDocument(engine, "pgf.writer.newToString('yaml')"), xml);
}

TEST_F(PGFWriters, CompactJSONByteForByte)
{
    const std::string json = smallDocument(engine, "pgf.writer.newToString('json')");
    EXPECT_EQ(json, "{\"_type\":\"root\",\"a\":\"1\",\"_children\":[{\"_type\":\"child\"},"
                    "{\"_type\":\"item\",\"k\":\"v\\\"/\",\"_text\":\"text & <more>\"}]}");
    EXPECT_EQ(engine.eval("table.concat(results, ',')"), "0,1,1,1,1,1,1,1,1,1,0");
    EXPECT_EQ(checkWithTool(kPythonJSON, json), 0);
}

TEST_F(PGFWriters, PrettyJSONByteForByte)
{
    const std::string json = smallDocument(engine, "pgf.writer.newToString('json-pretty')");
    EXPECT_EQ(json, "{\n"
                    "\t\"_type\": \"root\",\n"
                    "\t\"a\": \"1\",\n"
                    "\t\"_children\": [\n"
                    "\t\t{\n"
                    "\t\t\t\"_type\": \"child\"\n"
                    "\t\t},\n"
                    "\t\t{\n"
                    "\t\t\t\"_type\": \"item\",\n"
                    "\t\t\t\"k\": \"v\\\"/\",\n"
                    "\t\t\t\"_text\": \"text & <more>\"\n"
                    "\t\t}\n"
                    "\t]\n"
                    "}\n");
    EXPECT_EQ(checkWithTool(kPythonJSON, json), 0);
}

TEST_F(PGFWriters, JSONEscapesControlCharacters)
{
    engine.run("w = pgf.writer.newToString('json') w:startElement('a') w:writeTextValue('\\1\\t\\n\\\\') "
               "w:endElement() out = w:getString() w:close()");
    EXPECT_EQ(globalString(engine, "out"), "{\"_type\":\"a\",\"_text\":\"\\u0001\\t\\n\\\\\"}");
}

TEST_F(PGFWriters, AttributesAndTextAfterChildrenCloseTheList)
{
    engine.run(R"LUA(
        w = pgf.writer.newToString('json')
        w:startElement('r') w:startElement('c') w:endElement()
        late = w:writeAttribute('late', 'x')
        w:startElement('t') w:startElement('c') w:endElement() w:writeTextValue('words') w:endElement()
        w:endElement()
        out = w:getString() w:close())LUA");
    EXPECT_EQ(globalString(engine, "out"), "{\"_type\":\"r\",\"_children\":[{\"_type\":\"c\"}],\"late\":\"x\"}");
    EXPECT_EQ(engine.eval("late"), "1");
}

TEST_F(PGFWriters, ChildAfterAClosedListIsRefusedAndLeftOut)
{
    testing::internal::CaptureStdout();
    engine.run(R"LUA(
        w = pgf.writer.newToString('json')
        w:startElement('r') w:startElement('a') w:endElement()
        w:writeAttribute('x', '1')
        refused = {w:startElement('b'), w:writeAttribute('k', 'v'), w:startElement('inner'), w:endElement(), w:endElement()}
        w:writeAttribute('y', '2')
        w:endElement()
        out = w:getString() w:close())LUA");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "keys must be strings\n");
    EXPECT_EQ(engine.eval("table.concat(refused, ',')"), "0,0,0,0,0");
    const std::string json = globalString(engine, "out");
    EXPECT_EQ(json, "{\"_type\":\"r\",\"_children\":[{\"_type\":\"a\"}],\"x\":\"1\",\"y\":\"2\"}");
    EXPECT_EQ(checkWithTool(kPythonJSON, json), 0);
}

TEST_F(PGFWriters, JSONDepthLimit)
{
    testing::internal::CaptureStdout();
    engine.run(R"LUA(
        w = pgf.writer.newToString('json')
        results = {}
        for i = 1, 66 do results[i] = w:startElement('e' .. i) end
        for i = 1, 66 do w:endElement() end
        more = w:startElement('after')
        out = w:getString() w:close())LUA");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "max depth exceeded\ncomplete document has been generated\n");
    EXPECT_EQ(engine.eval("results[64]"), "1");
    EXPECT_EQ(engine.eval("results[65]"), "0");
    EXPECT_EQ(engine.eval("results[66]"), "0");
    EXPECT_EQ(engine.eval("more"), "0");
    EXPECT_EQ(checkWithTool(kPythonJSON, globalString(engine, "out")), 0);
}

TEST_F(PGFWriters, EndDocumentLeavesJSONOpenAndClosesXML)
{
    engine.run("w = pgf.writer.newToString('json') w:startDocument() w:startElement('a') w:startElement('b') "
               "w:endDocument() json = w:getString() w:close()");
    EXPECT_EQ(globalString(engine, "json"), "{\"_type\":\"a\",\"_children\":[{\"_type\":\"b\"");
    engine.run("w = pgf.writer.newToString() w:startDocument() w:startElement('a') w:startElement('b') "
               "partial = w:getString() w:endDocument() xml = w:getString() w:close()");
    EXPECT_EQ(globalString(engine, "partial"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a><b");
    EXPECT_EQ(globalString(engine, "xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a><b/></a>\n");
}

TEST_F(PGFWriters, OutOfOrderCallsGiveResultsNotCrashes)
{
    testing::internal::CaptureStdout();
    engine.run(R"LUA(
        j = pgf.writer.newToString('json')
        jr = {j:endElement(), j:writeTextValue('t'), j:endElement(), j:startElement('late'), j:getString()}
        j:close()
        x = pgf.writer.newToString()
        xr = {x:endElement(), x:writeAttribute('a', 'b'), x:endDocument()}
        x:close())LUA");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(engine.eval("table.concat(jr, ',')"), "-1,0,-1,0,\"_text\"");
    EXPECT_EQ(engine.eval("table.concat(xr, ',')"), "-1,-1,1");
}

TEST_F(PGFWriters, ClosedWritersAndBadArguments)
{
    engine.run("w = pgf.writer.newToString('json') w:close() w:close()");
    EXPECT_EQ(engine.eval("select(2, pcall(w.startElement, w, 'a'))"), "pgf.writer.startElement: the writer is closed");
    EXPECT_EQ(engine.eval("select(2, pcall(w.getString, w))"), "pgf.writer.getString: the writer is closed");
    engine.run("w = pgf.writer.newToString()");
    EXPECT_NE(engine.eval("select(2, pcall(w.startElement, w, {}))").find("bad argument #2 to '?' (string expected, got table)"),
              std::string::npos);
    EXPECT_NE(engine.eval("select(2, pcall(w.startElement, 'w', 'a'))").find("pgf.writerMT expected"),
              std::string::npos);
    EXPECT_EQ(engine.eval("w:startElement(12.5) >= 0"), "true");
    EXPECT_EQ(engine.eval("w:getString()"), "<12.5");
    engine.run("w:close()");
}

TEST_F(PGFWriters, FilesMatchStrings)
{
    TempDir dir;
    setGlobalString(engine, "dir", dir.path());
    const std::string xml = smallDocument(engine, "pgf.writer.newToString()");
    const std::string json = smallDocument(engine, "pgf.writer.newToString('json-pretty')");
    testing::internal::CaptureStdout();
    smallDocument(engine, "pgf.writer.newToFile(dir .. '/out.xml')");
    EXPECT_EQ(engine.eval("out"), "nil");
    smallDocument(engine, "pgf.writer.newToFile(dir .. '/out%41 #1.json', 'json-pretty')");
    EXPECT_EQ(engine.eval("out"), "nil");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "no internal buffer\n");
    EXPECT_EQ(readFile(dir.file("out.xml")), xml);
    EXPECT_EQ(readFile(dir.file("out%41 #1.json")), json);
}

TEST_F(PGFWriters, RelativePathsAreRelativeToTheWorkingDirectory)
{
    TempDir dir;
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof(previous)), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    engine.run("w = pgf.writer.newToFile('relative.xml') w:startElement('a') w:endElement() w:close()");
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_EQ(readFile(dir.file("relative.xml")), "<a/>");
}

TEST_F(PGFWriters, UnwritablePathsGiveNilAndAMessage)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(engine.eval("dumpAll(pgf.writer.newToFile('/nonexistent-dir/out.xml'))"),
              "nil|\"pgf.writer.newToFile: cannot write '/nonexistent-dir/out.xml': No such file or directory\"");
    EXPECT_EQ(engine.eval("dumpAll(pgf.writer.newToFile('/nonexistent-dir/out.json', 'json'))"),
              "nil|\"pgf.writer.newToFile: cannot write '/nonexistent-dir/out.json': No such file or directory\"");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot write '/nonexistent-dir/out.xml'"), std::string::npos);
}

TEST_F(PGFWriters, ForgottenWritersAreClosedByTheCollector)
{
    TempDir dir;
    setGlobalString(engine, "path", dir.file("forgotten.json"));
    engine.run("local w = pgf.writer.newToFile(path, 'json') w:startElement('a') w:endElement() "
               "w = nil collectgarbage() collectgarbage()");
    EXPECT_EQ(readFile(dir.file("forgotten.json")), "{\"_type\":\"a\"}");
}

TEST_F(PGFWriters, ModuleLayout)
{
    EXPECT_EQ(engine.eval("type(pgf.parser.loadString) .. type(pgf.parser.loadFile) .. type(pgf.loadFile)"), "functionfunctionfunction");
    EXPECT_EQ(engine.eval("getmetatable(pgf.writer.newToString()).__index == pgf.writer"), "true");
    EXPECT_EQ(engine.eval("debug.getregistry()['pgf.writerMT'].__index == pgf.writer"), "true");
    engine.run("n = 0 for k in pairs(pgf.writer) do n = n + 1 end");
    EXPECT_EQ(engine.eval("n"), "10");
}

TEST_F(PGFWriters, ReadWriteJSONAgreesWithPython)
{
    setGlobalString(engine, "doc", "<r a=\"1\"><b>x</b><c d=\"&quot;q&quot;\"/><e>  </e></r>");
    engine.run("json = writeDocument('json', pgf.loadString(doc))");
    const std::string json = globalString(engine, "json");
    EXPECT_EQ(json, "{\"_type\":\"r\",\"a\":\"1\",\"_children\":[{\"_type\":\"b\",\"_text\":\"x\"},"
                    "{\"_type\":\"c\",\"d\":\"\\\"q\\\"\"},{\"_type\":\"e\",\"_text\":\"  \"}]}");
    EXPECT_EQ(checkWithTool("python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); "
                            "sys.exit(0 if d[\"_children\"][1][\"d\"] == \"\\\"q\\\"\" else 1)'",
                            json),
              0);
}
