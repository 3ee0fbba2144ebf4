// Scripted input files: what they deliver at which frame, and how bad
// lines are reported.
#include <gtest/gtest.h>

#include "launch/TNInputScript.h"
#include "TestSupport.h"

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

    std::vector<TNScriptEvent> first = script.takeEventsForFrame(0);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(first[0].isMouse());
    EXPECT_EQ(first[0].function, "mouseMoved");
    EXPECT_FLOAT_EQ(first[0].x, 10.5f);
    EXPECT_FLOAT_EQ(first[0].y, -2.0f);
    EXPECT_TRUE(script.takeEventsForFrame(1).empty());

    // Frame 5 keeps the order the lines were written in.
    std::vector<TNScriptEvent> fifth = script.takeEventsForFrame(5);
    ASSERT_EQ(fifth.size(), 3u);
    EXPECT_EQ(fifth[0].function, "keyDown");
    EXPECT_EQ(fifth[0].name, "left");
    EXPECT_EQ(fifth[1].function, "mouseDown");
    EXPECT_EQ(fifth[2].name, "space");
    EXPECT_TRUE(script.takeEventsForFrame(5).empty());

    EXPECT_FALSE(script.empty());
    std::vector<TNScriptEvent> seventh = script.takeEventsForFrame(7);
    ASSERT_EQ(seventh.size(), 1u);
    EXPECT_EQ(seventh[0].name, "left");  // the carriage return is not part of the name
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
    tern_test::writeFile(dir.file("moves.txt"), "12 keyDown space\n");
    ASSERT_TRUE(script.load(dir.file("moves.txt"), error)) << error;
    EXPECT_EQ(script.takeEventsForFrame(12).size(), 1u);
}
