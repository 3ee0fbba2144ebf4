// The script's music calls through the platformWrappers library.
#include <gtest/gtest.h>

#include "MusicMedia.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "music/TNMusicManager.h"
#include "music/TNMusic.h"

TEST(PlatformWrappersMusic, TheScriptControlsTheMusic)
{
    tern_test::ScriptedEngine engine("function initEngine() end");
    const std::string track = music_test::media("long.wav");
    engine.run("platformWrappers.playMusic('" + track + "', 1)");
    EXPECT_EQ(engine.eval("platformWrappers.isMusicPlaying()"), "1");
    engine.run("platformWrappers.setMusicVolume(0.25)");
    EXPECT_FLOAT_EQ(TNMusicManager::sharedMusicManager().music().volume(), 0.25f);

    engine.run("platformWrappers.pauseMusic()");
    EXPECT_EQ(engine.eval("platformWrappers.isMusicPlaying()"), "0");
    // A path that is not a string counts as no path: the paused track resumes.
    engine.run("platformWrappers.playMusic({}, 0)");
    EXPECT_EQ(engine.eval("platformWrappers.isMusicPlaying()"), "1");
    EXPECT_EQ(TNMusicManager::sharedMusicManager().currentStateCode(), kTNMusicPlaying);

    engine.run("platformWrappers.setMusicVolume(1)");  // the shared player, as the next test expects it
    engine.run("platformWrappers.stopMusic()");
    EXPECT_EQ(engine.eval("platformWrappers.isMusicPlaying()"), "0");
    EXPECT_EQ(TNMusicManager::sharedMusicManager().currentStateCode(), kTNMusicStopped);
    // A file that cannot be played drops the track, so its audio device closes.
    engine.run("platformWrappers.playMusic('" + music_test::media("missing.m4a") + "', 0)");
}
