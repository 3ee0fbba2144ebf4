// The player's command line.
#include <gtest/gtest.h>

#include <vector>

#include "launch/TNPlayerOptions.h"

namespace {

bool parse(std::vector<const char*> args, TNPlayerOptions& options, std::string& error)
{
    args.insert(args.begin(), "tern-player");
    return TNParsePlayerOptions(static_cast<int>(args.size()), args.data(), options, error);
}

} // namespace

TEST(PlayerOptions, ReadsEveryOption)
{
    TNPlayerOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--headless", "--frames", "30", "--fixed-step", "--screenshot=out.png", "--fullscreen",
                       "--input", "keys.txt", "--report-memory=500", "Game.app"},
                      options, error))
        << error;
    EXPECT_TRUE(options.headless);
    EXPECT_TRUE(options.fixedStep);
    EXPECT_TRUE(options.fullscreen);
    EXPECT_EQ(options.frames, 30u);
    EXPECT_EQ(options.screenshotPath, "out.png");
    EXPECT_EQ(options.inputPath, "keys.txt");
    EXPECT_EQ(options.memoryReportInterval, 500u);
    EXPECT_EQ(options.bundlePath, "Game.app");

    TNPlayerOptions plain;
    ASSERT_TRUE(parse({}, plain, error));
    EXPECT_EQ(plain.bundlePath, "");
    EXPECT_EQ(plain.frames, 0u);
    ASSERT_TRUE(parse({"--help", "--version", "--", "--odd.app"}, plain, error));
    EXPECT_TRUE(plain.help);
    EXPECT_TRUE(plain.version);
    EXPECT_EQ(plain.bundlePath, "--odd.app");
}

TEST(PlayerOptions, RejectsBadCommandLinesWithOneLine)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--frames"}, {"--frames", "0"}, {"--frames", "-3"}, {"--frames", "x1"},
        {"--frames", "99999999999999999999999"}, {"--screenshot"}, {"--screenshot", "out.jpg"},
        {"--bogus"}, {"A.app", "B.app"}, {"--headless=yes"},
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
