// A game that makes the mistakes shipped engine scripts make, played
// through tern-player headless: nodes and spaces removed twice, ports and
// bodies used after their objects went, nodes removed and scenes deleted
// from path methods while the scene draws and from contact callbacks,
// documents with content after the root. The game (mistakes/game.lua and
// one file per mistake) marks each mistake's square green when the game
// went on as it should; the test checks the last frame's pixels, that no
// "Lua Error" line was printed and that the player ended normally. The
// tests skip while the build has no tern-player.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

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

// A white 4 × 4 picture in folder for every name the game's loader nodes
// ask for (trigger(space, "name")).
void writePictures(const std::string& source, const std::string& folder)
{
    SDL_Surface* white = SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_ABGR8888);
    SDL_FillRect(white, nullptr, 0xFFFFFFFFu);
    const std::regex asked("trigger\\([^,]+, \"(\\w+)\"\\)");
    for (std::sregex_iterator it(source.begin(), source.end(), asked), end; it != end; ++it)
        EXPECT_EQ(IMG_SavePNG(white, (folder + "/" + (*it)[1].str() + ".png").c_str()), 0) << SDL_GetError();
    SDL_FreeSurface(white);
}

int countOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class ScriptMistakes : public testing::Test {
protected:
    void SetUp() override
    {
        if (!hasPlayerAndBundler())
            GTEST_SKIP() << "the build has no tern-player or tern-bundle yet";
        fs::create_directories(dir.file("Mistakes.gameproj/images"));
        writePictures(engineSource(), dir.file("Mistakes.gameproj/images"));
        const CommandResult bundled = bundleGame(dir.path(), "Mistakes", engineSource(), dir.file("Mistakes.gameproj"));
        ASSERT_EQ(bundled.status, 0) << bundled.out;
    }

    // Plays the game headless at the fixed step for frames frames; the
    // player's standard output and error together.
    std::string play(int frames)
    {
        std::string input;
        if (fileExists(kMistakes + "/input.txt"))
            input = " --input " + kMistakes + "/input.txt";
        const CommandResult r = runCommand("XDG_DATA_HOME=" + dir.path() + " " + playerPath() +
                                           " --headless --fixed-step --frames " +
                                           std::to_string(frames) + input +
                                           " --screenshot " + dir.file("shot.png") + " " + dir.file("Mistakes.app") +
                                           " 2>&1");
        status = r.status;
        return r.out;
    }

    // The last frame shows every mistake passed over, nothing removed ever
    // drawn, and each gone object reported once.
    void expectTheGameWentOn(const std::string& out);

    TempDir dir;
    int status = -1;
};

void ScriptMistakes::expectTheGameWentOn(const std::string& out)
{
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out.find("Lua Error"), std::string::npos) << out;
    EXPECT_EQ(out.find("mistake failed"), std::string::npos) << out;

    const Picture shot(dir.file("shot.png"));
    ASSERT_EQ(shot.width, 128) << out;
    ASSERT_EQ(shot.height, 64);
    const int mistakes = countOf(engineSource(), "\nmistake(\"");
    ASSERT_GE(mistakes, 7);
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

    // Each function that met a gone object said so once, not once a frame.
    for (const char* line : {"port:setValue: the port's node", "port:value: the port's node",
                             "space:removeNode: the node", "scene:removeSpace: the space", "Body.position: the body",
                             "World.destroyBody: the body", "scene:render: the scene"})
        EXPECT_EQ(countOf(out, line), 1) << line << "\n" << out;
    EXPECT_EQ(countOf(out, "Extra content at the end of the document"), 1) << out;
    EXPECT_EQ(out.find("could not"), std::string::npos) << "every picture the game asks for is there\n" << out;
}

TEST_F(ScriptMistakes, TheGameGoesOnThroughEveryMistake)
{
    expectTheGameWentOn(play(12));
}

}  // namespace
