#include "music/TNMusicManager.h"

#include "music/TNMusicPausedState.h"
#include "music/TNMusicPlayingState.h"
#include "music/TNMusicStoppedState.h"
#include "music/TNMusic.h"

TNMusicManager& TNMusicManager::sharedMusicManager()
{
    static TNMusicManager manager;  // thread-safe creation on first use
    return manager;
}

TNMusicManager::TNMusicManager() : music_(new TNMusic())
{
    states_[kTNMusicPlaying].reset(new TNMusicPlayingState(*music_));
    states_[kTNMusicPaused].reset(new TNMusicPausedState(*music_));
    states_[kTNMusicStopped].reset(new TNMusicStoppedState(*music_));
    currentState_ = states_[kTNMusicStopped].get();
}

// The states refer to the music, so they go first.
TNMusicManager::~TNMusicManager()
{
    states_.clear();
    music_.reset();
}

void TNMusicManager::playMusic(const char* path, bool looping)
{
    transitionToNewState(currentState_->playMusic(path, looping));
}

void TNMusicManager::pauseMusic()
{
    transitionToNewState(currentState_->pauseMusic());
}

void TNMusicManager::stopMusic()
{
    transitionToNewState(currentState_->stopMusic());
}

void TNMusicManager::transitionToNewState(TNMusicStateCode code)
{
    auto found = states_.find(code);
    if (found == states_.end() || found->second.get() == currentState_)
        return;
    currentState_ = found->second.get();
    currentCode_ = code;
}

void TNMusicManager::setVolume(float volume)
{
    music_->setVolume(volume);
}

bool TNMusicManager::isPlaying() const
{
    return music_->isPlaying();
}
