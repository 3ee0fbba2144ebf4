// tern-player end to end: broken bundles, headless runs with screenshots and
// saved values, and the window under Xvfb.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <sys/wait.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bundle/TNBundleMaker.h"
#include "TestSupport.h"

using tern_test::TempDir;
using tern_test::readFile;
using tern_test::writeFile;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string player()
{
    return std::string(TERN_BUILD_DIR) + "/tern-player";
}

// Runs the shell command with stdout and stderr captured.
Outcome runCommand(const TempDir& dir, const std::string& command)
{
    Outcome result;
    std::string line = command + " >" + dir.file("out.txt") + " 2>" + dir.file("err.txt");
    int raw = std::system(line.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
    result.out = readFile(dir.file("out.txt"));
    result.err = readFile(dir.file("err.txt"));
    return result;
}

int lineCount(const std::string& text)
{
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

// A game whose engine script is body, drawn on a display of width × height.
std::string makeGame(const TempDir& dir, const std::string& name, const std::string& body, int width = 200,
                     int height = 100)
{
    std::string engine = "game = { attributes = { displaySize = { width = { _value = " + std::to_string(width) +
                         " }, height = { _value = " + std::to_string(height) + " } } } }\n"
                         "devices = {}\nfunction devices:setScreenSize(w, h) end\n"
                         "Project = {}\nfunction Project:new() return setmetatable({}, { __index = Project }) end\n"
                         "function initEngine() end\nfunction reset() end\nfunction play() end\n"
                         "function pause() end\nfunction stop() end\nfunction render() end\n"
                         "function update(dt) end\nfunction Project:load(path) end\n" +
                         body;
    writeFile(dir.file(name + ".lua"), engine);
    std::filesystem::create_directories(dir.file(name + "-project"));
    TNBundleRecipe recipe;
    recipe.outputPath = dir.file(name + ".app");
    recipe.name = name;
    recipe.engineSource = dir.file(name + ".lua");
    recipe.projectFolder = dir.file(name + "-project");
    recipe.introMovie = TNShippedIntroMoviePath();
    std::string error;
    EXPECT_TRUE(TNMakeBundle(recipe, error)) << error;
    return recipe.outputPath;
}

std::string env(const TempDir& dir)
{
    return "XDG_DATA_HOME=" + dir.file("data") + " ";
}

// The red, green, blue of the pixel at (x, y) from the top left of a PNG.
std::array<int, 3> pixelAt(const std::string& png, int x, int y, int* width = nullptr, int* height = nullptr)
{
    SDL_Surface* loaded = IMG_Load(png.c_str());
    EXPECT_NE(loaded, nullptr) << png;
    if (!loaded)
        return {-1, -1, -1};
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(loaded);
    if (width)
        *width = rgba->w;
    if (height)
        *height = rgba->h;
    const uint8_t* p = static_cast<const uint8_t*>(rgba->pixels) + y * rgba->pitch + x * 4;
    std::array<int, 3> rgb{p[0], p[1], p[2]};
    SDL_FreeSurface(rgba);
    return rgb;
}

const char* kRedScene = R"(
local sg = scenegraph
function Project:load(path)
    scene = sg.scene.new()
    local space = scene:createSpace(sg.space)
    local clear = space:createNode(sg.clearNode)
    local color = space:createNode(sg.colorNode)
    color.r:setValue(1, true); color.g:setValue(0.5, true); color.b:setValue(0, true)
    clear.color:setValue(color.output)
    local runs = database.loadValueForKey("runs")
    print("runs " .. tostring(runs))
    database.storeValueForKey((tonumber(runs) or 0) + 1, "runs")
end
frames = 0
function update(dt)
    frames = frames + 1
    if frames == 1 then print("dt " .. dt) end
    scene:render()
end
function stop() print("stopped after " .. frames .. " frames") end
)";

} // namespace

TEST(Player, HelpVersionAndBadCommandLines)
{
    TempDir dir;
    Outcome help = runCommand(dir, player() + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--screenshot FILE.png"), std::string::npos);
    Outcome version = runCommand(dir, player() + " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tern-player ", 0), 0u) << version.out;
    Outcome bad = runCommand(dir, player() + " --frames nope");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(lineCount(bad.err), 1) << bad.err;
}

