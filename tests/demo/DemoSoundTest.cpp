// The demo's sounds reach OpenAL Soft's wave output: the title's start
// sound when space is pressed, and a brick's hit during play.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "../audio/AudioTestSupport.h"
#include "DemoGame.h"

using namespace tern_audio_test;
using namespace tern_test;

namespace {

// Frames at about 60 a second of wall-clock time, so the mixer keeps pace.
void realTimeFrames(DemoGame& game, int count)
{
    for (int i = 0; i < count; ++i) {
        game.frames(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
}

// In the fresh process: space on the title (start sound), then a second
// of silence, then launch and play until a brick is hit.
int playScenario(const std::string& savePath)
{
    OffscreenGL gl(480, 320);
    if (!gl.ok())
        return 2;
    {
        DemoGame game(gl, savePath);
        realTimeFrames(game, 10);
        game.press("space");
        realTimeFrames(game, 60);
        if (game.eval("game.sceneName") != "play")
            return 3;
        game.press("space");
        for (int i = 0; i < 600 && game.eval("game.vars.score") == "0"; ++i) {
            game.eval("(function() local b = game.current.named.ball mouseMoved(b.x, 0) return 1 end)()");
            game.frames(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
        if (game.eval("game.vars.score") == "0")
            return 4;
        realTimeFrames(game, 30);
    }
    closeOutputDevice();
    return 0;
}

TEST(DemoSound, StartAndHitSoundsReachTheOutput)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const SharedTestDir dir;
    useWaveOutput(dir.file("alsoft.conf"), dir.file("out.wav"));
    // The music plays through SDL audio, which the test keeps silent.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EXIT(std::exit(playScenario(dir.file("save.data"))), testing::ExitedWithCode(0), "");

    const WaveSamples wave = readWave(dir.file("out.wav"));
    ASSERT_GT(wave.samples.size(), 22050u);
    // The first audible stretch is the start sound: about 0.3 s of a rising tone.
    size_t first = 0;
    while (first < wave.samples.size() && std::abs(wave.samples[first]) < 300)
        ++first;
    ASSERT_LT(first, wave.samples.size()) << "nothing was heard";
    size_t end = first;
    for (size_t i = first; i < wave.samples.size() && i < first + 22050; ++i)
        if (std::abs(wave.samples[i]) >= 300)
            end = i;
    EXPECT_NEAR((end - first) / 22050.0, 0.3, 0.08);
    EXPECT_LT(zeroCrossingFrequency(wave.samples, first + 200, first + 1500, 22050),
              zeroCrossingFrequency(wave.samples, end - 1500, end - 200, 22050));
    // Later, during play, more sound (the hit and the bounces).
    EXPECT_GT(rms(wave.samples, end + 22050 / 2, wave.samples.size()), 20.0);
}

}  // namespace
