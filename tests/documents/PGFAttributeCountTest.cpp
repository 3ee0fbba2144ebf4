// Elements with very many attributes: counted in one pass before the XML
// library sees them, and refused over the limit with one message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "DocumentScript.h"
#include "TestSupport.h"
#include "documents/PGFAttributeCount.h"

using namespace tern_test;

namespace {

// <e a0="0" a1="1" ... /> with count attributes.
std::string elementWith(unsigned count)
{
    std::string xml = "<e";
    for (unsigned i = 0; i < count; ++i)
        xml += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    return xml + "/>";
}

}  // namespace

TEST(PGFAttributeCount, CountsOnlyTheAttributesOfStartTags)
{
    const struct {
        const char* text;
        unsigned most;
    } cases[] = {
        {"<a/>", 0},
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
    EXPECT_EQ(state.eval("pgf.loadString(doc)[1].a999"), "999");

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
    EXPECT_EQ(lua_gettop(state.L()), 0);
}
