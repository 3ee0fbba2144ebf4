// The paused state of the music manager.
#ifndef TN_MUSIC_PAUSED_STATE_H
#define TN_MUSIC_PAUSED_STATE_H

#include "music/TNMusicState.h"

class TNMusicPausedState : public TNMusicState {
public:
    using TNMusicState::TNMusicState;
    TNMusicStateCode playMusic(const char* path, bool looping) override;
    TNMusicStateCode pauseMusic() override;
    TNMusicStateCode stopMusic() override;
};

#endif
