// The player from the outside: build/tern-player run headless on the demo
// bundle and on small test bundles, its screenshots compared with expected
// pixels, and bad bundles refused with one line and a non-zero status.
// The tests skip while the build has no tern-player.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"

using namespace tern_test;

namespace {

const std::string kPlayer = std::string(TERN_BUILD_DIR) + "/tern-player";
const std::string kLuac = std::string(TERN_BUILD_DIR) + "/tern-luac";
const std::string kDemo = std::string(TERN_BUILD_DIR) + "/Demo.app";

using PlayerRun = CommandResult;  // out holds standard output and error together

PlayerRun run(const std::string& command)
{
    return runCommand(command + " 2>&1");
}

// A headless run with its own save folder, so runs do not share a high score.
PlayerRun play(const TempDir& dir, const std::string& options, const std::string& bundle)
{
    return run("XDG_DATA_HOME=" + dir.path() + " SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy " +
               kPlayer + " --headless --fixed-step " + options + " '" + bundle + "'");
}

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // rows top to bottom
    // (x, y) with the origin at the bottom left, as the game sees it.
    const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(height - 1 - y) * width + x) * 4]; }
};

Image loadPNG(const std::string& path)
{
    Image image;
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (!loaded)
        return image;
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(loaded);
    if (!rgba)
        return image;
    image.width = rgba->w;
    image.height = rgba->h;
    image.rgba.resize(static_cast<size_t>(rgba->w) * rgba->h * 4);
    for (int row = 0; row < rgba->h; ++row)
        memcpy(&image.rgba[static_cast<size_t>(row) * rgba->w * 4], static_cast<uint8_t*>(rgba->pixels) + row * rgba->pitch,
               static_cast<size_t>(rgba->w) * 4);
    SDL_FreeSurface(rgba);
    return image;
}

// A bundle whose engine script clears the view to one colour and draws one
// square, with an optional fault made by the caller afterwards.
std::string makeBundle(const TempDir& dir, const std::string& name)
{
    const std::string app = dir.file(name + ".app");
    const std::string resources = app + "/Contents/Resources";
    mkdir(app.c_str(), 0755);
    mkdir((app + "/Contents").c_str(), 0755);
    mkdir(resources.c_str(), 0755);
    mkdir((resources + "/Test.gameproj").c_str(), 0755);
    // The player's shipped intro movie, which its asset check expects.
    writeFile(resources + "/intro-mac.mov", readFile(std::string(TERN_BUILD_DIR) + "/share/intro-mac.mov"));
    writeFile(app + "/Contents/Info.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
              "<key>CFBundleName</key><string>" + name + "</string>"
              "<key>TNStartFullscreen</key><false/></dict></plist>\n");
    writeFile(dir.file(name + ".lua"), R"(
function initEngine() end
Project = {}
function Project:new() return setmetatable({}, {__index = Project}) end
function Project:load(path) end
function Project:pathForImage(name) return name end
function Project:pathForSound(name) return name end
game = {attributes = {displaySize = {width = {_value = 320}, height = {_value = 240}}},
        resolutionIndependence = 0, resolution = 0}
function game:switchToScene(name) end
devices = {}
function devices:setScreenSize(w, h) end
function reset()
    scene = scenegraph.scene.new(nil, nil)
    local space = scene:createSpace(scenegraph.ortho2DSpace)
    space.width:setValue(320, true) space.height:setValue(240, true)
    space.near:setValue(-1, true) space.far:setValue(1, true)
    local function color(r, g, b)
        local c = space:createNode(scenegraph.colorNode)
        c.r:setValue(r, true) c.g:setValue(g, true) c.b:setValue(b, true) c.a:setValue(1, true)
        return c.output
    end
    space:createNode(scenegraph.clearNode).color:setValue(color(0, 0, 1))
    local square = space:createNode(scenegraph.spriteNode)
    square.color:setValue(color(1, 1, 0))
    square.x:setValue(80, true) square.y:setValue(60, true)
    square.width:setValue(40, true) square.height:setValue(40, true)
end
function update(dt) scene:render() end
function render() scene:render() end
function play() end function pause() end function stop() end
function keyDown() end function keyUp() end
function mouseDown() end function mouseUp() end function mouseMoved() end
Renderer = {} function Renderer:removeCurrentView() end
AssetManager = {} function AssetManager:freeGLAssets() end
function shutdownEngine() end
)");
    run(kLuac + " -o '" + resources + "/engine64.luo' '" + dir.file(name + ".lua") + "'");
    return app;
}

