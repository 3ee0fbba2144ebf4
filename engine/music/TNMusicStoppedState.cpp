#include "music/TNMusicStoppedState.h"

// Only a new track leaves the stopped state.
TNMusicStateCode TNMusicStoppedState::playMusic(const char* path, bool looping)
{
    if (!hasPath(path))
        return kTNMusicStopped;
    return loadAndPlay(path, looping);
}

TNMusicStateCode TNMusicStoppedState::pauseMusic()
{
    return kTNMusicStopped;
}

TNMusicStateCode TNMusicStoppedState::stopMusic()
{
    return kTNMusicStopped;
}
