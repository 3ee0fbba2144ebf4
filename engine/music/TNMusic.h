// One background music track: the sound-file player of the current track
// and the volume it plays at.
#ifndef TN_MUSIC_H
#define TN_MUSIC_H

#include <memory>
#include <string>

class TNSoundFilePlayer;

class TNMusic {
public:
    TNMusic();
    ~TNMusic();
    TNMusic(const TNMusic&) = delete;
    TNMusic& operator=(const TNMusic&) = delete;

    // Replaces the track with the file at path; false (and no track) when
    // the file cannot be opened as audio.
    bool initSound(const std::string& path, bool looping);
    void play();
    void pause();
    void resume();
    void stop();
    // Kept and applied only while there is a track.
    void setVolume(float volume);
    float volume() const { return volume_; }
    bool isPlaying() const;
    bool isValid() const { return sound_ != nullptr; }

private:
    std::unique_ptr<TNSoundFilePlayer> sound_;
    float volume_ = 1.0f;
};

#endif
