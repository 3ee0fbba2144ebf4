// Music on a machine without an audio device: it plays silently at the
// pace it would be heard, and says so once.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "MusicMedia.h"
#include "TestSupport.h"
#include "music/TNMusicPlayback.h"

namespace {

// Runs in a fresh process in which SDL has no usable audio driver.
// Exits 0 when the music behaved; the reason for any other code is printed.
void playWithoutAudioDevice(const std::string& shortTrack)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStderr();
    for (int round = 0; round < 3; ++round) {
        TNPlayAACFile(shortTrack.c_str(), 0);
        if (IsAACFilePlaying() != 1)
            std::exit(2);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (IsAACFilePlaying() != 1)
            std::exit(3);  // the 0.3 s track ran out at once
        tern_test::waitUntil([] { return !IsAACFilePlaying(); }, std::chrono::seconds(2), std::chrono::milliseconds(10));
        if (IsAACFilePlaying() != 0)
            std::exit(4);  // it never finished
    }
    const std::string log = testing::internal::GetCapturedStderr();
    const auto lines = std::count(log.begin(), log.end(), '\n');
    std::fprintf(stderr, "%s", log.c_str());
    std::exit(lines == 1 ? 0 : 5);
}

}  // namespace

TEST(MusicWithoutAudio, PlaysSilentlyAndSaysSoOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string track = music_test::media("short.wav");
    EXPECT_EXIT(playWithoutAudioDevice(track), testing::ExitedWithCode(0), "music plays silently");
}
