// A game that loads its pictures from its input handlers, played through
// tern-player headless with scripted input. The space key puts red on the
// left, a click green in the middle and play blue on the right, each
// handler also loading and freeing a picture of its own; the game ends
// itself and its last frame's screenshot shows all three. Real X input
// reaches the player in tests/player (WindowInputTest) and the demo's
// window test. The test skips while the build has no tern-player.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "Picture.h"
#include "PlayedGame.h"

using namespace tern_test;

namespace {

// The game's engine script. The project folder holds one PNG per picture;
// the game ends itself ten frames after all three pictures are shown.
const std::string kEngine = kGameScriptStart + std::string(R"(
function Project:pathForImage(name) return self.path .. "/" .. name .. ".png" end
function Project:pathForSound(name) return self.path .. "/" .. name .. ".wav" end

local function color(space, r, g, b)
    local c = space:createNode(sg.colorNode)
    set(c, { r = r, g = g, b = b, a = 1 })
    return c.output
end

slots, shown, frames = {}, {}, 0
function Project:load(path)
    self.path = path
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
    shown[slot] = true
end

function play() show("play", "blue") end
function keyDown(k) if k == "space" then show("key", "red") end end
function mouseDown(x, y) show("mouse", "green") end
function update(dt)
    frames = frames + 1
    scene:render()
    if shown.key and shown.mouse and shown.play then
        allShownAt = allShownAt or frames
        if frames == allShownAt + 10 then callbacks.gameDidEnd() end
    end
end
)");

}  // namespace

// The key comes before the first frame, the click after frame 5; the game
// ends itself long before the frame limit, its last frame showing the
// three pictures red, green and blue on the grey.
TEST(HandlerLoadingGame, HeadlessWithScriptedInputEndsItselfShowingEveryPicture)
{
    if (!hasPlayerAndBundler())
        GTEST_SKIP() << "the build has no tern-player yet";
    TempDir dir;
    const std::string project = dir.file("Loading.gameproj");
    writeColourPNG(project + "/red.png", 255, 0, 0);
    writeColourPNG(project + "/green.png", 0, 255, 0);
    writeColourPNG(project + "/blue.png", 0, 0, 255);
    writeColourPNG(project + "/scratch.png", 255, 255, 0);
    writeColourPNG(dir.file("Default.png"), 0, 0, 0);
    const CommandResult made =
        bundleGame(dir.path(), "Loading", kEngine, project, "--loading-image " + dir.file("Default.png"));
    ASSERT_EQ(made.status, 0) << made.out;

    writeFile(dir.file("input.txt"), "0 keyDown space\n0 keyUp space\n5 mouseDown 100 50\n5 mouseUp 100 50\n");
    const CommandResult r = runCommand("XDG_DATA_HOME=" + dir.file("data") + " " + playerPath() +
                                       " --headless --fixed-step --frames 1000 --input " + dir.file("input.txt") +
                                       " --screenshot " + dir.file("shot.png") + " " + dir.file("Loading.app") + " 2>&1");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("rror"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("OpenGL"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("stopped"), std::string::npos) << r.out;
    const std::string shot = dir.file("shot.png");
    EXPECT_EQ(pixelAt(shot, 40, 50), (std::array<int, 5>{255, 0, 0, 200, 100})) << "the key's picture";
    EXPECT_EQ(pixelAt(shot, 100, 50), (std::array<int, 5>{0, 255, 0, 200, 100})) << "the click's picture";
    EXPECT_EQ(pixelAt(shot, 160, 50), (std::array<int, 5>{0, 0, 255, 200, 100})) << "play's picture";
    const std::array<int, 5> background = pixelAt(shot, 5, 5);
    EXPECT_NEAR(background[0], 128, 1);
    EXPECT_NEAR(background[2], 128, 1);
}