TEST(Player, BrokenBundlesGiveOneLineAndFail)
{
    TempDir dir;
    auto expectBroken = [&](const std::string& bundle, const std::string& words) {
        Outcome result = runCommand(dir, env(dir) + player() + " --headless --frames 5 '" + bundle + "'");
        EXPECT_NE(result.status, 0) << bundle;
        EXPECT_LT(result.status, 128) << "crashed: " << bundle;
        EXPECT_EQ(lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(words), std::string::npos) << result.err;
    };
    expectBroken(dir.file("Missing.app"), "no game bundle");

    std::string game = makeGame(dir, "Broken", "");
    std::string resources = game + "/Contents/Resources/";
    std::filesystem::rename(resources + "Broken-project.gameproj", dir.file("kept.gameproj"));
    expectBroken(game, "no project folder");
    std::filesystem::rename(dir.file("kept.gameproj"), resources + "Broken-project.gameproj");

    std::filesystem::rename(resources + "engine64.luo", dir.file("kept.luo"));
    expectBroken(game, "no engine script");
    std::filesystem::rename(dir.file("kept.luo"), resources + "engine64.luo");

    std::string plist = readFile(game + "/Contents/Info.plist");
    writeFile(game + "/Contents/Info.plist", plist.substr(0, plist.size() / 2));
    expectBroken(game, "malformed Info.plist");
    writeFile(game + "/Contents/Info.plist", plist);

    std::string movie = readFile(resources + "intro-mac.mov");
    std::string changed = movie;
    changed[changed.size() / 2] = static_cast<char>(changed[changed.size() / 2] ^ 1);
    writeFile(resources + "intro-mac.mov", changed);
    expectBroken(game, "Validation Failed");
    std::filesystem::remove(resources + "intro-mac.mov");
    expectBroken(game, "Validation Failed");
    writeFile(resources + "intro-mac.mov", movie);

    // An engine script that does not load: the game still starts (frames
    // run), the run reports it and ends non-zero.
    writeFile(resources + "engine64.luo", "\x1bLuaQ garbage");
    Outcome result = runCommand(dir, env(dir) + player() + " --headless --frames 3 '" + game + "'");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("the engine script does not load"), std::string::npos) << result.err;
}

TEST(Player, HeadlessScreenshotAndSavedValuesAcrossRuns)
{
    TempDir dir;
    std::string game = makeGame(dir, "Red", kRedScene, 200, 100);
    std::string command = env(dir) + player() + " --headless --fixed-step --frames 4 --screenshot " +
                          dir.file("shot.png") + " " + game;
    Outcome first = runCommand(dir, command);
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("runs nil"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("dt 0.0166667"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("stopped after 4 frames"), std::string::npos) << first.out;
    EXPECT_TRUE(tern_test::fileExists(dir.file("data/Red/save.data")));

    int width = 0, height = 0;
    std::array<int, 3> pixel = pixelAt(dir.file("shot.png"), 100, 50, &width, &height);
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 100);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_NEAR(pixel[1], 128, 1);
    EXPECT_EQ(pixel[2], 0);

    Outcome second = runCommand(dir, command);
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.out.find("runs 1"), std::string::npos) << second.out;
}

TEST(Player, UnwritableSaveFolderWarnsOnceAndPlays)
{
    TempDir dir;
    std::string game = makeGame(dir, "Red", kRedScene);
    writeFile(dir.file("data"), "a file where the data folder should be");
    Outcome result = runCommand(dir, env(dir) + player() + " --headless --frames 2 " + game);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("could not create the save folder"), std::string::npos) << result.err;
    EXPECT_NE(result.out.find("stopped after 2 frames"), std::string::npos) << result.out;
}

TEST(Player, GameDidEndAndQuitSignalStopTheGameFirst)
{
    TempDir dir;
    std::string ends = makeGame(dir, "Ends", R"(
n = 0
function update(dt) n = n + 1; if n == 3 then callbacks.gameDidEnd() end end
function stop() print("stop after " .. n) end
)");
    Outcome ended = runCommand(dir, env(dir) + player() + " --headless " + ends);
    EXPECT_EQ(ended.status, 0) << ended.err;
    EXPECT_NE(ended.out.find("stop after 3"), std::string::npos) << ended.out;

    // SIGTERM arrives as a quit request: stop runs before the exit.
    std::string forever = makeGame(dir, "Forever", "function stop() print('stopped') end\n");
    Outcome killed = runCommand(dir, env(dir) + "timeout --preserve-status -s TERM 2 " + player() + " --headless " + forever);
    EXPECT_EQ(killed.status, 0) << killed.err;
    EXPECT_NE(killed.out.find("stopped"), std::string::npos) << killed.out;
}

