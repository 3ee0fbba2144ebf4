#include "music/TNMusicState.h"

#include "music/TNMusic.h"

TNMusicStateCode TNMusicState::loadAndPlay(const char* path, bool looping)
{
    if (!music_.initSound(path, looping))
        return kTNMusicStopped;
    music_.play();
    return kTNMusicPlaying;
}
