// tern-player from the outside: its command line, broken bundles, headless
// runs with screenshots, memory reports and saved values, quitting, and the
// window on a private X server.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <array>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "XServer.h"
#include "bundle/TNBundleMaker.h"
#include "Picture.h"
#include "TestSupport.h"

using namespace tern_test;

namespace {

const std::string kPlayer = std::string(TERN_BUILD_DIR) + "/tern-player";

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the shell command with its standard output and error captured apart.
Outcome run(const TempDir& dir, const std::string& command)
{
    const CommandResult result = runCommand(command + " 2>" + dir.file("err.txt"));
    return Outcome{result.status, result.out, readFile(dir.file("err.txt"))};
}

// tern-player headless with the test's own save folder.
Outcome play(const TempDir& dir, const std::string& arguments)
{
    return run(dir, "XDG_DATA_HOME=" + dir.file("data") + " timeout 60 " + kPlayer + " --headless " + arguments);
}

int lineCount(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// A game whose engine script is body, drawn on a display of 200 × 100.
std::string makeGame(const TempDir& dir, const std::string& name, const std::string& body)
{
    std::string engine = "game = { attributes = { displaySize = { width = { _value = 200 }, height = { _value = 100 } } } }\n"
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

// An orange display of 200 × 100 with a yellow square of 20 at (50, 25),
// y upwards.
const char* kSquareScene = R"(
local sg = scenegraph
local function set(node, values) for port, v in pairs(values) do node[port]:setValue(v, true) end end
function Project:load(path)
    local runs = database.loadValueForKey("runs")
    print("runs before " .. tostring(runs))
    database.storeValueForKey((tonumber(runs) or 0) + 1, "runs")
    scene = sg.scene.new()
    local space = scene:createSpace(sg.ortho2DSpace)
    set(space, { width = 200, height = 100, near = -1, far = 1 })
    local function color(r, g, b)
        local c = space:createNode(sg.colorNode)
        set(c, { r = r, g = g, b = b, a = 1 })
        return c.output
    end
    space:createNode(sg.clearNode).color:setValue(color(1, 0.5, 0))
    local square = space:createNode(sg.spriteNode)
    square.color:setValue(color(1, 1, 0))
    set(square, { x = 50, y = 25, width = 20, height = 20 })
end
frames = 0
function update(dt)
    frames = frames + 1
    if frames == 1 then print("dt " .. dt) end
    if frames == 7 then callbacks.gameDidEnd() end
    scene:render()
end
function stop() print("stopped after " .. frames .. " frames") end
)";

}  // namespace

// --help is read by the manual pages' test, --version by the game folder's.
TEST(Player, BadCommandLineGivesStatus2AndOneLine)
{
    TempDir dir;
    Outcome bad = run(dir, kPlayer + " --frames nope");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(lineCount(bad.err), 1) << bad.err;
}

// A broken bundle of each stage of the launch (its parts, the asset check,
// the engine script) is refused with status 1 and one line naming the
// fault, never a crash; the game never starts. The bundle itself is the
// bundle reader's table.
TEST(Player, BrokenBundlesGiveOneLineAndFail)
{
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        const char* words;
        std::function<void(const std::string& resources)> breakIt;
    };
    const Case cases[] = {
        {"NoProject", "no project folder", [](auto& res) { fs::remove_all(res + "NoProject-project.gameproj"); }},
        {"ProjectFile", "no project folder",
         [](auto& res) {
             fs::remove_all(res + "ProjectFile-project.gameproj");
             writeFile(res + "ProjectFile-project.gameproj", "a file");
         }},
        {"ProjectLoop", "no project folder",
         [](auto& res) {
             fs::remove_all(res + "ProjectLoop-project.gameproj");
             fs::create_symlink("ProjectLoop-project.gameproj", res + "ProjectLoop-project.gameproj");
         }},
        {"FifoEngine", "is not a regular file",
         [](auto& res) {
             fs::remove(res + "engine64.luo");
             mkfifo((res + "engine64.luo").c_str(), 0600);
         }},
        {"NoEngine", "no engine script", [](auto& res) { fs::remove(res + "engine64.luo"); }},
        {"ChangedMovie", "Validation Failed",
         [](auto& res) { writeFile(res + "intro-mac.mov", readFile(res + "intro-mac.mov") + "x"); }},
        {"GarbageEngine", "the engine script does not load",
         [](auto& res) { writeFile(res + "engine64.luo", "\x1bLuaQ garbage"); }},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string app = makeGame(dir, c.name, "function update(dt) print('frame') end\n");
        c.breakIt(app + "/Contents/Resources/");
        const Outcome result = play(dir, "--frames 3 '" + app + "'");
        EXPECT_EQ(result.status, 1) << c.name << ": " << result.err;
        EXPECT_NE(result.err.find(c.words), std::string::npos) << c.name << ": " << result.err;
        EXPECT_EQ(lineCount(result.err), 1) << c.name << ": " << result.err;
        EXPECT_EQ(result.out, "") << c.name;
    }
}

