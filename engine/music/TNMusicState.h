// A state of the music manager. Each operation acts on the music and
// returns the code of the state that follows.
#ifndef TN_MUSIC_STATE_H
#define TN_MUSIC_STATE_H

class TNMusic;

enum TNMusicStateCode {
    kTNMusicPlaying = 0,
    kTNMusicPaused = 1,
    kTNMusicStopped = 2,
};

class TNMusicState {
public:
    explicit TNMusicState(TNMusic& music) : music_(music) {}
    virtual ~TNMusicState() = default;
    TNMusicState(const TNMusicState&) = delete;
    TNMusicState& operator=(const TNMusicState&) = delete;

    // path is null or empty when no new track is asked for.
    virtual TNMusicStateCode playMusic(const char* path, bool looping) = 0;
    virtual TNMusicStateCode pauseMusic() = 0;
    virtual TNMusicStateCode stopMusic() = 0;

protected:
    static bool hasPath(const char* path) { return path && path[0] != '\0'; }
    // Loads the track and starts it; stopped when it cannot be loaded.
    TNMusicStateCode loadAndPlay(const char* path, bool looping);

    TNMusic& music_;  // not owned
};

#endif
