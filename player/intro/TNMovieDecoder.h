// Decodes the video stream of a movie file (any container and codec FFmpeg
// reads) into RGBA frames, one at a time, each with its presentation time.
#ifndef TN_MOVIE_DECODER_H
#define TN_MOVIE_DECODER_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/TNMediaInput.h"

struct AVFrame;
struct SwsContext;

class TNMovieDecoder {
public:
    // Null, with a one-line reason in error, when the file has no decodable
    // video.
    static std::unique_ptr<TNMovieDecoder> open(const std::string& path, std::string& error);
    ~TNMovieDecoder();
    TNMovieDecoder(const TNMovieDecoder&) = delete;
    TNMovieDecoder& operator=(const TNMovieDecoder&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    // Seconds one frame stays on screen (from the stream's frame rate).
    double frameDuration() const { return frameDuration_; }

    // Decodes the next frame into rgba() (width × height × 4 bytes, top row
    // first). False at the end of the stream or on a decoding error.
    bool decodeNextFrame();
    const std::vector<uint8_t>& rgba() const { return rgba_; }
    // Presentation time of the frame in rgba(), in seconds from the start.
    double frameTime() const { return frameTime_; }

private:
    TNMovieDecoder() = default;
    bool openStream(const std::string& path, std::string& error);
    void takeFrame(const AVFrame* frame);

    TNMediaInput input_;
    SwsContext* scaler_ = nullptr;
    double timeBase_ = 0.0;
    int width_ = 0;
    int height_ = 0;
    double frameDuration_ = 1.0 / 25.0;
    double frameTime_ = 0.0;
    std::vector<uint8_t> rgba_;
};

#endif
