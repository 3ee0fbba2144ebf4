#include "music/TNSoundFilePlayer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "music/TNMusicDecoder.h"
#include "log/TNLog.h"

namespace {

// Seconds of decoded sound kept ahead of the device.
constexpr double kBufferSeconds = 0.25;
// Frames decoded per step of the worker.
constexpr int kDecodeFrames = 2048;
// Frames per device period (about 23 ms at 44.1 kHz).
constexpr int kDeviceFrames = 1024;

// Opens SDL's audio subsystem once. A machine without audio says so once
// and plays music silently from then on.
bool initAudioOnce()
{
    static std::mutex mutex;
    static bool failed = false;
    std::lock_guard<std::mutex> lock(mutex);
    if (SDL_WasInit(SDL_INIT_AUDIO))
        return true;
    if (failed)
        return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        failed = true;
        TNLog("Music: no audio output (%s); music plays silently", SDL_GetError());
        return false;
    }
    return true;
}

void reportNoDeviceOnce()
{
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true))
        TNLog("Music: cannot open an audio device (%s); music plays silently", SDL_GetError());
}

}  // namespace

std::unique_ptr<TNSoundFilePlayer> TNSoundFilePlayer::create(const std::string& path)
{
    std::string error;
    std::unique_ptr<TNMusicDecoder> decoder = TNMusicDecoder::open(path, error);
    if (!decoder) {
        TNLog("Music: cannot play \"%s\": %s", path.c_str(), error.c_str());
        return nullptr;
    }
    std::unique_ptr<TNSoundFilePlayer> player(new TNSoundFilePlayer(std::move(decoder)));
    player->openOutput();
    if (!player->decoder_->setOutputFormat(player->outputRate_, player->outputChannels_)) {
        TNLog("Music: cannot convert \"%s\" for the audio output", path.c_str());
        return nullptr;
    }
    player->startWorker();
    return player;
}

TNSoundFilePlayer::TNSoundFilePlayer(std::unique_ptr<TNMusicDecoder> decoder)
    : decoder_(std::move(decoder))
{
}

TNSoundFilePlayer::~TNSoundFilePlayer()
{
    // Closing the device first guarantees the callback no longer runs.
    if (device_)
        SDL_CloseAudioDevice(device_);
    stopWorker();
}

