// A game whose files are named as a Mac leaves them: the script asks for
// "images/hero.png" where the project holds "Images/HERO.PNG", for a name
// with a precomposed "é" where the file name holds "e" and a combining
// accent, and for "A.PNG" where both "a.png" and "A.png" exist. Played
// through tern-player headless: the pictures are drawn and the music
// reaches SDL's disk output. (Every other reader of a game's files folds
// names in the same way: tests/files; sounds reach OpenAL: tests/demo.)
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "Picture.h"
#include "PlayedGame.h"

using namespace tern_test;

namespace {

// "é" precomposed, as the script spells it, and decomposed, as the file
// names on disk spell it.
const std::string kNFC = "\xC3\xA9";
const std::string kNFD = "e\xCC\x81";

// Three sprites (the hero, the café picture, the ambiguous picture) and
// music from the start. The game ends itself on frame 60.
const std::string kEngine = kGameScriptStart + std::string(R"(
function Project:pathForImage(name) return self.path .. "/images/" .. name .. (name:find("%.") and "" or ".png") end

frames = 0
function Project:load(path)
    self.path = path
    platformWrappers.playMusic(path .. "/music/theme.ogg", 1)

    scene = sg.scene.new(sharedSoundManager, sharedAssetManager)
    local space = scene:createSpace(sg.ortho2DSpace)
    set(space, { width = 200, height = 100, near = -1, far = 1 })
    local grey = space:createNode(sg.colorNode)
    set(grey, { r = 0.5, g = 0.5, b = 0.5, a = 1 })
    space:createNode(sg.clearNode).color:setValue(grey.output)
    local white = space:createNode(sg.colorNode)
    set(white, { r = 1, g = 1, b = 1, a = 1 })
    for i, name in ipairs({ "hero", "caf)") + kNFC + R"(", "A" }) do
        local loader = space:createNode(sg.imageLoaderNode)
        loader.name:setValue(name == "A" and "A.PNG" or name, true)
        local sprite = space:createNode(sg.spriteNode)
        sprite.color:setValue(white.output)
        sprite.image:setValue(loader.asset)
        set(sprite, { x = 40 + (i - 1) * 60, y = 50, width = 40, height = 40 })
    end
end

function update(dt)
    frames = frames + 1
    scene:render()
    if frames == 60 then callbacks.gameDidEnd() end
end
)";

}  // namespace

TEST(MacNamedGame, PlaysWithFilesNamedInAnotherCaseAndNormalisation)
{
    if (!hasPlayerAndBundler())
        GTEST_SKIP() << "the build has no tern-player yet";
    TempDir dir;
    const std::string project = dir.file("Mac.gameproj");
    writeColourPNG(project + "/Images/HERO.PNG", 255, 0, 0);
    writeColourPNG(project + "/Images/CAF" + kNFD + ".png", 0, 255, 0);
    writeColourPNG(project + "/Images/A.png", 0, 0, 255);
    writeColourPNG(project + "/Images/a.png", 255, 255, 0);
    std::filesystem::create_directories(project + "/Music");
    const CommandResult tone = runCommand("sox -n -r 22050 -c 1 '" + project + "/Music/Theme.OGG' synth 2 sine 440 2>&1");
    ASSERT_EQ(tone.status, 0) << tone.out;
    const CommandResult made = bundleGame(dir.path(), "Mac", kEngine, project);
    ASSERT_EQ(made.status, 0) << made.out;

    const CommandResult r = runCommand("XDG_DATA_HOME=" + dir.file("data") + " ALSOFT_DRIVERS=null SDL_AUDIODRIVER=disk" +
                                       " SDL_DISKAUDIOFILE=" + dir.file("music.raw") + " " + playerPath() +
                                       " --headless --fixed-step --frames 1000 --screenshot " + dir.file("shot.png") +
                                       " " + dir.file("Mac.app") + " 2>" + dir.file("err.txt"));
    const std::string err = readFile(dir.file("err.txt"));
    EXPECT_EQ(r.status, 0) << r.out << err;
    EXPECT_NE(r.out.find("stopped"), std::string::npos) << r.out << err;

    // The hero red, the café green, "A.PNG" the blue A.png (first by byte
    // order), with the one line naming the choice.
    const std::string shot = dir.file("shot.png");
    EXPECT_EQ(pixelAt(shot, 40, 50), (std::array<int, 5>{255, 0, 0, 200, 100})) << "images/hero.png";
    EXPECT_EQ(pixelAt(shot, 100, 50), (std::array<int, 5>{0, 255, 0, 200, 100})) << "images/caf\xC3\xA9.png";
    EXPECT_EQ(pixelAt(shot, 160, 50), (std::array<int, 5>{0, 0, 255, 200, 100})) << "A.PNG";
    EXPECT_NE(err.find("match \"A.PNG\" ignoring case (A.png, a.png); reading A.png"), std::string::npos) << err;
    EXPECT_EQ(err.find("rror"), std::string::npos) << err;
    EXPECT_EQ(err.find("annot"), std::string::npos) << err;

    // The music reached SDL's output.
    const std::string music = readFile(dir.file("music.raw"));
    EXPECT_NE(music.find_first_not_of('\0'), std::string::npos) << music.size() << " bytes of silence";
}
