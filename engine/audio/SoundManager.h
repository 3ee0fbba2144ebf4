// The process's OpenAL output: one shared device and context, opened on
// first use and kept for the life of the process, and a fixed pool of 32
// audio sources that sound-player nodes reserve, play and give back.
// The engine script calls update() once per frame to recycle finished
// sources and tell their owners. The script may delete the manager while
// scenes made with it exist: they hold a TNManagerLink, never a bare pointer.
#ifndef SOUND_MANAGER_H
#define SOUND_MANAGER_H

#include <set>

#include "lua/TNHandle.h"

class TNAudioSource;

class SoundManager {
public:
    // Names this manager while it lives (see TNManagerLink).
    TNHandle handle() const { return handle_; }

    static constexpr int kPoolSize = 32;

    SoundManager();
    ~SoundManager();
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    // The lowest-addressed free source with default spatial settings, or
    // null when all are reserved (nothing else happens then).
    TNAudioSource* reserveSource();
    void playSource(TNAudioSource* source);
    void pauseSource(TNAudioSource* source);
    void restartSource(TNAudioSource* source);
    // Stops, recycles, then calls the source's finished callback.
    void stopSource(TNAudioSource* source);
    void recycleSource(TNAudioSource* source);
    // Recycles every playing source that has stopped by itself.
    void update();

    void makeCurrent();
    void suspend();
    void resume();

    // Counts of the three sets, for the host and the tests.
    int freeCount() const { return static_cast<int>(freeSources_.size()); }
    int reservedCount() const { return static_cast<int>(reservedSources_.size()); }
    int playingCount() const { return static_cast<int>(playingSources_.size()); }

private:
    TNHandle handle_;
    std::set<TNAudioSource*> freeSources_;
    std::set<TNAudioSource*> reservedSources_;
    std::set<TNAudioSource*> playingSources_;
};

#endif
