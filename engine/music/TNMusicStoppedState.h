// The stopped state of the music manager.
#ifndef TN_MUSIC_STOPPED_STATE_H
#define TN_MUSIC_STOPPED_STATE_H

#include "music/TNMusicState.h"

class TNMusicStoppedState : public TNMusicState {
public:
    using TNMusicState::TNMusicState;
    TNMusicStateCode playMusic(const char* path, bool looping) override;
    TNMusicStateCode pauseMusic() override;
    TNMusicStateCode stopMusic() override;
};

#endif