// The screenshot is the last frame the right way up, frames come at the
// fixed step, and memory is reported every N frames and after the last.
// Saved values reach the next run through the game's save file; that run
// has no frame limit, and the game's own end stops it first.
TEST(Player, HeadlessScreenshotFixedStepMemoryReportsAndGameEnd)
{
    TempDir dir;
    const std::string game = makeGame(dir, "Square", kSquareScene);
    const Outcome first = play(dir, "--fixed-step --frames 5 --report-memory 2 --screenshot " + dir.file("shot.png") +
                                        " " + game);
    ASSERT_EQ(first.status, 0) << first.err;
    const Outcome second = play(dir, game);
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.out.find("runs before 1\n"), std::string::npos) << second.out;
    EXPECT_NE(second.out.find("stopped after 7 frames"), std::string::npos) << second.out;
    EXPECT_TRUE(fileExists(dir.file("data/Square/save.data")));

    // The game's lines, and memory after frames 2, 4 and the last: a GL
    // context holds megabytes.
    std::string said;
    std::istringstream lines(first.out);
    for (std::string line; std::getline(lines, line);) {
        int frame = 0;
        long kib = 0;
        if (std::sscanf(line.c_str(), "tern-player: frame %d: resident memory %ld KiB", &frame, &kib) == 2)
            line = "memory " + std::to_string(frame) + (kib > 1000 ? "" : " (too small)");
        said += line + "\n";
    }
    EXPECT_EQ(said, "runs before nil\ndt 0.0166667\nmemory 2\nmemory 4\nmemory 5\nstopped after 5 frames\n");
    // Yellow where the square is: y runs down in the PNG.
    EXPECT_EQ(pixelAt(dir.file("shot.png"), 50, 99 - 25), (std::array<int, 5>{255, 255, 0, 200, 100}));
}

// SIGTERM arrives as a quit request: stop runs before the exit, once the
// game has drawn its first frame. A script that never returns: the line
// naming the call comes once, and SIGTERM, SIGINT or the game's own end
// with a stop that never returns still end the player (status 1, one line
// saying the game was left behind). Saved values go nowhere when the save
// folder cannot be made: a warning, and the game plays on. The session
// waits for each step by polling; the generous limits only keep a fault
// from hanging the suite.
TEST(Player, QuitSignalsStopTheGameAndTheQuitDeadlineEndsAStuckOne)
{
    TempDir dir;
    writeFile(dir.file("data"), "a file where the data folder should be");
    const std::string started = dir.file("started"), touch = "io.open('" + started + "', 'w'):close() ";
    const std::string forever = makeGame(dir, "Forever", "function update(dt) database.storeValueForKey(1, 'n'); " +
                                                             touch + "end\nfunction stop() print('stopped') end\n");
    const std::string stuck = makeGame(dir, "Stuck", "function update(dt) " + touch + "while true do end end\n");
    const std::string stuckInStop = makeGame(dir, "StuckInStop", "function update(dt) callbacks.gameDidEnd() end\n"
                                                                 "function stop() while true do end end\n");
    const struct {
        std::string game, signal, out;
    } cases[] = {{forever, "TERM", "stopped\nstatus 0\n"}, {stuck, "TERM", "status 1\n"}, {stuck, "INT", "status 1\n"},
                 {stuckInStop, "", "status 1\n"}};
    for (const auto& c : cases) {
        std::remove(started.c_str());
        const bool waitForLine = c.game == stuck && c.signal == "TERM";
        const CommandResult result = runCommand("XDG_DATA_HOME=" + dir.file("data") + " " + kPlayer + " --headless " +
            c.game + " 2>" + dir.file("player.err") + " & p=$!; " +
            (c.signal.empty() ? "" : "for i in $(seq 600); do [ -e " + started + " ] && break; sleep 0.05; done; ") +
            (waitForLine ? "for i in $(seq 400); do grep -q 'not returned' " + dir.file("player.err") +
                               " && break; sleep 0.05; done; " : "") +
            (c.signal.empty() ? "" : "kill -" + c.signal + " $p; ") +
            "for i in $(seq 300); do kill -0 $p 2>/dev/null || break; sleep 0.05; done; "
            "kill -0 $p 2>/dev/null && { echo still running; kill -KILL $p; }; wait $p; echo status $?");
        const std::string err = readFile(dir.file("player.err"));
        EXPECT_EQ(result.out, c.out) << c.game << " " << c.signal << ": " << err;
        EXPECT_NE(err.find("could not create the save folder"), std::string::npos) << err;
        EXPECT_EQ(err.find("the game did not stop in time; quitting without it") != std::string::npos,
                  c.game != forever) << err;
        if (waitForLine) {
            const std::string line = "Engine script: update has not returned for 5 seconds\n";
            EXPECT_NE(err.find(line), std::string::npos) << err;
            EXPECT_EQ(err.find(line), err.rfind(line)) << err;
        }
    }
}

