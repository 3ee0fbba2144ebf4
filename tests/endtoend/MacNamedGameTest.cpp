// A game whose files are named as a Mac leaves them, and which loads its
// pictures from its input handlers, played through tern-player headless
// with scripted input. The script asks for "images/hero.png" where the
// project holds "Images/HERO.PNG", for a name with a precomposed "é" where
// the file name holds "e" and a combining accent, and for "A.PNG" where both
// "a.png" and "A.png" exist. The space key puts the hero on the left, a
// click the café in the middle and play the A on the right, each handler
// also loading and freeing a picture of its own; the music reaches SDL's
// disk output. (Every other reader of a game's files folds names in the same
// way: tests/files; sounds reach OpenAL: tests/demo. Real X input reaches
// the player in tests/player and the demo's window test.) The test skips
// while the build has no tern-player.
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

// Three sprites on grey and music from the start.
const std::string kEngine = kGameScriptStart + std::string(R"(
function Project:pathForImage(name) return self.path .. "/images/" .. name .. (name:find("%.") and "" or ".png") end

local function color(space, r, g, b)
    local c = space:createNode(sg.colorNode)
    set(c, { r = r, g = g, b = b, a = 1 })
    return c.output
end

slots = {}
function Project:load(path)
    self.path = path
    platformWrappers.playMusic(path .. "/music/theme.ogg", 1)
    scene = sg.scene.new(sharedSoundManager, sharedAssetManager)
    local space = scene:createSpace(sg.ortho2DSpace)
    set(space, { width = 200, height = 100, near = -1, far = 1 })
    space:createNode(sg.clearNode).color:setValue(color(space, 0.5, 0.5, 0.5))
    for i, slot in ipairs({ "key", "mouse", "play" }) do
        local sprite = space:createNode(sg.spriteNode)
        sprite.color:setValue(color(space, 1, 1, 1))
        set(sprite, { x = 40 + (i - 1) * 60, y = 50, width = 40, height = 40 })
        slots[slot] = { space = space, sprite = sprite, x = 40 + (i - 1) * 60 }
    end
end

-- Loads name into the cache here and shows it in the slot through a new
-- loader node (connecting marks nothing, so the sprite is marked by a
-- write of its own); a scratch picture is loaded and freed on the way.
local function show(slot, name)
    sharedAssetManager:loadImageForName("scratch")
    sharedAssetManager:unloadImage("scratch")
    sharedAssetManager:loadImageForName(name)
    local s = slots[slot]
    local loader = s.space:createNode(sg.imageLoaderNode)
    loader.name:setValue(name, true)
    s.sprite.image:setValue(loader.asset)
    s.sprite.x:setValue(s.x, true)
end

function play() show("play", "A.PNG") end
function keyDown(k) if k == "space" then show("key", "hero") end end
function mouseDown(x, y) show("mouse", "caf)") + kNFC + R"(") end
function update(dt) scene:render() end
)";

}  // namespace

// The key comes before the first frame, the click after frame 5; the last
// of 60 frames shows the hero red, the café green and "A.PNG" the blue
// A.png (first by byte order, with the one line naming the choice) on the
// grey.
TEST(MacNamedGame, HandlersLoadPicturesByFoldedNamesAndTheMusicPlays)
{
    if (!hasPlayerAndBundler())
        GTEST_SKIP() << "the build has no tern-player yet";
    TempDir dir;
    const std::string project = dir.file("Mac.gameproj");
    writeColourPNG(project + "/Images/HERO.PNG", 255, 0, 0);
    writeColourPNG(project + "/Images/CAF" + kNFD + ".png", 0, 255, 0);
    writeColourPNG(project + "/Images/A.png", 0, 0, 255);
    writeColourPNG(project + "/Images/a.png", 255, 255, 0);
    writeColourPNG(project + "/Images/Scratch.PNG", 255, 255, 0);
    writeColourPNG(dir.file("Default.png"), 0, 0, 0);
    std::filesystem::create_directories(project + "/Music");
    const CommandResult tone = runCommand("sox -n -r 22050 -c 1 '" + project + "/Music/Theme.OGG' synth 2 sine 440 2>&1");
    ASSERT_EQ(tone.status, 0) << tone.out;
    const CommandResult made =
        bundleGame(dir.path(), "Mac", kEngine, project, "--loading-image " + dir.file("Default.png"));
    ASSERT_EQ(made.status, 0) << made.out;

    writeFile(dir.file("input.txt"), "0 keyDown space\n0 keyUp space\n5 mouseDown 100 50\n5 mouseUp 100 50\n");
    const CommandResult r = runCommand("XDG_DATA_HOME=" + dir.file("data") + " ALSOFT_DRIVERS=null SDL_AUDIODRIVER=disk" +
                                       " SDL_DISKAUDIOFILE=" + dir.file("music.raw") + " " + playerPath() +
                                       " --headless --fixed-step --frames 60 --input " + dir.file("input.txt") +
                                       " --screenshot " + dir.file("shot.png") + " " + dir.file("Mac.app") + " 2>&1");
    EXPECT_EQ(r.status, 0) << r.out;
    for (const char* word : {"rror", "annot", "OpenGL"})
        EXPECT_EQ(r.out.find(word), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("match \"A.PNG\" ignoring case (A.png, a.png); reading A.png"), std::string::npos) << r.out;

    const std::string shot = dir.file("shot.png");
    EXPECT_EQ(pixelAt(shot, 40, 50), (std::array<int, 5>{255, 0, 0, 200, 100})) << "the key's images/hero.png";
    EXPECT_EQ(pixelAt(shot, 100, 50), (std::array<int, 5>{0, 255, 0, 200, 100})) << "the click's images/caf\xC3\xA9.png";
    EXPECT_EQ(pixelAt(shot, 160, 50), (std::array<int, 5>{0, 0, 255, 200, 100})) << "play's A.PNG";
    const std::array<int, 5> background = pixelAt(shot, 5, 5);
    EXPECT_NEAR(background[0], 128, 1);
    EXPECT_NEAR(background[2], 128, 1);
    const std::string music = readFile(dir.file("music.raw"));
    EXPECT_NE(music.find_first_not_of('\0'), std::string::npos) << music.size() << " bytes of silence";
}
