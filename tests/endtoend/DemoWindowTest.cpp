// The demo played through tern-player's window under Xvfb, as a user would:
// keys and the pointer injected with xdotool, the window's pixels read back
// with xwd, the high score seen again by a second run, the sounds reaching
// OpenAL's wave file writer and the music SDL's disk audio output.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "WaveFile.h"
#include "XServer.h"

extern char** environ;

using namespace tern_test;

namespace {

const std::string kPlayer = std::string(TERN_BUILD_DIR) + "/tern-player";
const std::string kDemo = std::string(TERN_BUILD_DIR) + "/Demo.app";
const double kPatience = 30;  // seconds for anything to show on a slow, loaded machine

void sleepFor(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Checks condition every tenth of a second until it holds or seconds pass.
bool eventually(double seconds, const std::function<bool()>& condition)
{
    return waitUntil(condition, std::chrono::milliseconds(static_cast<long>(seconds * 1000)),
                     std::chrono::milliseconds(100));
}

// `sh -c command` in the background; killed with SIGTERM if still running
// when the object goes.
class Process {
public:
    explicit Process(const std::string& command)
    {
        const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
        if (posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            pid_ = -1;
    }
    ~Process()
    {
        if (pid_ > 0 && !wait(0)) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // The exit status (128 + signal when killed) once it has ended.
    std::optional<int> wait(double seconds)
    {
        if (!status_ && pid_ > 0)
            eventually(seconds, [&] {
                int raw = 0;
                if (waitpid(pid_, &raw, WNOHANG) != pid_)
                    return false;
                status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
                return true;
            });
        return status_;
    }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// The window's pixels as 0xRRGGBB, rows top to bottom.
struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;

    bool isGame() const { return width == 480 && height == 320; }
    // Whether the pixel at (x, y) of the game, y upwards, passes the test.
    bool is(int x, int y, bool (*test)(int r, int g, int b)) const
    {
        if (!isGame())
            return false;
        const uint32_t p = pixels[static_cast<size_t>(height - 1 - y) * width + x];
        return test(p >> 16, (p >> 8) & 0xff, p & 0xff);
    }
    int count(int x, int y, int w, int h, bool (*test)(int r, int g, int b)) const
    {
        int n = 0;
        for (int gy = y; gy < y + h; ++gy)
            for (int gx = x; gx < x + w; ++gx)
                n += is(gx, gy, test);
        return n;
    }
};

// An xwd dump of a window of depth 24: a header of 25 big-endian CARD32
// fields and the window's name (header_size bytes in all), ncolors colormap
// entries of 12 bytes, then the rows of 32-bit pixels. An empty image when
// the dump is not one.
Image readXWD(const std::string& data)
{
    enum { kHeaderSize, kVersion, kFormat, kDepth, kWidth, kHeight, kByteOrder = 7, kBitsPerPixel = 11,
           kBytesPerLine, kRedMask = 14, kGreenMask, kBlueMask, kColors = 19, kFields = 25 };
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    if (data.size() < kFields * 4)
        return Image{};
    uint32_t field[kFields];
    for (int i = 0; i < kFields; ++i)
        field[i] = uint32_t(bytes[i * 4]) << 24 | bytes[i * 4 + 1] << 16 | bytes[i * 4 + 2] << 8 | bytes[i * 4 + 3];
    const size_t start = field[kHeaderSize] + size_t(field[kColors]) * 12;
    if (field[kVersion] != 7 || field[kFormat] != 2 || field[kDepth] != 24 ||
        field[kBitsPerPixel] != 32 || start + size_t(field[kBytesPerLine]) * field[kHeight] > data.size())
        return Image{};
    Image image{static_cast<int>(field[kWidth]), static_cast<int>(field[kHeight]), {}};
    const uint32_t masks[3] = {field[kRedMask], field[kGreenMask], field[kBlueMask]};
    for (int row = 0; row < image.height; ++row)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = bytes + start + size_t(row) * field[kBytesPerLine] + x * 4;
            const uint32_t value = field[kByteOrder] == 0 ? uint32_t(p[3]) << 24 | p[2] << 16 | p[1] << 8 | p[0]
                                                          : uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
            uint32_t rgb = 0;
            for (uint32_t mask : masks)  // 8-bit channels at depth 24
                rgb = rgb << 8 | (mask ? (value & mask) >> __builtin_ctz(mask) : 0);
            image.pixels.push_back(rgb);
        }
    return image;
}

// The loudest sample (1 is full scale) and the count of audible ones of
// what OpenAL's wave output wrote.
struct Loudness {
    double peak = 0;
    size_t audible = 0;
};

Loudness loudness(const WaveSamples& wave)
{
    Loudness result;
    for (int16_t sample : wave.samples) {
        result.peak = std::max(result.peak, std::abs(sample) / 32768.0);
        result.audible += std::abs(sample) > 32;
    }
    return result;
}

// What the demo draws, by colour. The loading image has the title's
// lettering lower down and yellow bricks where the title is, so the title
// counts as shown when its own colour is there exactly: the fade is over.
bool isTitleText(int r, int g, int b) { return std::abs(r - 255) + std::abs(g - 233) + std::abs(b - 160) <= 3; }
bool isPaddle(int r, int g, int b) { return b > 215 && b > r + 20 && g > 100; }  // not the pale blue hint text
bool isLight(int r, int g, int b) { return r > 120 && g > 120 && b > 120; }

bool isTitle(const Image& image) { return image.count(60, 210, 360, 45, isTitleText) > 1500; }

// The paddle's centre, or -1 when it is not drawn.
double paddleX(const Image& image)
{
    const int pixels = image.count(0, 19, 480, 10, isPaddle);
    double sum = 0;
    for (int x = 0; x < 480; ++x)
        sum += x * image.count(x, 19, 1, 10, isPaddle);
    return pixels < 200 ? -1 : sum / pixels;
}

// The light pixels of a region that pictures taken moments apart share:
// the text there, without the scrolling stars, the ball and the particles.
struct Region {
    int x, y, width, height;
};
const Region kScore{0, 280, 150, 28};       // "Score N" in play
const Region kHighScore{130, 116, 220, 30};  // "High score N" on the title

std::vector<bool> stillText(const std::vector<Image>& pictures, Region r)
{
    std::vector<bool> mask;
    for (const Image& picture : pictures)
        if (!picture.isGame())
            return mask;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x)
            mask.push_back(std::all_of(pictures.begin(), pictures.end(),
                                       [&](const Image& picture) { return picture.is(x, y, isLight); }));
    return mask;
}

// How many pixels of the text differ; -1 when either picture was not the game's.
int changes(const std::vector<bool>& a, const std::vector<bool>& b)
{
    if (a.empty() || a.size() != b.size())
        return -1;
    int n = 0;
    for (size_t i = 0; i < a.size(); ++i)
        n += a[i] != b[i];
    return n;
}

class DemoWindow : public testing::Test {
protected:
    void SetUp() override
    {
        if (std::system("for tool in xdotool openbox xwd xprop; do command -v $tool || exit 1; done >/dev/null") != 0)
            GTEST_SKIP() << "xdotool, openbox, xwd or xprop missing";
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

    // tern-player on the demo with the test's save folder, its output in
    // NAME.out and NAME.err.
    std::string player(const std::string& name, const std::string& audio) const
    {
        return "exec env -u SDL_VIDEODRIVER XDG_DATA_HOME=" + dir.file("data") + " " + audio +
               " timeout 120 " + kPlayer + " " + kDemo + " >" + dir.file(name + ".out") + " 2>" + dir.file(name + ".err");
    }
    std::string log(const std::string& name) const { return readFile(dir.file(name + ".err")) + readFile(dir.file(name + ".out")); }

    // The game's window, once it is shown and has the input focus.
    bool findWindow()
    {
        if (!eventually(kPatience, [&] { return !(window_ = run("xdotool search --name '^Tern Demo$'")).empty(); }))
            return false;
        window_ = window_.substr(0, window_.find('\n'));
        xdotool("windowactivate --sync " + window_);
        return true;
    }
    Image shot() const { return readXWD(run("xwd -silent -id " + window_)); }

    // The first picture that passes the test, or a failure naming what did not show.
    Image waitFor(const std::string& what, const std::function<bool(const Image&)>& test) const
    {
        Image image;
        if (!eventually(kPatience, [&] { return test(image = shot()); }))
            ADD_FAILURE() << "the window did not show " << what << " within " << kPatience << " s ("
                          << image.width << "x" << image.height << ", paddle at " << paddleX(image) << ")";
        return image;
    }
    // The light pixels of a region that stay put for 0.6 s: its text.
    std::vector<bool> textIn(Region region) const
    {
        std::vector<Image> pictures{shot()};
        for (int i = 0; i < 2; ++i) {
            sleepFor(0.3);
            pictures.push_back(shot());
        }
        return stillText(pictures, region);
    }

    TempDir dir;
    std::unique_ptr<XServer> server_;
    std::string window_;
};

TEST_F(DemoWindow, PlayedWithKeysAndPointerThenTheNextRunShowsTheHighScore)
{
    writeFile(dir.file("alsoft.conf"), "[wave]\nfile = " + dir.file("sound.wav") + "\n");
    std::vector<bool> firstHighScore, savedHighScore;
    {
        Process game(player("first", "ALSOFT_DRIVERS=wave ALSOFT_CONF=" + dir.file("alsoft.conf") +
                                         " SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" + dir.file("music.raw")));
        ASSERT_TRUE(findWindow()) << log("first");
        ASSERT_TRUE(isTitle(waitFor("the title", isTitle))) << log("first");
        firstHighScore = textIn(kHighScore);
        EXPECT_EQ(paddleX(shot()), -1);
        EXPECT_FALSE(fileExists(dir.file("data/Tern Demo/save.data")));

        // Space starts play with the paddle at the centre; Right moves it right.
        xdotool("key space");
        waitFor("the paddle at the centre", [](const Image& i) { return std::abs(paddleX(i) - 240) < 12; });
        xdotool("keydown Right");
        waitFor("the paddle moved right", [](const Image& i) { return paddleX(i) > 320; });
        xdotool("keyup Right");
        // The pointer at the window's left brings the paddle there.
        xdotool("mousemove --window " + window_ + " 20 160");
        waitFor("the paddle moved left", [](const Image& i) { return paddleX(i) >= 0 && paddleX(i) < 120; });

        // The score stays until the launched ball breaks a brick.
        const std::vector<bool> score = textIn(kScore);
        const int still = changes(textIn(kScore), score);
        EXPECT_TRUE(still >= 0 && still <= 10) << still;
        xdotool("key space");
        EXPECT_TRUE(eventually(kPatience, [&] { return changes(textIn(kScore), score) > 30; }))
            << "the score did not change within " << kPatience << " s of the launch";

        // Esc saves the high score and goes back to the title, which shows it.
        xdotool("key Escape");
        waitFor("the title again", [](const Image& i) { return isTitle(i) && paddleX(i) == -1; });
        savedHighScore = textIn(kHighScore);
        EXPECT_GT(changes(savedHighScore, firstHighScore), 30);
        EXPECT_TRUE(fileExists(dir.file("data/Tern Demo/save.data")));
        xdotool("key Escape");
        EXPECT_EQ(game.wait(kPatience), std::optional<int>(0)) << log("first");
    }
    // The start and hit sounds went through OpenAL to its wave file.
    const Loudness sound = loudness(readWave(dir.file("sound.wav")));
    EXPECT_GT(sound.peak, 0.05);
    EXPECT_GT(sound.audible, 1000u);
    // The title's music went to SDL's audio output.
    const std::string music = readFile(dir.file("music.raw"));
    EXPECT_NE(music.find_first_not_of('\0'), std::string::npos) << music.size() << " bytes of silence";

    // A second run reads the saved high score and shows it on the title.
    Process again(player("second", "ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy"));
    ASSERT_TRUE(findWindow()) << log("second");
    ASSERT_TRUE(isTitle(waitFor("the title", isTitle))) << log("second");
    const std::vector<bool> highScore = textIn(kHighScore);
    EXPECT_GT(changes(highScore, firstHighScore), 30);
    const int same = changes(highScore, savedHighScore);
    EXPECT_TRUE(same >= 0 && same <= 10) << same;
    xdotool("key Escape");
    EXPECT_EQ(again.wait(kPatience), std::optional<int>(0)) << log("second");
}

}  // namespace
