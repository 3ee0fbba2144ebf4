#include "music/TNMusicPlayingState.h"

#include "music/TNMusic.h"

// A new track replaces the playing one; a play request without one leaves
// the track alone (also when it has ended by itself).
TNMusicStateCode TNMusicPlayingState::playMusic(const char* path, bool looping)
{
    if (!hasPath(path))
        return kTNMusicPlaying;
    music_.stop();
    return loadAndPlay(path, looping);
}

TNMusicStateCode TNMusicPlayingState::pauseMusic()
{
    if (!music_.isValid())
        return kTNMusicStopped;
    music_.pause();
    return kTNMusicPaused;
}

TNMusicStateCode TNMusicPlayingState::stopMusic()
{
    music_.stop();
    return kTNMusicStopped;
}
