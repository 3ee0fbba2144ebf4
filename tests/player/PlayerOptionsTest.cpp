// The player's command line, and which runs show a failure in a message box.
#include <gtest/gtest.h>

#include <vector>

#include "launch/TNFailureAlert.h"
#include "launch/TNPlayerOptions.h"

namespace {

bool parse(std::vector<const char*> args, TNPlayerOptions& options, std::string& error)
{
    args.insert(args.begin(), "tern-player");
    return TNParsePlayerOptions(static_cast<int>(args.size()), args.data(), options, error);
}

} // namespace

// What the player's own runs in the tests do not use (they pass --headless,
// --frames, --fixed-step, --screenshot, --input and --report-memory with
// separate values, and the manual pages are made from --help and
// --version): the "=" forms, the windowed run's switches and "--".
TEST(PlayerOptions, ReadsEqualsFormsSwitchesAndDoubleDash)
{
    TNPlayerOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--screenshot=out.png", "--fullscreen", "--report-memory=500", "--no-gamepad", "--",
                       "--odd.app"},
                      options, error))
        << error;
    EXPECT_TRUE(options.fullscreen && options.noGamepad);
    EXPECT_EQ(options.screenshotPath + " " + std::to_string(options.memoryReportInterval) + " " + options.bundlePath,
              "out.png 500 --odd.app");
    TNPlayerOptions plain;
    ASSERT_TRUE(parse({}, plain, error));
    EXPECT_FALSE(plain.fullscreen || plain.noGamepad);
}

TEST(PlayerOptions, RejectsBadCommandLinesWithOneLine)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--frames"}, {"--frames", "0"}, {"--frames", "-3"}, {"--frames", "x1"},
        {"--frames", "99999999999999999999999"}, {"--screenshot"}, {"--screenshot", "out.jpg"},
        {"--bogus"}, {"A.app", "B.app"}, {"--headless=yes"}, {"--no-gamepad=1"},
        {"--input"}, {"--input="}, {"--report-memory", "0"}, {"--report-memory", "often"},
    };
    for (const auto& args : bad) {
        TNPlayerOptions options;
        std::string error;
        EXPECT_FALSE(parse(args, options, error)) << args[0];
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(FailureAlert, ShownOnlyToAPersonWithoutATerminal)
{
    struct Case {
        std::vector<const char*> args;
        bool stderrIsTerminal;
        const char* driver;
        bool shown;
    } cases[] = {
        {{}, false, nullptr, true},
        {{}, false, "x11", true},
        {{"--fullscreen", "--no-gamepad"}, false, "wayland", true},
        {{}, true, nullptr, false},
        {{}, false, "offscreen", false},
        {{}, false, "dummy", false},
        {{"--headless"}, false, nullptr, false},
        {{"--frames", "10"}, false, "x11", false},
        {{"--input", "keys.txt"}, false, "x11", false},
        {{"--screenshot", "shot.png"}, false, "x11", false},
    };
    for (const Case& c : cases) {
        TNPlayerOptions options;
        std::string error;
        ASSERT_TRUE(parse(c.args, options, error)) << error;
        EXPECT_EQ(TNFailureAlertWanted(options, c.stderrIsTerminal, c.driver), c.shown)
            << (c.args.empty() ? "(no options)" : c.args[0]) << " terminal " << c.stderrIsTerminal << " driver "
            << (c.driver ? c.driver : "(SDL's choice)");
    }
}