class PlayerHeadless : public testing::Test {
protected:
    void SetUp() override
    {
        if (!fileExists(kPlayer))
            GTEST_SKIP() << "the build has no tern-player yet";
    }
    TempDir dir;
};

TEST_F(PlayerHeadless, DemoTitleScreenshot)
{
    const std::string shot = dir.file("demo.png");
    const PlayerRun r = play(dir, "--frames 120 --screenshot '" + shot + "'", kDemo);
    ASSERT_EQ(r.status, 0) << r.out;
    const Image image = loadPNG(shot);
    ASSERT_EQ(image.width, 480) << r.out;
    ASSERT_EQ(image.height, 320);
    // The title's pale yellow letters fill part of their band; the corner is night sky.
    int warm = 0;
    for (int y = 210; y < 255; ++y)
        for (int x = 60; x < 420; ++x) {
            const uint8_t* p = image.at(x, y);
            warm += p[0] > 200 && p[1] > 170 && p[2] < 200;
        }
    EXPECT_GT(warm, 300);
    const uint8_t* corner = image.at(2, 317);
    EXPECT_LT(corner[0], 90);
    EXPECT_GT(corner[2], corner[0]);
}

TEST_F(PlayerHeadless, SameRunGivesTheSamePicture)
{
    const std::string a = dir.file("a.png"), b = dir.file("b.png");
    ASSERT_EQ(play(dir, "--frames 30 --screenshot '" + a + "'", makeBundle(dir, "Square")).status, 0);
    ASSERT_EQ(play(dir, "--frames 30 --screenshot '" + b + "'", makeBundle(dir, "Square")).status, 0);
    const Image first = loadPNG(a), second = loadPNG(b);
    ASSERT_EQ(first.width, 320);
    ASSERT_EQ(first.height, 240);
    EXPECT_EQ(first.rgba, second.rgba);
    // Blue all round, the yellow square centred at (80, 60).
    const uint8_t* square = first.at(80, 60);
    EXPECT_EQ(square[0], 255);
    EXPECT_EQ(square[1], 255);
    EXPECT_EQ(square[2], 0);
    const uint8_t* background = first.at(200, 200);
    EXPECT_EQ(background[0], 0);
    EXPECT_EQ(background[1], 0);
    EXPECT_EQ(background[2], 255);
    EXPECT_EQ(first.at(101, 60)[0], 0);  // just right of the square
}

TEST_F(PlayerHeadless, ReportsMemoryEveryNFramesAndAfterTheLast)
{
    const PlayerRun r = play(dir, "--frames 5 --report-memory 2", makeBundle(dir, "Memory"));
    ASSERT_EQ(r.status, 0) << r.out;
    std::vector<std::string> frames;
    for (size_t at = r.out.find("tern-player: frame "); at != std::string::npos;
         at = r.out.find("tern-player: frame ", at + 1)) {
        const size_t number = at + strlen("tern-player: frame ");
        frames.push_back(r.out.substr(number, r.out.find(':', number) - number));
        const long kib = std::atol(r.out.c_str() + r.out.find("resident memory ", at) + strlen("resident memory "));
        EXPECT_GT(kib, 1000) << r.out;  // a player with a GL context holds megabytes
    }
    EXPECT_EQ(frames, (std::vector<std::string>{"2", "4", "5"})) << r.out;
}

// The demo played through the player with scripted input: each run plays
// the same frames, so a screenshot at a chosen frame shows what the input did.
class DemoHeadless : public PlayerHeadless {
protected:
    // Plays the demo with the input lines for frames (0: until the game
    // ends); the last frame drawn goes to the returned image.
    Image playDemo(const std::string& input, int frames = 0)
    {
        const std::string inputFile = dir.file("input.txt"), shot = dir.file("shot.png");
        writeFile(inputFile, input);
        std::remove(shot.c_str());
        lastRun = play(dir, (frames ? "--frames " + std::to_string(frames) + " " : std::string()) + "--input '" +
                                inputFile + "' --screenshot '" + shot + "'",
                       kDemo);
        EXPECT_EQ(lastRun.status, 0) << lastRun.out;
        EXPECT_EQ(lastRun.out.find("rror"), std::string::npos) << lastRun.out;
        return loadPNG(shot);
    }

