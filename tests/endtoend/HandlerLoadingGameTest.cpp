// A game that loads its pictures from its input handlers, played through
// tern-player headless (scripted input) and in a window under Xvfb (keys
// and clicks from xdotool). The space key puts red on the left, a click
// green in the middle and play blue on the right, each handler also
// loading and freeing a picture of its own; the last frame's screenshot
// shows all three. The headless game ends itself, the window is closed:
// either way the screenshot is the last frame drawn. The tests skip while
// the build has no tern-player.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "Picture.h"
#include "PlayedGame.h"
#include "XServer.h"

using namespace tern_test;

namespace {

const std::string kPlayer = playerPath();

// The game's engine script. The project folder holds one PNG per picture;
// a file "ends" there makes the game end itself ten frames after all three
// pictures are shown.
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
    local marker = io.open(path .. "/ends", "r")
    endsItself = marker ~= nil
    if marker then marker:close() end
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
    if not shown[slot] then print("shown " .. slot) end
    shown[slot] = true
end

function play() print("playing"); show("play", "blue") end
function keyDown(k) if k == "space" then show("key", "red") end end
function mouseDown(x, y) show("mouse", "green") end
function update(dt)
    frames = frames + 1
    scene:render()
    if shown.key and shown.mouse and shown.play then
        allShownAt = allShownAt or frames
        if endsItself and frames == allShownAt + 10 then callbacks.gameDidEnd() end
    end
end
)");

class HandlerLoadingGame : public testing::Test {
protected:
    void SetUp() override
    {
        if (!hasPlayerAndBundler())
            GTEST_SKIP() << "the build has no tern-player yet";
    }

    // Bundles the game (a loading picture instead of the intro movie);
    // endsItself leaves the "ends" file in its project.
    std::string makeGame(bool endsItself)
    {
        const std::string project = dir.file("Loading.gameproj");
        writeColourPNG(project + "/red.png", 255, 0, 0);
        writeColourPNG(project + "/green.png", 0, 255, 0);
        writeColourPNG(project + "/blue.png", 0, 0, 255);
        writeColourPNG(project + "/scratch.png", 255, 255, 0);
        if (endsItself)
            writeFile(project + "/ends", "");
        writeColourPNG(dir.file("Default.png"), 0, 0, 0);
        const CommandResult made =
            bundleGame(dir.path(), "Loading", kEngine, project, "--loading-image " + dir.file("Default.png"));
        EXPECT_EQ(made.status, 0) << made.out;
        return dir.file("Loading.app");
    }

    // The three slots of the last frame red, green and blue on the grey.
    void expectEveryPicture(const std::string& shot)
    {
        EXPECT_EQ(pixelAt(shot, 40, 50), (std::array<int, 5>{255, 0, 0, 200, 100})) << "the key's picture";
        EXPECT_EQ(pixelAt(shot, 100, 50), (std::array<int, 5>{0, 255, 0, 200, 100})) << "the click's picture";
        EXPECT_EQ(pixelAt(shot, 160, 50), (std::array<int, 5>{0, 0, 255, 200, 100})) << "play's picture";
        const std::array<int, 5> background = pixelAt(shot, 5, 5);
        EXPECT_NEAR(background[0], 128, 1);
        EXPECT_NEAR(background[2], 128, 1);
    }

    TempDir dir;
};

}  // namespace

// The key comes before the first frame, the click after frame 5; the game
// ends itself long before the frame limit.
TEST_F(HandlerLoadingGame, HeadlessWithScriptedInputEndsItselfShowingEveryPicture)
{
    const std::string app = makeGame(true);
    writeFile(dir.file("input.txt"), "0 keyDown space\n0 keyUp space\n5 mouseDown 100 50\n5 mouseUp 100 50\n");
    const CommandResult r = runCommand("XDG_DATA_HOME=" + dir.file("data") + " " + kPlayer +
                                       " --headless --fixed-step --frames 1000 --input " + dir.file("input.txt") +
                                       " --screenshot " + dir.file("shot.png") + " " + app + " 2>&1");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("rror"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("OpenGL"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("stopped"), std::string::npos) << r.out;
    expectEveryPicture(dir.file("shot.png"));
}

// Keys and a click from xdotool once the game plays; when all three
// pictures are shown the window is closed.
TEST_F(HandlerLoadingGame, WindowWithXdotoolClosedShowingEveryPicture)
{
    if (runCommand("command -v xdotool").status != 0)
        GTEST_SKIP() << "xdotool missing";
    XServer x(true);
    ASSERT_TRUE(x.ok()) << x.error();
    const std::string app = makeGame(false);
    writeFile(dir.file("session.sh"), R"(
env -u SDL_VIDEODRIVER XDG_DATA_HOME="$D/data" "$PLAYER" --frames 100000 --screenshot "$D/shot.png" "$GAME" >"$D/player.out" 2>"$D/player.err" &
pid=$!
for i in $(seq 300); do grep -q playing "$D/player.out" && break; sleep 0.05; done
wid=$(xdotool search --onlyvisible --name '^Loading$' 2>/dev/null | head -n 1)
xdotool windowactivate --sync "$wid" 2>/dev/null
for i in $(seq 100); do grep -q "shown key" "$D/player.out" && break; xdotool key space; sleep 0.1; done
for i in $(seq 100); do grep -q "shown mouse" "$D/player.out" && break; xdotool mousemove --window "$wid" 100 50 click 1; sleep 0.1; done
sleep 0.3
xdotool key --clearmodifiers alt+F4
for i in $(seq 200); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
wait $pid; echo $? >"$D/status.txt"
)");
    // The session's own waits add up to about 45 s at worst; on a loaded
    // 2-core machine every xdotool call adds to that, so the limit is wide.
    runCommand("D=" + dir.path() + " PLAYER=" + kPlayer + " GAME=" + app + " timeout 150 sh " + dir.file("session.sh"));
    const std::string out = readFile(dir.file("player.out"));
    const std::string err = readFile(dir.file("player.err"));
    EXPECT_EQ(readFile(dir.file("status.txt")), "0\n") << err;
    EXPECT_NE(out.find("shown key"), std::string::npos) << out << err;
    EXPECT_NE(out.find("shown mouse"), std::string::npos) << out << err;
    EXPECT_NE(out.find("stopped"), std::string::npos) << out << err;
    EXPECT_EQ(err.find("rror"), std::string::npos) << err;
    EXPECT_EQ(err.find("OpenGL"), std::string::npos) << err;
    expectEveryPicture(dir.file("shot.png"));
}
