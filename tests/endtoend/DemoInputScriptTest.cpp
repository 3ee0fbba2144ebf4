// The demo driven by tern-player's scripted input (--input): the keys and
// the pointer of the script reach the game at their frames, as the paddle
// in the last frame's screenshot shows. The tests skip while the build has
// no tern-player.
#include <gtest/gtest.h>

#include <string>

#include "Picture.h"
#include "TestSupport.h"

using namespace tern_test;

namespace {

const std::string kPlayer = std::string(TERN_BUILD_DIR) + "/tern-player";
const std::string kDemo = std::string(TERN_BUILD_DIR) + "/Demo.app";

// The mean x of the paddle's light blue pixels in the band it slides along
// (rows 19 to 29 from the bottom) of a screenshot; -1 when it is not there.
double paddleX(const std::string& png)
{
    const Picture shot(png);
    if (shot.height < 30)
        return -1;
    double sum = 0;
    int count = 0;
    for (int y = 19; y < 30; ++y)
        for (int x = 0; x < shot.width; ++x) {
            const Rgb p = shot.at(x, shot.height - 1 - y);
            if (p.b > 180 && p.b >= p.r && p.g > 100) {
                sum += x;
                ++count;
            }
        }
    return count > 300 ? sum / count : -1.0;
}

class DemoInputScript : public testing::Test {
protected:
    void SetUp() override
    {
        if (!fileExists(kPlayer))
            GTEST_SKIP() << "the build has no tern-player yet";
    }
    // Plays 70 frames of the demo at the fixed step with the input lines,
    // space at frame 30 starting play; the paddle's x in the last frame.
    double paddleAfter(const std::string& input)
    {
        writeFile(dir.file("input.txt"), "30 keyDown space\n31 keyUp space\n" + input);
        const CommandResult r = runCommand("XDG_DATA_HOME=" + dir.path() + " " + kPlayer +
                                           " --headless --fixed-step --frames 70 --input " + dir.file("input.txt") +
                                           " --screenshot " + dir.file("shot.png") + " " + kDemo + " 2>&1");
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out.find("rror"), std::string::npos) << r.out;
        return paddleX(dir.file("shot.png"));
    }
    TempDir dir;
};

TEST_F(DemoInputScript, KeysAndPointerMoveThePaddle)
{
    // A third of a second of the right arrow: 120 pixels right of the centre.
    EXPECT_NEAR(paddleAfter("40 keyDown right\n60 keyUp right\n"), 360, 8);
    // The paddle follows the pointer's x, not its y.
    EXPECT_NEAR(paddleAfter("40 mouseMoved 70 100\n"), 70, 8);
}

}  // namespace
