// One OpenAL source, lent by the sound manager to a sound-player node.
// Every OpenAL call is followed by a labelled error check; errors are
// reported and otherwise ignored.
#ifndef TN_AUDIO_SOURCE_H
#define TN_AUDIO_SOURCE_H

#include <AL/al.h>

struct SGSound;

class TNAudioSource {
public:
    // Called by the manager after the source stopped and went back to the pool.
    using FinishedCallback = void (*)(TNAudioSource* source);

    TNAudioSource();
    ~TNAudioSource();
    TNAudioSource(const TNAudioSource&) = delete;
    TNAudioSource& operator=(const TNAudioSource&) = delete;

    // The object that reserved the source; null when none.
    void* owner = nullptr;
    FinishedCallback finishedCallback = nullptr;

    ALuint sourceName() const { return sourceName_; }

    // AL_SOURCE_STATE; AL_STOPPED when OpenAL cannot answer (no context).
    ALint state() const;
    bool isPlaying() const;
    bool isStopped() const;

    // Queues count buffer names. A null array with a positive count (a sound
    // whose decoding produced no buffer) is reported as OpenAL would report
    // it and queues nothing.
    void queueBuffers(const ALuint* buffers, int count);
    void queueBuffers(const SGSound& sound);
    void unqueueBuffers();

    void setRelative(bool relative);
    void setLooping(bool looping);
    void setPitch(float pitch);
    void setVolume(float volume);
    void setVelocity(float x, float y);
    void setLocation(float x, float y);
    // Position, velocity and direction to zero, rolloff 1, reference distance 50.
    void setToDefault();

    void play();
    void pause();
    void rewind();
    // Stops and detaches the buffer, so a later queueBuffers starts empty.
    void stop();

private:
    ALuint sourceName_ = 0;
};

#endif
