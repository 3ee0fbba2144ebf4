#include "music/TNMusicPausedState.h"

#include "music/TNMusic.h"

// A new track replaces the paused one; a play request without one resumes it.
TNMusicStateCode TNMusicPausedState::playMusic(const char* path, bool looping)
{
    if (hasPath(path)) {
        music_.stop();
        return loadAndPlay(path, looping);
    }
    if (!music_.isValid())
        return kTNMusicStopped;
    music_.resume();
    return kTNMusicPlaying;
}

TNMusicStateCode TNMusicPausedState::pauseMusic()
{
    return kTNMusicPaused;
}

TNMusicStateCode TNMusicPausedState::stopMusic()
{
    music_.stop();
    return kTNMusicStopped;
}
