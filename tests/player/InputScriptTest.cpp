// Scripted input files: what they deliver at which frame, and how bad
// lines are reported. A file read whole is played by the end-to-end tests.
#include <gtest/gtest.h>

#include <cstdio>

#include "launch/TNInputScript.h"
#include "TestSupport.h"

namespace {

// "keyDown left; mouseDown 240,160" for the frame's events.
std::string takeFrame(TNInputScript& script, uint64_t frame)
{
    std::string out;
    for (const TNScriptEvent& e : script.takeEventsForFrame(frame)) {
        char point[64];
        std::snprintf(point, sizeof point, "%g,%g", e.x, e.y);
        out += (out.empty() ? "" : "; ") + e.function + " " + (e.isMouse() ? point : e.name);
    }
    return out;
}

}  // namespace

TEST(InputScript, DeliversEachFramesEventsInOrderOnce)
{
    TNInputScript script;
    std::string error;
    ASSERT_TRUE(script.parse("# start, then steer\n"
                             "\n"
                             "5 keyDown left\n"
                             "  0 mouseMoved 10.5 -2\n"
                             "5 mouseDown 240 160\n"
                             "7 keyUp left\r\n"
                             "5 keyUp space\n",
                             "test", error))
        << error;
    EXPECT_EQ(script.size(), 5u);
    EXPECT_EQ(takeFrame(script, 0), "mouseMoved 10.5,-2");
    EXPECT_EQ(takeFrame(script, 1), "");
    // Frame 5 keeps the order the lines were written in, and is handed out once.
    EXPECT_EQ(takeFrame(script, 5), "keyDown left; mouseDown 240,160; keyUp space");
    EXPECT_EQ(takeFrame(script, 5), "");
    EXPECT_FALSE(script.empty());
    EXPECT_EQ(takeFrame(script, 7), "keyUp left");  // the carriage return is not part of the name
    EXPECT_TRUE(script.empty());
}

TEST(InputScript, BadLinesNameTheFileAndLine)
{
    const char* bad[] = {
        "keyDown left",          "-1 keyDown left",       "3 keyDown",
        "3 mouseDown 1",         "3 mouseDown 1 y",       "3 mouseMoved 1 nan",
        "3 jump",                "3 keyUp left right",    "99999999999999999999999 keyUp a",
    };
    for (const char* line : bad) {
        TNInputScript script;
        std::string error;
        EXPECT_FALSE(script.parse(std::string("0 keyDown a\n") + line + "\n", "moves.txt", error)) << line;
        EXPECT_EQ(error.rfind("moves.txt:2: ", 0), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(script.size(), 0u) << line;
    }

    tern_test::TempDir dir;
    TNInputScript script;
    std::string error;
    EXPECT_FALSE(script.load(dir.file("missing.txt"), error));
    EXPECT_NE(error.find("missing.txt"), std::string::npos) << error;
}