// Opens the device paused; without one the player runs silent.
void TNSoundFilePlayer::openOutput()
{
    if (initAudioOnce()) {
        SDL_AudioSpec wanted{};
        wanted.freq = kSampleRate;
        wanted.format = AUDIO_S16SYS;
        wanted.channels = kChannels;
        wanted.samples = kDeviceFrames;
        wanted.callback = audioCallback;
        wanted.userdata = this;
        SDL_AudioSpec obtained{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained,
                                      SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
        if (device_) {
            outputRate_ = obtained.freq;
            outputChannels_ = obtained.channels;
        } else {
            reportNoDeviceOnce();
        }
    }
    silent_ = device_ == 0;
    const size_t capacity = static_cast<size_t>(outputRate_ * kBufferSeconds) * outputChannels_;
    buffer_.assign(std::max<size_t>(capacity, kDecodeFrames * outputChannels_ * 2), 0);
}

void TNSoundFilePlayer::setOutputPaused(bool paused)
{
    if (device_)
        SDL_PauseAudioDevice(device_, paused ? 1 : 0);
}

void TNSoundFilePlayer::setLooping(bool looping)
{
    looping_ = looping;
    bufferSpace_.notify_all();
}

void TNSoundFilePlayer::setVolume(float volume)
{
    if (!(volume > 0.0f))
        volume = 0.0f;
    volume_ = std::min(volume, 1.0f);
}

void TNSoundFilePlayer::play()
{
    if (trackFinished())
        stop();  // a finished track starts again from the beginning
    paused_ = false;
    playing_ = true;
    setOutputPaused(false);
}

void TNSoundFilePlayer::pause()
{
    paused_ = true;
    setOutputPaused(true);
}

void TNSoundFilePlayer::resume()
{
    if (!playing_)
        return;
    paused_ = false;
    setOutputPaused(false);
}

void TNSoundFilePlayer::stop()
{
    playing_ = false;
    paused_ = false;
    setOutputPaused(true);
    std::lock_guard<std::mutex> decoderLock(decoderMutex_);
    std::lock_guard<std::mutex> bufferLock(bufferMutex_);
    readPos_ = 0;
    available_ = 0;
    endOfTrack_ = !decoder_->rewind();
    framesSinceRewind_ = 0;
    bufferSpace_.notify_all();
}

bool TNSoundFilePlayer::isPlaying() const
{
    return playing_ && !paused_ && !trackFinished();
}

bool TNSoundFilePlayer::trackFinished() const
{
    std::lock_guard<std::mutex> lock(bufferMutex_);
    return endOfTrack_ && available_ == 0;
}

void TNSoundFilePlayer::startWorker()
{
    worker_ = std::thread(&TNSoundFilePlayer::workerLoop, this);
}

void TNSoundFilePlayer::stopWorker()
{
    {
        std::lock_guard<std::mutex> lock(bufferMutex_);
        quit_ = true;
    }
    bufferSpace_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

// Keeps the buffer full; in silent mode also plays it out in real time.
void TNSoundFilePlayer::workerLoop()
{
    auto lastDrain = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(bufferMutex_);
    while (!quit_) {
        if (hasRoomToDecode()) {
            lock.unlock();
            decodeAhead();
            lock.lock();
            continue;
        }
        if (silent_) {
            bufferSpace_.wait_for(lock, std::chrono::milliseconds(10));
            lock.unlock();
            drainSilently(lastDrain);
            lock.lock();
        } else {
            bufferSpace_.wait(lock, [this] { return quit_ || hasRoomToDecode(); });
        }
    }
}

// Called with bufferMutex_ held.
bool TNSoundFilePlayer::hasRoomToDecode() const
{
    return !endOfTrack_ && available_ + static_cast<size_t>(kDecodeFrames * outputChannels_) <= buffer_.size();
}

// Decodes one step into the buffer; at the end of the file a looping track
// starts over, any other ends.
void TNSoundFilePlayer::decodeAhead()
{
    std::lock_guard<std::mutex> decoderLock(decoderMutex_);
    scratch_.resize(static_cast<size_t>(kDecodeFrames) * outputChannels_);
    const int frames = decoder_->read(scratch_.data(), kDecodeFrames);
    if (frames == 0) {
        // A file with no frames at all must not loop forever.
        const bool again = looping_ && framesSinceRewind_ > 0 && decoder_->rewind();
        framesSinceRewind_ = 0;
        std::lock_guard<std::mutex> bufferLock(bufferMutex_);
        endOfTrack_ = !again;
        return;
    }
    framesSinceRewind_ += frames;
    std::lock_guard<std::mutex> bufferLock(bufferMutex_);
    const size_t samples = static_cast<size_t>(frames) * outputChannels_;
    size_t writePos = (readPos_ + available_) % buffer_.size();
    for (size_t i = 0; i < samples; ++i) {
        buffer_[writePos] = scratch_[i];
        writePos = writePos + 1 == buffer_.size() ? 0 : writePos + 1;
    }
    available_ += samples;
}

// Without a device, consumes the buffer at the pace a device would.
void TNSoundFilePlayer::drainSilently(std::chrono::steady_clock::time_point& last)
{
    const auto now = std::chrono::steady_clock::now();
    if (!playing_ || paused_) {
        last = now;
        return;
    }
    const std::chrono::duration<double> elapsed = now - last;
    const size_t frames = static_cast<size_t>(elapsed.count() * outputRate_);
    if (frames == 0)
        return;
    last += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(static_cast<double>(frames) / outputRate_));
    std::vector<uint8_t> discarded(std::min(frames * outputChannels_, buffer_.size()) * sizeof(int16_t));
    fill(discarded.data(), static_cast<int>(discarded.size()));
}

// Hands out buffered samples scaled by the volume; silence where there are none.
void TNSoundFilePlayer::fill(uint8_t* stream, int length)
{
    auto* out = reinterpret_cast<int16_t*>(stream);
    const size_t wanted = static_cast<size_t>(length) / sizeof(int16_t);
    size_t given = 0;
    {
        std::lock_guard<std::mutex> lock(bufferMutex_);
        if (playing_ && !paused_) {
            const float volume = volume_;
            given = std::min(wanted, available_);
            for (size_t i = 0; i < given; ++i) {
                out[i] = static_cast<int16_t>(std::lrint(buffer_[readPos_] * volume));
                readPos_ = readPos_ + 1 == buffer_.size() ? 0 : readPos_ + 1;
            }
            available_ -= given;
        }
    }
    std::fill(out + given, out + wanted, int16_t(0));
    if (given > 0)
        bufferSpace_.notify_all();
}

void TNSoundFilePlayer::audioCallback(void* userdata, uint8_t* stream, int length)
{
    static_cast<TNSoundFilePlayer*>(userdata)->fill(stream, length);
}
