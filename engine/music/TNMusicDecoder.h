// Decodes the first audio stream of a music file (AAC in .m4a, MP3, Ogg,
// WAV, CAF and whatever else FFmpeg reads) into interleaved signed 16-bit
// samples at a chosen rate and channel count. Not thread-safe: one user at a
// time.
#ifndef TN_MUSIC_DECODER_H
#define TN_MUSIC_DECODER_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/TNMediaInput.h"

struct AVFrame;
struct SwrContext;

class TNMusicDecoder {
public:
    // Opens the file and its first audio stream. Returns null and sets
    // error when the file cannot be read or holds no decodable audio.
    static std::unique_ptr<TNMusicDecoder> open(const std::string& path, std::string& error);
    ~TNMusicDecoder();
    TNMusicDecoder(const TNMusicDecoder&) = delete;
    TNMusicDecoder& operator=(const TNMusicDecoder&) = delete;

    // Sets the output format; false when the conversion cannot be made.
    bool setOutputFormat(int sampleRate, int channels);
    // Decodes up to maxFrames frames into out (channels samples each).
    // Returns the frames written; 0 means the end of the stream.
    int read(int16_t* out, int maxFrames);
    // Goes back to the beginning of the stream; false when it cannot.
    bool rewind();

private:
    TNMusicDecoder() = default;
    bool decodeNextFrame();
    void convert(const AVFrame* frame);
    void flushConverter();

    TNMediaInput input_;
    SwrContext* converter_ = nullptr;
    int outputChannels_ = 0;
    bool streamEnded_ = false;
    std::vector<int16_t> pending_;  // converted samples not yet handed out
    size_t pendingOffset_ = 0;
};

#endif
