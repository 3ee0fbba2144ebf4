// The process-wide background music player: one track and a three-state
// machine (playing, paused, stopped) that decides what each request does.
#ifndef TN_MUSIC_MANAGER_H
#define TN_MUSIC_MANAGER_H

#include <map>
#include <memory>

#include "music/TNMusicState.h"

class TNMusic;

class TNMusicManager {
public:
    // Created on first use; lives until the process ends.
    static TNMusicManager& sharedMusicManager();

    TNMusicManager();
    ~TNMusicManager();
    TNMusicManager(const TNMusicManager&) = delete;
    TNMusicManager& operator=(const TNMusicManager&) = delete;

    void playMusic(const char* path, bool looping);
    void pauseMusic();
    void stopMusic();
    void transitionToNewState(TNMusicStateCode code);
    void setVolume(float volume);
    bool isPlaying() const;

    TNMusicStateCode currentStateCode() const { return currentCode_; }
    const TNMusic& music() const { return *music_; }

private:
    std::unique_ptr<TNMusic> music_;
    std::map<TNMusicStateCode, std::unique_ptr<TNMusicState>> states_;
    TNMusicState* currentState_ = nullptr;
    TNMusicStateCode currentCode_ = kTNMusicStopped;
};

#endif