// The player in a window on a private X server, driven by a shell session:
// the session's files say what it saw.
class PlayerWindow : public testing::Test {
protected:
    void SetUp() override
    {
        if (runCommand("command -v xdotool && command -v xwininfo && command -v openbox").status != 0)
            GTEST_SKIP() << "xdotool, xwininfo or openbox missing";
        ASSERT_TRUE(x_.ok()) << x_.error();
    }
    void runSession(const std::string& game, const std::string& session)
    {
        writeFile(dir.file("session.sh"), session);
        runCommand("D=" + dir.path() + " PLAYER=" + kPlayer + " GAME=" + game + " timeout 30 sh " +
                   dir.file("session.sh"));
    }
    std::string playerLog() const { return readFile(dir.file("player.err")); }
    // Plays the game in the window and presses Return on the box titled
    // title once it shows: "shown\nwaiting\n" when it stayed until then.
    // The player's status is in status.txt.
    std::string dismissBox(const std::string& game, const std::string& title, const std::string& environment = "")
    {
        runSession(game, "env -u SDL_VIDEODRIVER " + environment + R"( "$PLAYER" "$GAME" >"$D/player.out" 2>"$D/player.err" &
pid=$!
rm -f "$D/box.txt" "$D/status.txt"
for i in $(seq 200); do box=$(xwininfo -root -tree 2>/dev/null | grep '")" + title + R"("' | awk '{print $1}'); [ -n "$box" ] && break; sleep 0.05; done
[ -n "$box" ] && echo shown >"$D/box.txt"
sleep 0.3
kill -0 $pid 2>/dev/null && echo waiting >>"$D/box.txt"
xdotool key --window "$box" Return
for i in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
kill $pid 2>/dev/null
wait $pid; echo $? >"$D/status.txt"
)");
        return readFile(dir.file("box.txt"));
    }

    TempDir dir;
    XServer x_{true};
};

