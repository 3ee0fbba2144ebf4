#include "intro/TNMovieDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

std::unique_ptr<TNMovieDecoder> TNMovieDecoder::open(const std::string& path, std::string& error)
{
    std::unique_ptr<TNMovieDecoder> decoder(new TNMovieDecoder());
    if (!decoder->openStream(path, error))
        return nullptr;
    return decoder;
}

TNMovieDecoder::~TNMovieDecoder()
{
    sws_freeContext(scaler_);
}

bool TNMovieDecoder::openStream(const std::string& path, std::string& error)
{
    if (!input_.open(path, TNMediaInput::Kind::video)) {
        error = "cannot play the movie " + path + ": " + input_.error();
        return false;
    }
    width_ = input_.decoder()->width;
    height_ = input_.decoder()->height;
    if (width_ <= 0 || height_ <= 0 || width_ > 8192 || height_ > 8192) {
        error = "the movie " + path + " has an unusable frame size";
        return false;
    }
    AVStream* stream = input_.stream();
    timeBase_ = av_q2d(stream->time_base);
    AVRational rate = av_guess_frame_rate(input_.format(), stream, nullptr);
    if (rate.num > 0 && rate.den > 0)
        frameDuration_ = av_q2d(av_inv_q(rate));
    rgba_.assign(static_cast<size_t>(width_) * height_ * 4, 0);
    return true;
}

bool TNMovieDecoder::decodeNextFrame()
{
    for (;;) {
        switch (input_.nextFrame()) {
        case TNMediaInput::Result::frame:
            takeFrame(input_.frame());
            return true;
        case TNMediaInput::Result::decodingError:
            continue;  // a frame that failed is passed over
        case TNMediaInput::Result::refusedPacket:
        case TNMediaInput::Result::end:
            return false;
        }
    }
}

// Notes the frame's presentation time and converts it into rgba_.
void TNMovieDecoder::takeFrame(const AVFrame* frame)
{
    const int64_t pts = frame->best_effort_timestamp;
    frameTime_ = pts == AV_NOPTS_VALUE ? frameTime_ + frameDuration_ : pts * timeBase_;
    scaler_ = sws_getCachedContext(scaler_, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                   width_, height_, AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler_)
        return;
    uint8_t* planes[4] = {rgba_.data(), nullptr, nullptr, nullptr};
    int strides[4] = {width_ * 4, 0, 0, 0};
    sws_scale(scaler_, frame->data, frame->linesize, 0, frame->height, planes, strides);
}
