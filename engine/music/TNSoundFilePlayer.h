// Plays one sound file from disk: a worker thread decodes it ahead into a
// short buffer and an SDL2 audio device plays from that buffer, applying
// the volume as samples go out. Without an audio device the file plays
// silently at the same pace, so a game sees the same playing state.
#ifndef TN_SOUND_FILE_PLAYER_H
#define TN_SOUND_FILE_PLAYER_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <SDL_audio.h>

class TNMusicDecoder;

class TNSoundFilePlayer {
public:
    // A player for the file, stopped at its beginning; null when the file
    // cannot be opened as audio.
    static std::unique_ptr<TNSoundFilePlayer> create(const std::string& path);
    ~TNSoundFilePlayer();
    TNSoundFilePlayer(const TNSoundFilePlayer&) = delete;
    TNSoundFilePlayer& operator=(const TNSoundFilePlayer&) = delete;

    void setLooping(bool looping);
    // Volume from 0.0 to 1.0; values outside are clamped, NaN is silence.
    void setVolume(float volume);
    float volume() const { return volume_.load(); }

    // Starts or continues playing from the current position.
    void play();
    void pause();
    void resume();
    // Stops and goes back to the beginning.
    void stop();
    // True while playing and the track has not run out.
    bool isPlaying() const;

    // Output format: signed 16-bit interleaved samples.
    static constexpr int kSampleRate = 44100;
    static constexpr int kChannels = 2;

private:
    explicit TNSoundFilePlayer(std::unique_ptr<TNMusicDecoder> decoder);
    void openOutput();
    void setOutputPaused(bool paused);
    void startWorker();
    void stopWorker();
    void workerLoop();
    bool hasRoomToDecode() const;
    bool trackFinished() const;
    void decodeAhead();
    void drainSilently(std::chrono::steady_clock::time_point& last);
    void fill(uint8_t* stream, int length);
    static void audioCallback(void* userdata, uint8_t* stream, int length);

    std::unique_ptr<TNMusicDecoder> decoder_;  // used by the worker under decoderMutex_
    std::mutex decoderMutex_;
    std::vector<int16_t> scratch_;  // one decoded step, under decoderMutex_
    long framesSinceRewind_ = 0;    // under decoderMutex_

    // Decoded samples waiting to be played, shared with the audio callback.
    mutable std::mutex bufferMutex_;
    std::condition_variable bufferSpace_;
    std::vector<int16_t> buffer_;  // a ring of capacity samples
    size_t readPos_ = 0;
    size_t available_ = 0;
    bool endOfTrack_ = false;  // the decoder has nothing more to give

    std::atomic<float> volume_{1.0f};
    std::atomic<bool> looping_{false};
    std::atomic<bool> playing_{false};
    std::atomic<bool> paused_{false};
    bool quit_ = false;  // under bufferMutex_

    SDL_AudioDeviceID device_ = 0;
    int outputRate_ = kSampleRate;
    int outputChannels_ = kChannels;
    bool silent_ = false;  // no audio device: the worker drains the buffer itself
    std::thread worker_;
};

#endif
