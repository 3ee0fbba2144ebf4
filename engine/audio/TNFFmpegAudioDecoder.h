// Decodes the first audio stream of any file FFmpeg can read (AAC, IMA4
// ADPCM in CAF, ...) to interleaved signed 16-bit samples at the stream's
// own rate and channel count.
#ifndef TN_FFMPEG_AUDIO_DECODER_H
#define TN_FFMPEG_AUDIO_DECODER_H

#include <cstdint>
#include <string>
#include <vector>

#include "media/TNMediaInput.h"

struct AVFrame;
struct SwrContext;

class TNFFmpegAudioDecoder {
public:
    TNFFmpegAudioDecoder() = default;
    ~TNFFmpegAudioDecoder();
    TNFFmpegAudioDecoder(const TNFFmpegAudioDecoder&) = delete;
    TNFFmpegAudioDecoder& operator=(const TNFFmpegAudioDecoder&) = delete;

    // Opens the file and the decoder of its best audio stream; false (see
    // error()) when the file cannot be read or has no audio.
    bool open(const char* path);

    int channels() const { return channels_; }
    int sampleRate() const { return sampleRate_; }

    // Decodes the whole stream, appending interleaved samples. Decoding stops
    // once more than maxFrames frames were produced, so a result longer than
    // maxFrames means the stream is longer. False when nothing could be decoded.
    bool readInterleaved16(std::vector<int16_t>& samples, int64_t maxFrames);

    const std::string& error() const { return error_; }

private:
    bool convertFrame(AVFrame* frame, std::vector<int16_t>& samples);

    TNMediaInput input_;
    SwrContext* resampler_ = nullptr;
    int channels_ = 0;
    int sampleRate_ = 0;
    std::string error_;
};

#endif
