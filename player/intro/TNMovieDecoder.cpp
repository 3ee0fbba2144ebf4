#include "intro/TNMovieDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
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
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
}

bool TNMovieDecoder::openStream(const std::string& path, std::string& error)
{
    if (avformat_open_input(&format_, path.c_str(), nullptr, nullptr) < 0) {
        error = "cannot open the movie " + path;
        return false;
    }
    if (avformat_find_stream_info(format_, nullptr) < 0) {
        error = "cannot read the streams of the movie " + path;
        return false;
    }
    const AVCodec* codec = nullptr;
    streamIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (streamIndex_ < 0 || !codec) {
        error = "the movie " + path + " has no video FFmpeg can decode";
        return false;
    }
    AVStream* stream = format_->streams[streamIndex_];
    codec_ = avcodec_alloc_context3(codec);
    if (!codec_ || avcodec_parameters_to_context(codec_, stream->codecpar) < 0
        || avcodec_open2(codec_, codec, nullptr) < 0) {
        error = "cannot open the video decoder for the movie " + path;
        return false;
    }
    width_ = codec_->width;
    height_ = codec_->height;
    if (width_ <= 0 || height_ <= 0 || width_ > 8192 || height_ > 8192) {
        error = "the movie " + path + " has an unusable frame size";
        return false;
    }
    timeBase_ = av_q2d(stream->time_base);
    AVRational rate = av_guess_frame_rate(format_, stream, nullptr);
    if (rate.num > 0 && rate.den > 0)
        frameDuration_ = av_q2d(av_inv_q(rate));
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    rgba_.assign(static_cast<size_t>(width_) * height_ * 4, 0);
    if (!packet_ || !frame_) {
        error = "out of memory opening the movie " + path;
        return false;
    }
    return true;
}

bool TNMovieDecoder::receiveFrame()
{
    if (avcodec_receive_frame(codec_, frame_) != 0)
        return false;
    int64_t pts = frame_->best_effort_timestamp;
    frameTime_ = pts == AV_NOPTS_VALUE ? frameTime_ + frameDuration_ : pts * timeBase_;
    convertFrame();
    av_frame_unref(frame_);
    return true;
}

bool TNMovieDecoder::decodeNextFrame()
{
    for (;;) {
        if (receiveFrame())
            return true;
        if (inputEnded_)
            return false;
        int status = av_read_frame(format_, packet_);
        if (status < 0) {
            inputEnded_ = true;
            avcodec_send_packet(codec_, nullptr);  // drain the decoder
            continue;
        }
        if (packet_->stream_index == streamIndex_ && avcodec_send_packet(codec_, packet_) < 0) {
            av_packet_unref(packet_);
            return false;
        }
        av_packet_unref(packet_);
    }
}

void TNMovieDecoder::convertFrame()
{
    scaler_ = sws_getCachedContext(scaler_, frame_->width, frame_->height, static_cast<AVPixelFormat>(frame_->format),
                                   width_, height_, AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler_)
        return;
    uint8_t* planes[4] = {rgba_.data(), nullptr, nullptr, nullptr};
    int strides[4] = {width_ * 4, 0, 0, 0};
    sws_scale(scaler_, frame_->data, frame_->linesize, 0, frame_->height, planes, strides);
}
