// Decoding music files of each format the player accepts; the music
// manager's state table, with the sound checked in the output of SDL's disk
// audio driver; the C and script calls that drive it; and music on a machine
// without an audio device, which plays silently at the pace it would be
// heard and says so once.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>

#include "MusicMedia.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "music/TNMusicPlayback.h"
#include "music/TNMusicManager.h"
#include "music/TNMusic.h"
#include "music/TNMusicDecoder.h"
#include "music/TNSoundFilePlayer.h"

using music_test::kBytesPerSecond;
using music_test::media;
using music_test::outputSamples;
using music_test::outputSize;
using music_test::waitForOutput;

namespace {

// Decodes the whole file in the output format, of the given channels.
std::vector<int16_t> decodeAll(TNMusicDecoder& decoder, int channels = 2)
{
    std::vector<int16_t> all;
    std::vector<int16_t> chunk(4096 * 2);
    while (int frames = decoder.read(chunk.data(), 4096))
        all.insert(all.end(), chunk.begin(), chunk.begin() + frames * channels);
    return all;
}

constexpr int16_t kFullPeak = 16384;  // a sine of amplitude 0.5

// The loudest sample written during the next fifth of a second.
int16_t nextPeak()
{
    const long from = outputSize();
    waitForOutput(from, kBytesPerSecond / 5);
    return music_test::peak(outputSamples(from, outputSize()));
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class MusicManagerTest : public ::testing::Test {
protected:
    void SetUp() override { media("sine.wav"); }

    TNMusicStateCode state() const { return manager->currentStateCode(); }
    std::pair<TNMusicStateCode, bool> stateAndPlaying() const { return {state(), manager->isPlaying()}; }
    std::unique_ptr<TNMusicManager> manager = std::make_unique<TNMusicManager>();
};

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

TEST(MusicDecoder, DecodesEachFormatToOneSecondOfSine)
{
    for (const char* name : {"sine.m4a", "sine.mp3", "sine.ogg", "sine.wav", "sine.caf"}) {
        std::string error;
        auto decoder = TNMusicDecoder::open(media(name), error);
        ASSERT_TRUE(decoder) << name << ": " << error;
        ASSERT_TRUE(decoder->setOutputFormat(44100, 2));
        const std::vector<int16_t> samples = decodeAll(*decoder);
        // Encoders add a little padding; the length stays within 5%.
        EXPECT_NEAR(static_cast<double>(samples.size() / 2), 44100.0, 2205.0) << name;
        EXPECT_NEAR(music_test::peak(samples), 16384, 16384 * 0.15) << name;
    }
}

TEST(MusicDecoder, ConvertsToAnyOutputFormatAndRewinds)
{
    std::string error;
    auto decoder = TNMusicDecoder::open(media("sine.wav"), error);
    ASSERT_TRUE(decoder && decoder->setOutputFormat(22050, 1));
    const std::vector<int16_t> first = decodeAll(*decoder, 1);
    EXPECT_NEAR(static_cast<double>(first.size()), 22050.0, 100.0);
    ASSERT_TRUE(decoder->rewind());
    EXPECT_EQ(decodeAll(*decoder, 1), first);
}

TEST(MusicDecoder, RefusesWhatIsNotSound)
{
    for (const char* name : {"picture.png", "text.txt", "empty.wav", "missing.m4a"}) {
        std::string error;
        EXPECT_FALSE(TNMusicDecoder::open(media(name), error)) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
}

TEST_F(MusicManagerTest, StoppedStateStartsOnlyANewTrack)
{
    EXPECT_EQ(state(), kTNMusicStopped);
    manager->pauseMusic();
    EXPECT_EQ(state(), kTNMusicStopped);
    manager->stopMusic();
    EXPECT_EQ(state(), kTNMusicStopped);
    manager->playMusic(nullptr, false);
    manager->playMusic("", false);
    manager->playMusic(media("text.txt").c_str(), true);  // (what the decoder refuses: its tests)
    EXPECT_EQ(stateAndPlaying(), std::make_pair(kTNMusicStopped, false));
    EXPECT_FALSE(manager->music().isValid());  // nothing was loaded (a track starting: the playing row)
}

TEST_F(MusicManagerTest, PlayingStateRow)
{
    manager->playMusic(media("long.wav").c_str(), false);
    ASSERT_EQ(stateAndPlaying(), std::make_pair(kTNMusicPlaying, true));

    // Without a path the playing track is left alone.
    manager->playMusic(nullptr, false);
    EXPECT_EQ(state(), kTNMusicPlaying);
    EXPECT_NEAR(nextPeak(), kFullPeak, 1000);

    // A new path replaces the track.
    manager->playMusic(media("quiet.wav").c_str(), false);
    EXPECT_EQ(state(), kTNMusicPlaying);
    EXPECT_NEAR(nextPeak(), kFullPeak / 2, 600);

    // (Pausing: the paused-state row.)
    manager->stopMusic();
    EXPECT_EQ(stateAndPlaying(), std::make_pair(kTNMusicStopped, false));
    sleepMs(100);
    EXPECT_EQ(nextPeak(), 0);
}

TEST_F(MusicManagerTest, PausedStateRow)
{
    manager->playMusic(media("long.wav").c_str(), false);
    EXPECT_NEAR(nextPeak(), kFullPeak, 1000);
    manager->pauseMusic();
    ASSERT_EQ(state(), kTNMusicPaused);
    manager->pauseMusic();
    EXPECT_EQ(state(), kTNMusicPaused);
    sleepMs(100);  // what was on its way out before the pause
    EXPECT_EQ(nextPeak(), 0);

    manager->playMusic(nullptr, false);  // resumes
    EXPECT_EQ(stateAndPlaying(), std::make_pair(kTNMusicPlaying, true));
    sleepMs(50);
    EXPECT_NEAR(nextPeak(), kFullPeak, 1000);

    manager->pauseMusic();
    manager->playMusic(media("quiet.wav").c_str(), false);  // a new track
    EXPECT_EQ(state(), kTNMusicPlaying);
    EXPECT_NEAR(nextPeak(), kFullPeak / 2, 600);

    manager->pauseMusic();
    manager->stopMusic();
    EXPECT_EQ(stateAndPlaying(), std::make_pair(kTNMusicStopped, false));
}

TEST_F(MusicManagerTest, StatesWithoutATrackFallBackToStopped)
{
    manager->transitionToNewState(kTNMusicPlaying);
    manager->pauseMusic();
    EXPECT_EQ(state(), kTNMusicStopped);

    manager->transitionToNewState(kTNMusicPaused);
    manager->playMusic(nullptr, false);
    EXPECT_EQ(state(), kTNMusicStopped);
}

// A paused track resumes where it paused; once it has ended, playing
// without a path does not start it again.
TEST_F(MusicManagerTest, APausedTrackResumesWhereItPausedAndAnEndedOneStaysEnded)
{
    manager->playMusic(media("sine.wav").c_str(), false);
    sleepMs(400);
    manager->pauseMusic();
    sleepMs(400);
    manager->playMusic(nullptr, false);
    for (int i = 0; i < 300 && manager->isPlaying(); ++i)
        sleepMs(10);
    EXPECT_FALSE(manager->isPlaying());
    EXPECT_EQ(state(), kTNMusicPlaying);  // a track that ended stays "playing"
    manager->playMusic(nullptr, false);
    EXPECT_FALSE(manager->isPlaying());
    sleepMs(100);
    manager.reset();  // closes the device, flushing its file
    // The one-second track sounded for one second in all, not more.
    EXPECT_NEAR(music_test::soundingFrames(outputSamples(0, outputSize())), 44100, 1500);
}

TEST_F(MusicManagerTest, VolumeIsHeardAtOnceAndKeptButLostBeforeAnyTrack)
{
    manager->setVolume(0.5f);
    manager->playMusic(media("long.wav").c_str(), false);
    EXPECT_NEAR(nextPeak(), kFullPeak, 1000);
    manager->setVolume(0.5f);
    sleepMs(60);  // the device period in flight
    EXPECT_NEAR(nextPeak(), kFullPeak / 2, 600);
    manager->playMusic(media("long.wav").c_str(), false);
    EXPECT_NEAR(nextPeak(), kFullPeak / 2, 600);  // (louder than full: the player's test)
}

// The player holds its volume to 0..1 (NaN is silence): more would wrap
// 16-bit samples around, less would turn the wave upside down.
TEST(SoundFilePlayer, VolumeIsHeldBetweenZeroAndOne)
{
    const std::unique_ptr<TNSoundFilePlayer> player = TNSoundFilePlayer::create(media("sine.wav"));
    ASSERT_TRUE(player);
    const std::pair<float, float> cases[] = {
        {2.0f, 1.0f}, {1.0f, 1.0f}, {0.25f, 0.25f}, {0.0f, 0.0f}, {-1.0f, 0.0f}, {std::nanf(""), 0.0f}};
    for (const auto& [given, kept] : cases) {
        player->setVolume(given);
        EXPECT_FLOAT_EQ(player->volume(), kept) << given;
    }
}

TEST(AACFile, OnlyTheLowByteOfLoopingCounts)
{
    TNPlayAACFile(media("short.wav").c_str(), 256);
    sleepMs(900);
    EXPECT_EQ(IsAACFilePlaying(), 0);

    TNPlayAACFile(media("short.wav").c_str(), 1);
    sleepMs(900);
    EXPECT_EQ(IsAACFilePlaying(), 1);
    EXPECT_NEAR(nextPeak(), kFullPeak, 1000);
    TNStopAACFile();  // (pausing and resuming: the script's test)
    // A file that cannot be played drops the track, so its audio device
    // closes and the next test has the output to itself.
    TNPlayAACFile(media("missing.m4a").c_str(), 0);
    EXPECT_FALSE(TNMusicManager::sharedMusicManager().music().isValid());
}

// The script's music calls through the platformWrappers library.
TEST(PlatformWrappersMusic, TheScriptControlsTheMusic)
{
    tern_test::ScriptedEngine engine("function initEngine() end");
    const std::string track = music_test::media("long.wav");
    engine.run("platformWrappers.playMusic('" + track + "', 1)");
    engine.run("platformWrappers.setMusicVolume(0.25)");
    EXPECT_FLOAT_EQ(TNMusicManager::sharedMusicManager().music().volume(), 0.25f);

    engine.run("platformWrappers.pauseMusic()");
    EXPECT_EQ(engine.eval("platformWrappers.isMusicPlaying()"), "0");
    // A path that is not a string counts as no path: the paused track resumes.
    engine.run("platformWrappers.playMusic({}, 0)");
    EXPECT_EQ(engine.eval("platformWrappers.isMusicPlaying()"), "1");

    engine.run("platformWrappers.setMusicVolume(1)");  // the shared player, as the next test expects it
    engine.run("platformWrappers.stopMusic()");
    EXPECT_EQ(TNMusicManager::sharedMusicManager().currentStateCode(), kTNMusicStopped);
    // A file that cannot be played drops the track, so its audio device closes.
    engine.run("platformWrappers.playMusic('" + music_test::media("missing.m4a") + "', 0)");
}

TEST(MusicWithoutAudio, PlaysSilentlyAndSaysSoOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string track = music_test::media("short.wav");
    EXPECT_EXIT(playWithoutAudioDevice(track), testing::ExitedWithCode(0), "music plays silently");
}
