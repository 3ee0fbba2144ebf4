// One stream of a media file decoded with FFmpeg: opens the file, finds its
// best audio or video stream and opens that stream's decoder, then hands
// out decoded frames one at a time, reading packets as the decoder asks for
// them and draining the decoder at the end of the file. What a frame
// becomes (samples, pixels) is the caller's business.
#ifndef TN_MEDIA_INPUT_H
#define TN_MEDIA_INPUT_H

#include <string>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

class TNMediaInput {
public:
    enum class Kind { audio, video };

    // What nextFrame() found.
    enum class Result {
        frame,          // frame() holds the next decoded frame
        refusedPacket,  // the decoder refused a packet (damaged data); the next call goes on after it
        decodingError,  // the decoder failed to make a frame; the next call goes on with the next packet
        end,            // the stream has no more frames
    };

    TNMediaInput() = default;
    ~TNMediaInput();
    TNMediaInput(const TNMediaInput&) = delete;
    TNMediaInput& operator=(const TNMediaInput&) = delete;

    // Opens the file and the decoder of its best stream of kind (an audio
    // stream must have a sample rate and channels). False, with the reason
    // in error(), when the file cannot be read or has no such stream.
    bool open(const std::string& path, Kind kind);
    bool isOpen() const { return decoder_ != nullptr; }
    const std::string& error() const { return error_; }

    AVFormatContext* format() const { return format_; }
    AVStream* stream() const;
    AVCodecContext* decoder() const { return decoder_; }

    // Decodes the next frame of the stream into frame().
    Result nextFrame();
    // The frame the last nextFrame() decoded; valid until the next call.
    AVFrame* frame() const { return frame_; }

    // Goes back to the start of the file and empties the decoder; false
    // when the file cannot seek.
    bool rewind();

private:
    bool fail(const std::string& reason);
    bool openDecoder(Kind kind);
    bool sendNextPacket();
    void close();

    AVFormatContext* format_ = nullptr;
    AVCodecContext* decoder_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int streamIndex_ = -1;
    bool inputEnded_ = false;   // the file is read to its end and the decoder told to drain
    bool needsPacket_ = false;  // after a decoding error, read on before asking for a frame again
    std::string error_;
};

#endif