// The window takes the loading image's logical size during the intro (a
// 640 x 480 picture at 144 dpi is 320 x 240) and the game's size after the
// fade; closing it stops the game before the exit.
TEST_F(PlayerWindow, IntroThenGameSizeAndCloseStopsTheGame)
{
    std::string game = makeGame(dir, "Windowed", "function stop() print('stopped') end\n");
    const tern_test::CommandResult made = tern_test::runCommand(
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i color=blue:size=640x480 -frames:v 1 -dpi 144 '" + game +
        "/Contents/Resources/Default.png' 2>&1");
    ASSERT_EQ(made.status, 0) << made.out;

    runSession(game, R"(
env -u SDL_VIDEODRIVER XDG_DATA_HOME="$D/data" "$PLAYER" "$GAME" >"$D/player.out" 2>"$D/player.err" &
pid=$!
for i in $(seq 100); do wid=$(xdotool search --onlyvisible --name '^Windowed$' 2>/dev/null | head -n 1); [ -n "$wid" ] && break; sleep 0.05; done
for i in $(seq 20); do xdotool getwindowgeometry "$wid" >"$D/intro.txt"; grep -q 320x240 "$D/intro.txt" && break; sleep 0.05; done
for i in $(seq 200); do xdotool getwindowgeometry "$wid" >"$D/game.txt"; grep -q 200x100 "$D/game.txt" && break; sleep 0.1; done
xdotool windowactivate "$wid" 2>/dev/null; sleep 0.3
xdotool key --clearmodifiers alt+F4
for i in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
wait $pid; echo $? >"$D/status.txt"
)");
    EXPECT_NE(readFile(dir.file("intro.txt")).find("Geometry: 320x240"), std::string::npos)
        << readFile(dir.file("intro.txt")) << playerLog();
    EXPECT_NE(readFile(dir.file("game.txt")).find("Geometry: 200x100"), std::string::npos) << readFile(dir.file("game.txt"));
    EXPECT_EQ(readFile(dir.file("status.txt")), "0\n") << playerLog();
    EXPECT_EQ(readFile(dir.file("player.out")), "stopped\n") << playerLog();
}

// A changed intro movie shows the "Validation Failed" alert, which waits;
// dismissing it quits with status 1.
TEST_F(PlayerWindow, ChangedIntroMovieShowsValidationFailedAndQuits)
{
    std::string game = makeGame(dir, "Changed", "");
    std::string movie = game + "/Contents/Resources/intro-mac.mov";
    writeFile(movie, readFile(movie) + "x");
    EXPECT_EQ(dismissBox(game, "Validation Failed"), "shown\nwaiting\n") << playerLog();
    EXPECT_EQ(readFile(dir.file("status.txt")), "1\n") << playerLog();
}

namespace {

// A bundle the player cannot start, and what stops it: the bundle, its
// project folder or OpenGL (GLX and EGL libraries that are not there).
struct Unstartable {
    const char* name;
    const char* words;
    const char* environment;
};
const Unstartable kUnstartable[] = {
    {"Missing", "no game bundle", ""},
    {"NoProject", "no project folder", ""},
    {"NoOpenGL", "could not open a window",
     "SDL_OPENGL_LIBRARY=/nonexistent/libGL.so.1 SDL_VIDEO_EGL_DRIVER=/nonexistent/libEGL.so.1"},
};

std::string makeUnstartable(const TempDir& dir, const Unstartable& kind)
{
    const std::string name = kind.name;
    if (name == "Missing")
        return dir.file("Missing.app");
    const std::string app = makeGame(dir, name, "");
    if (name == "NoProject")
        std::filesystem::remove_all(app + "/Contents/Resources/NoProject-project.gameproj");
    return app;
}

}  // namespace

// Started with standard error going to a file (a desktop launcher), a game
// that cannot start shows its reason in a message box as well as on
// standard error, and the player waits for it before quitting with 1. No
// box when standard error is a terminal (someone reads it there; which
// other runs show none is the failure alert's own table): the player quits
// by itself, the line on standard error, where a box would hold it until
// the time-out (124). Failures come before SDL starts (the bundle), with no
// window (OpenGL) or with the window open.
TEST_F(PlayerWindow, AGameThatCannotStartShowsWhyInAMessageBoxUnlessOnATerminal)
{
    for (const bool terminal : {false, true}) {
        for (const Unstartable& kind : kUnstartable) {
            const std::string game = makeUnstartable(dir, kind);
            const std::string what = std::string(kind.name) + (terminal ? " on a terminal" : " in a box");
            if (!terminal)
                EXPECT_EQ(dismissBox(game, "Tern Player", kind.environment), "shown\nwaiting\n") << what;
            else
                runSession(game, std::string("timeout 10 script -qec 'env -u SDL_VIDEODRIVER ") + kind.environment +
                                     " \"$PLAYER\" \"$GAME\"' /dev/null </dev/null >\"$D/player.err\"\n"
                                     "echo $? >\"$D/status.txt\"\n");
            EXPECT_EQ(readFile(dir.file("status.txt")), "1\n") << what << ": " << playerLog();
            EXPECT_NE(playerLog().find(kind.words), std::string::npos) << what << ": " << playerLog();
            EXPECT_EQ(lineCount(playerLog()), 1) << what << ": " << playerLog();
        }
    }
}
