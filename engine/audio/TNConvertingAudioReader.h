// Reads a whole sound file of any encoding as signed 16-bit mono at the
// file's own sample rate: libsndfile for what it can read (WAV, AIFF, FLAC,
// Ogg, PCM and ALAC CAF...), FFmpeg for the rest (IMA4 CAF, AAC...).
#ifndef TN_CONVERTING_AUDIO_READER_H
#define TN_CONVERTING_AUDIO_READER_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sf_private_tag;
class TNFFmpegAudioDecoder;

class TNConvertingAudioReader {
public:
    enum class Status { ok, tooLong, failed };

    TNConvertingAudioReader();
    ~TNConvertingAudioReader();
    TNConvertingAudioReader(const TNConvertingAudioReader&) = delete;
    TNConvertingAudioReader& operator=(const TNConvertingAudioReader&) = delete;

    // False (see error()) when neither libsndfile nor FFmpeg can read the file.
    bool open(const char* path);

    int channels() const { return channels_; }
    double sampleRate() const { return sampleRate_; }

    // Reads every frame, mixing the channels down to one by their average.
    // tooLong when the file holds more than maxFrames frames.
    Status readMono16(std::vector<int16_t>& samples, int64_t maxFrames);

    const std::string& error() const { return error_; }

private:
    Status readInterleavedWithSndfile(std::vector<int16_t>& interleaved, int64_t maxFrames);
    Status readInterleavedWithFFmpeg(std::vector<int16_t>& interleaved, int64_t maxFrames);
    void close();

    sf_private_tag* sndfile_ = nullptr;
    std::unique_ptr<TNFFmpegAudioDecoder> ffmpeg_;
    int channels_ = 0;
    double sampleRate_ = 0;
    std::string error_;
};

#endif
