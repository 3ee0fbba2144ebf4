// The demo played through tern-player's window under Xvfb, as a user would:
// keys, a click and the pointer injected with xdotool, the window's pixels
// read back with xwd. What the demo does with its input, its sounds and its
// saved high score is checked through the engine host (tests/demo).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "Picture.h"
#include "TestSupport.h"
#include "XServer.h"

using namespace tern_test;

namespace {

const std::string kPlayer = std::string(TERN_BUILD_DIR) + "/tern-player";
const std::string kDemo = std::string(TERN_BUILD_DIR) + "/Demo.app";
const double kPatience = 30;  // seconds for anything to show on a slow, loaded machine

// Checks condition every tenth of a second until it holds or seconds pass.
bool eventually(double seconds, const std::function<bool()>& condition)
{
    return waitUntil(condition, std::chrono::milliseconds(static_cast<long>(seconds * 1000)),
                     std::chrono::milliseconds(100));
}

// A picture of the window (xwd's, made a PNG by ffmpeg): whether the pixel
// at (x, y) of the 480 x 320 game, y upwards, passes the test, and how many
// of a rectangle's do.
bool is(const Picture& p, int x, int y, bool (*test)(int r, int g, int b))
{
    if (p.width != 480 || p.height != 320)
        return false;
    const Rgb c = p.at(x, p.height - 1 - y);
    return test(c.r, c.g, c.b);
}
int count(const Picture& p, int x, int y, int w, int h, bool (*test)(int r, int g, int b))
{
    int n = 0;
    for (int gy = y; gy < y + h; ++gy)
        for (int gx = x; gx < x + w; ++gx)
            n += is(p, gx, gy, test);
    return n;
}

// What the demo draws, by colour. The loading image has the title's
// lettering lower down and yellow bricks where the title is, so the title
// counts as shown when its own colour is there exactly: the fade is over.
bool isTitleText(int r, int g, int b) { return std::abs(r - 255) + std::abs(g - 233) + std::abs(b - 160) <= 3; }
bool isPaddle(int r, int g, int b) { return b > 215 && b > r + 20 && g > 100; }  // not the pale blue hint text

bool isTitle(const Picture& p) { return count(p, 60, 210, 360, 45, isTitleText) > 1500; }

// The paddle's centre, or -1 when it is not drawn.
double paddleX(const Picture& p)
{
    const int pixels = count(p, 0, 19, 480, 10, isPaddle);
    double sum = 0;
    for (int x = 0; x < 480; ++x)
        sum += x * count(p, x, 19, 1, 10, isPaddle);
    return pixels < 200 ? -1 : sum / pixels;
}

class DemoWindow : public testing::Test {
protected:
    void SetUp() override
    {
        if (std::system("for tool in xdotool openbox xwd ffmpeg; do command -v $tool || exit 1; done >/dev/null") != 0)
            GTEST_SKIP() << "xdotool, openbox, xwd or ffmpeg missing";
        if (!fileExists(kPlayer))
            GTEST_SKIP() << "the build has no tern-player yet";
        server_ = std::make_unique<XServer>(true);
        ASSERT_TRUE(server_->ok()) << server_->error();
    }

    // The standard output of a command run on the display, at most 10 s.
    std::string run(const std::string& command) const
    {
        return runCommand("timeout 10 " + command + " 2>/dev/null").out;
    }
    void xdotool(const std::string& arguments) const { run("xdotool " + arguments); }

    // Starts tern-player on the demo with the test's save folder and no
    // sound output, in the background: its output goes to player.out and
    // player.err, its exit status to status.txt. Should the test stop
    // early, the player ends with the X server.
    void startPlayer() const
    {
        runCommand("(env -u SDL_VIDEODRIVER XDG_DATA_HOME=" + dir.file("data") +
                   " ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy timeout 120 " + kPlayer + " " + kDemo + " >" +
                   dir.file("player.out") + " 2>" + dir.file("player.err") + "; echo $? >" + dir.file("status.txt") +
                   ") </dev/null >/dev/null 2>&1 &");
    }
    std::string log() const { return readFile(dir.file("player.err")) + readFile(dir.file("player.out")); }

    // The game's window, once it is shown and has the input focus.
    bool findWindow()
    {
        if (!eventually(kPatience, [&] { return !(window_ = run("xdotool search --name '^Tern Demo$'")).empty(); }))
            return false;
        window_ = window_.substr(0, window_.find('\n'));
        xdotool("windowactivate --sync " + window_);
        return true;
    }
    Picture shot() const
    {
        const std::string xwd = dir.file("shot.xwd"), png = dir.file("shot.png");
        run("sh -c 'rm -f " + png + "; xwd -silent -id " + window_ + " -out " + xwd + " && ffmpeg -v error -f xwd_pipe -i " +
            xwd + " " + png + "'");
        return Picture(png);
    }

    // The first picture that passes the test, or a failure naming what did not show.
    Picture waitFor(const std::string& what, const std::function<bool(const Picture&)>& test) const
    {
        Picture picture("");
        if (!eventually(kPatience, [&] { return test(picture = shot()); }))
            ADD_FAILURE() << "the window did not show " << what << " within " << kPatience << " s ("
                          << picture.width << "x" << picture.height << ", paddle at " << paddleX(picture) << ")";
        return picture;
    }

    TempDir dir;
    std::unique_ptr<XServer> server_;
    std::string window_;
};

TEST_F(DemoWindow, PlayedWithKeysAndPointer)
{
    startPlayer();
    ASSERT_TRUE(findWindow()) << log();
    ASSERT_TRUE(isTitle(waitFor("the title", isTitle))) << log();
    EXPECT_EQ(paddleX(shot()), -1);

    // A click starts play with the paddle at the centre (the arrow keys that
    // move it are the engine host's tests).
    xdotool("mousemove --window " + window_ + " 240 160 click 1");
    waitFor("the paddle at the centre", [](const Picture& p) { return std::abs(paddleX(p) - 240) < 12; });
    // The pointer at the window's left brings the paddle there.
    xdotool("mousemove --window " + window_ + " 20 160");
    waitFor("the paddle moved left", [](const Picture& p) { return paddleX(p) >= 0 && paddleX(p) < 120; });

    // Esc goes back to the title; Esc there quits.
    xdotool("key Escape");
    waitFor("the title again", [](const Picture& p) { return isTitle(p) && paddleX(p) == -1; });
    xdotool("key Escape");
    EXPECT_TRUE(eventually(kPatience, [&] { return readFile(dir.file("status.txt")) == "0\n"; }))
        << readFile(dir.file("status.txt")) << log();
}

}  // namespace
