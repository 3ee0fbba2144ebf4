#include "music/TNMusicPlayback.h"

#include <cstdint>

#include "music/TNMusicManager.h"

void TNPlayAACFile(const char* path, int looping)
{
    const bool loops = static_cast<uint8_t>(looping) != 0;
    TNMusicManager::sharedMusicManager().playMusic(path ? path : "", loops);
}

void TNPauseAACFile()
{
    TNMusicManager::sharedMusicManager().pauseMusic();
}

void TNStopAACFile()
{
    TNMusicManager::sharedMusicManager().stopMusic();
}

void SetAACFileVolume(float volume)
{
    TNMusicManager::sharedMusicManager().setVolume(volume);
}

int IsAACFilePlaying()
{
    return TNMusicManager::sharedMusicManager().isPlaying() ? 1 : 0;
}