    // The mean x of the paddle's light blue pixels in the band it slides along.
    static double paddleX(const Image& image)
    {
        double sum = 0;
        int count = 0;
        for (int y = 19; y < 30; ++y)
            for (int x = 0; x < image.width; ++x) {
                const uint8_t* p = image.at(x, y);
                if (p[2] > 180 && p[2] >= p[0] && p[1] > 100) {
                    sum += x;
                    ++count;
                }
            }
        return count > 300 ? sum / count : -1.0;
    }

    // How many pixels of the rectangle differ between two screenshots.
    static int differingPixels(const Image& a, const Image& b, int x0, int y0, int w, int h)
    {
        int count = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                count += memcmp(a.at(x, y), b.at(x, y), 3) != 0;
        return count;
    }

    PlayerRun lastRun;
};

const char* kStartPlay = "30 keyDown space\n31 keyUp space\n";

TEST_F(DemoHeadless, KeysAndMouseMoveThePaddle)
{
    // Play starts with the paddle in the middle.
    const Image start = playDemo(kStartPlay, 70);
    ASSERT_EQ(start.width, 480) << lastRun.out;
    EXPECT_NEAR(paddleX(start), 240, 6);

    // A third of a second of the right arrow: 120 pixels to the right.
    const Image right = playDemo(std::string(kStartPlay) + "40 keyDown right\n60 keyUp right\n", 70);
    EXPECT_NEAR(paddleX(right), 360, 8);

    // The paddle follows the pointer to the left.
    const Image left = playDemo(std::string(kStartPlay) + "40 mouseMoved 70 100\n", 70);
    EXPECT_NEAR(paddleX(left), 70, 8);
}

TEST_F(DemoHeadless, TheBallScoresAndTheHighScoreOutlivesTheRun)
{
    const Image title = playDemo("", 40);
    const Image play = playDemo(kStartPlay, 60);
    // Launched, the ball breaks a brick: "Score 0" becomes another number.
    const std::string launch = std::string(kStartPlay) + "40 keyDown space\n41 keyUp space\n";
    const Image scored = playDemo(launch, 150);
    EXPECT_GT(differingPixels(play, scored, 10, 280, 100, 22), 20);

    // Escape during play keeps the high score and goes back to the title;
    // escape on the title ends the game, and the player exits normally.
    playDemo(launch + "150 keyDown esc\n151 keyUp esc\n170 keyDown esc\n171 keyUp esc\n");
    EXPECT_TRUE(fileExists(dir.file("Tern Demo/save.data"))) << lastRun.out;

    // The next run's title shows the new high score where it showed 0.
    const Image again = playDemo("", 40);
    EXPECT_GT(differingPixels(title, again, 160, 120, 160, 22), 20);
    EXPECT_EQ(differingPixels(title, again, 0, 280, 480, 40), 0);
}

// The broken bundles the player unit tests do not make: each is refused
// with one line and a non-zero status, never a crash.
TEST_F(PlayerHeadless, UnusualBrokenBundlesGiveOneLine)
{
    struct Case {
        const char* name;
        const char* words;
        void (*breakIt)(const std::string& app);
    };
    const Case cases[] = {
        {"FileNotFolder", "no game bundle",
         [](const std::string& app) {
             std::system(("rm -rf '" + app + "' && echo text > '" + app + "'").c_str());
         }},
        {"ResourcesIsAFile", "no readable Contents/Resources",
         [](const std::string& app) {
             std::system(("rm -rf '" + app + "/Contents/Resources' && touch '" + app + "/Contents/Resources'").c_str());
         }},
        {"InfoPlistIsAFolder", "cannot read Info.plist",
         [](const std::string& app) {
             std::remove((app + "/Contents/Info.plist").c_str());
             mkdir((app + "/Contents/Info.plist").c_str(), 0755);
         }},
        {"EngineIsAFolder", "the engine script does not load",
         [](const std::string& app) {
             std::remove((app + "/Contents/Resources/engine64.luo").c_str());
             mkdir((app + "/Contents/Resources/engine64.luo").c_str(), 0755);
         }},
    };
    for (const Case& c : cases) {
        const std::string app = makeBundle(dir, c.name);
        c.breakIt(app);
        const PlayerRun r = play(dir, "--frames 5", app);
        EXPECT_EQ(r.status, 1) << c.name << ": " << r.out;
        EXPECT_NE(r.out.find(c.words), std::string::npos) << c.name << ": " << r.out;
        // A script that does not load still starts the game, so more may follow its line.
        if (std::string(c.name) != "EngineIsAFolder")
            EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << c.name << ": " << r.out;
    }
}

}  // namespace
