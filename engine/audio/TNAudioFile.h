// A sound file opened for reading its stored sample bytes as they are, the
// way linear PCM is handed to OpenAL without conversion (libsndfile).
#ifndef TN_AUDIO_FILE_H
#define TN_AUDIO_FILE_H

#include <cstdint>
#include <string>
#include <vector>

struct sf_private_tag;

struct TNAudioDataFormat {
    double sampleRate = 0;
    bool linearPCM = false;      // integer or float PCM, as opposed to a codec
    bool signedSamples = false;  // integer samples are signed
    bool floatSamples = false;
    bool hostByteOrder = true;   // the stored bytes are in this machine's order
    int channels = 0;
    int bitsPerChannel = 0;      // 0 when not linear PCM
};

class TNAudioFile {
public:
    TNAudioFile() = default;
    ~TNAudioFile();
    TNAudioFile(const TNAudioFile&) = delete;
    TNAudioFile& operator=(const TNAudioFile&) = delete;

    // Opens path and reads its data format; false (see error()) on failure.
    bool open(const char* path);
    void close();

    const TNAudioDataFormat& format() const { return format_; }
    int64_t frameCount() const { return frames_; }
    // Bytes of audio data: frames x channels x bytes per sample.
    uint64_t byteCount() const;
    // Reads all audio bytes from the start; false on a short or failed read.
    bool readAllBytes(std::vector<uint8_t>& bytes);

    const std::string& error() const { return error_; }

private:
    sf_private_tag* file_ = nullptr;
    TNAudioDataFormat format_;
    int64_t frames_ = 0;
    std::string error_;
};

#endif