// Under Xvfb with a window manager: the window takes the loading image's
// size during the intro and the game's size after the fade; closing it
// stops the game before the exit; a changed intro movie shows the
// "Validation Failed" alert, and dismissing it quits.
TEST(PlayerWindow, IntroThenGameSizeAndCloseStopsTheGame)
{
    if (std::system("command -v xvfb-run >/dev/null && command -v xdotool >/dev/null && command -v openbox >/dev/null") != 0)
        GTEST_SKIP() << "xvfb-run, xdotool or openbox missing";
    TempDir dir;
    std::string game = makeGame(dir, "Windowed", "function stop() print('stopped') end\n", 200, 100);
    SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, 320, 240, 32, SDL_PIXELFORMAT_ABGR8888);
    SDL_FillRect(image, nullptr, SDL_MapRGB(image->format, 0, 0, 255));
    ASSERT_EQ(IMG_SavePNG(image, (game + "/Contents/Resources/Default.png").c_str()), 0);
    SDL_FreeSurface(image);

    writeFile(dir.file("session.sh"), R"(
openbox >/dev/null 2>&1 &
sleep 1
env -u SDL_VIDEODRIVER XDG_DATA_HOME="$D/data" "$PLAYER" "$GAME" >"$D/player.out" 2>"$D/player.err" &
pid=$!
for i in $(seq 100); do wid=$(xdotool search --onlyvisible --name '^Windowed$' 2>/dev/null | head -n 1); [ -n "$wid" ] && break; sleep 0.05; done
for i in $(seq 20); do xdotool getwindowgeometry "$wid" >"$D/intro.txt"; grep -q 320x240 "$D/intro.txt" && break; sleep 0.05; done
sleep 3
xdotool getwindowgeometry "$wid" >"$D/game.txt"
xdotool windowactivate "$wid" 2>/dev/null; sleep 0.3
xdotool key --clearmodifiers alt+F4
for i in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
wait $pid; echo $? >"$D/status.txt"
)");
    std::string command = "D=" + dir.path() + " PLAYER=" + player() + " GAME=" + game +
                          " timeout 30 xvfb-run -a -s '-screen 0 1024x768x24' sh " + dir.file("session.sh");
    Outcome session = runCommand(dir, command);
    EXPECT_NE(readFile(dir.file("intro.txt")).find("Geometry: 320x240"), std::string::npos)
        << readFile(dir.file("intro.txt")) << readFile(dir.file("player.err"));
    EXPECT_NE(readFile(dir.file("game.txt")).find("Geometry: 200x100"), std::string::npos) << readFile(dir.file("game.txt"));
    EXPECT_EQ(readFile(dir.file("status.txt")), "0\n") << readFile(dir.file("player.err"));
    EXPECT_EQ(readFile(dir.file("player.out")), "stopped\n") << readFile(dir.file("player.err"));
}

TEST(PlayerWindow, ChangedIntroMovieShowsValidationFailedAndQuits)
{
    if (std::system("command -v xvfb-run >/dev/null && command -v xdotool >/dev/null && command -v xwininfo >/dev/null") != 0)
        GTEST_SKIP() << "xvfb-run, xdotool or xwininfo missing";
    TempDir dir;
    std::string game = makeGame(dir, "Changed", "");
    std::string movie = game + "/Contents/Resources/intro-mac.mov";
    writeFile(movie, readFile(movie) + "x");
    writeFile(dir.file("session.sh"), R"(
env -u SDL_VIDEODRIVER XDG_DATA_HOME="$D/data" "$PLAYER" "$GAME" >"$D/player.out" 2>"$D/player.err" &
pid=$!
for i in $(seq 200); do box=$(xwininfo -root -tree 2>/dev/null | grep '"Validation Failed"' | awk '{print $1}'); [ -n "$box" ] && break; sleep 0.05; done
[ -n "$box" ] && echo shown >"$D/box.txt"
sleep 0.3
kill -0 $pid 2>/dev/null && echo waiting >>"$D/box.txt"
xdotool key --window "$box" Return
for i in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
wait $pid; echo $? >"$D/status.txt"
)");
    std::string command = "D=" + dir.path() + " PLAYER=" + player() + " GAME=" + game +
                          " timeout 30 xvfb-run -a -s '-screen 0 1024x768x24' sh " + dir.file("session.sh");
    runCommand(dir, command);
    EXPECT_EQ(readFile(dir.file("box.txt")), "shown\nwaiting\n") << readFile(dir.file("player.err"));
    EXPECT_EQ(readFile(dir.file("status.txt")), "1\n") << readFile(dir.file("player.err"));
}
