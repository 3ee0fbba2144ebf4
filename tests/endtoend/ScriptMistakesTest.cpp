// A game that makes the mistakes shipped engine scripts make where one part
// of the engine calls into the script while another is busy, played through
// tern-player headless: nodes removed and scenes deleted from path methods
// while the scene draws and from contact callbacks. (Gone nodes, ports and
// bodies used later, one module at a time, are tests/scenegraph's and
// tests/physics'.) The game (mistakes/game.lua and one file per mistake)
// marks each mistake's square green when the game went on as it should; the
// test checks the last frame's pixels, that no "Lua Error" line was printed
// and that the player ended normally. It skips while the build has no
// tern-player.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "Picture.h"
#include "PlayedGame.h"

using namespace tern_test;
namespace fs = std::filesystem;

namespace {

const std::string kMistakes = std::string(TERN_SOURCE_DIR) + "/tests/endtoend/mistakes";

// The engine script: game.lua, then every other .lua file of the folder in
// name order.
std::string engineSource()
{
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(kMistakes)) {
        const std::string name = entry.path().filename();
        if (entry.path().extension() == ".lua" && name != "game.lua")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::string source = readFile(kMistakes + "/game.lua");
    for (const std::string& file : files)
        source += "\n" + readFile(file);
    return source;
}

// A white picture in folder for every name the game's loader nodes ask for
// (trigger(space, "name")).
void writePictures(const std::string& source, const std::string& folder)
{
    const std::regex asked("trigger\\([^,]+, \"(\\w+)\"\\)");
    for (std::sregex_iterator it(source.begin(), source.end(), asked), end; it != end; ++it)
        writeColourPNG(folder + "/" + (*it)[1].str() + ".png", 255, 255, 255);
}

int countOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

}  // namespace

// The last frame shows every mistake passed over, nothing removed ever
// drawn, and each gone object reported once, not once a frame.
TEST(ScriptMistakes, TheGameGoesOnThroughEveryMistake)
{
    if (!hasPlayerAndBundler())
        GTEST_SKIP() << "the build has no tern-player or tern-bundle yet";
    TempDir dir;
    const std::string source = engineSource();
    writePictures(source, dir.file("Mistakes.gameproj/images"));
    const CommandResult bundled = bundleGame(dir.path(), "Mistakes", source, dir.file("Mistakes.gameproj"));
    ASSERT_EQ(bundled.status, 0) << bundled.out;
    const CommandResult r = runCommand("XDG_DATA_HOME=" + dir.path() + " " + playerPath() +
                                       " --headless --fixed-step --frames 12 --screenshot " + dir.file("shot.png") +
                                       " " + dir.file("Mistakes.app") + " 2>&1");
    const std::string& out = r.out;
    EXPECT_EQ(r.status, 0) << out;
    EXPECT_EQ(out.find("Lua Error"), std::string::npos) << out;
    EXPECT_EQ(out.find("mistake failed"), std::string::npos) << out;

    const Picture shot(dir.file("shot.png"));
    ASSERT_EQ(shot.width, 128) << out;
    ASSERT_EQ(shot.height, 64);
    const int mistakes = countOf(source, "\nmistake(\"");
    ASSERT_GE(mistakes, 3);
    for (int i = 0; i < mistakes; ++i) {
        const Rgb square = shot.at(6 + i * 10, shot.height - 1 - 6);
        EXPECT_TRUE(square.g > 200 && square.r < 50 && square.b < 50)
            << "square " << i + 1 << " is " << square.r << ", " << square.g << ", " << square.b << "\n" << out;
    }
    // Nothing removed or deleted before it was drawn ever shows, and the
    // background is drawn around the squares.
    const int magenta = static_cast<int>(std::count_if(shot.pixels.begin(), shot.pixels.end(), [](const Rgb& p) {
        return p.r > 200 && p.g < 50 && p.b > 200;
    }));
    EXPECT_EQ(magenta, 0) << out;
    const Rgb background = shot.at(64, shot.height - 1 - 50);
    EXPECT_TRUE(background.r < 10 && background.g < 10 && std::abs(background.b - 128) < 3)
        << background.r << ", " << background.g << ", " << background.b;

    for (const char* line : {"port:value: the port's node", "renderNode:getLayer: the render node", "Body.position: the body",
                             "scene:render: the scene"})
        EXPECT_EQ(countOf(out, line), 1) << line << "\n" << out;
    EXPECT_EQ(out.find("could not"), std::string::npos) << "every picture the game asks for is there\n" << out;
}
