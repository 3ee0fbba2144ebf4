#include "music/TNMusicDecoder.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace {

std::string describe(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof(text));
    return text;
}

}  // namespace

std::unique_ptr<TNMusicDecoder> TNMusicDecoder::open(const std::string& path, std::string& error)
{
    std::unique_ptr<TNMusicDecoder> decoder(new TNMusicDecoder());
    if (!decoder->openStream(path, error))
        return nullptr;
    return decoder;
}

bool TNMusicDecoder::openStream(const std::string& path, std::string& error)
{
    int status = avformat_open_input(&format_, path.c_str(), nullptr, nullptr);
    if (status < 0) {
        error = describe(status);
        return false;
    }
    status = avformat_find_stream_info(format_, nullptr);
    if (status < 0) {
        error = describe(status);
        return false;
    }
    const AVCodec* codec = nullptr;
    streamIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (streamIndex_ < 0 || !codec) {
        error = "no audio stream";
        return false;
    }
    codec_ = avcodec_alloc_context3(codec);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!codec_ || !packet_ || !frame_) {
        error = "out of memory";
        return false;
    }
    status = avcodec_parameters_to_context(codec_, format_->streams[streamIndex_]->codecpar);
    if (status >= 0)
        status = avcodec_open2(codec_, codec, nullptr);
    if (status < 0) {
        error = describe(status);
        return false;
    }
    if (codec_->sample_rate <= 0 || codec_->ch_layout.nb_channels <= 0) {
        error = "no sample rate or channels";
        return false;
    }
    return true;
}

TNMusicDecoder::~TNMusicDecoder()
{
    swr_free(&converter_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
}

bool TNMusicDecoder::setOutputFormat(int sampleRate, int channels)
{
    swr_free(&converter_);
    AVChannelLayout outputLayout{};
    av_channel_layout_default(&outputLayout, channels);
    AVChannelLayout inputLayout{};  // the copy frees what the destination held
    if (codec_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&inputLayout, codec_->ch_layout.nb_channels);
    else
        av_channel_layout_copy(&inputLayout, &codec_->ch_layout);
    const int status = swr_alloc_set_opts2(&converter_, &outputLayout, AV_SAMPLE_FMT_S16, sampleRate,
                                           &inputLayout, codec_->sample_fmt, codec_->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inputLayout);
    av_channel_layout_uninit(&outputLayout);
    if (status < 0 || swr_init(converter_) < 0) {
        swr_free(&converter_);
        return false;
    }
    outputChannels_ = channels;
    pending_.clear();
    pendingOffset_ = 0;
    return true;
}

int TNMusicDecoder::read(int16_t* out, int maxFrames)
{
    if (!converter_)
        return 0;
    int written = 0;
    while (written < maxFrames) {
        if (pendingOffset_ == pending_.size()) {
            pending_.clear();
            pendingOffset_ = 0;
            if (!decodeNextFrame())
                break;
            continue;
        }
        const size_t available = (pending_.size() - pendingOffset_) / outputChannels_;
        const size_t frames = std::min<size_t>(available, maxFrames - written);
        const size_t samples = frames * outputChannels_;
        std::memcpy(out + written * outputChannels_, pending_.data() + pendingOffset_, samples * sizeof(int16_t));
        pendingOffset_ += samples;
        written += static_cast<int>(frames);
    }
    return written;
}

// Decodes one frame into pending_. False at the end of the stream (a broken
// stream ends where decoding stops working).
bool TNMusicDecoder::decodeNextFrame()
{
    while (!streamEnded_) {
        const int received = avcodec_receive_frame(codec_, frame_);
        if (received == 0) {
            convert(frame_);
            av_frame_unref(frame_);
            if (!pending_.empty())
                return true;
            continue;
        }
        if (received != AVERROR(EAGAIN) || inputEnded_) {
            streamEnded_ = true;
            flushConverter();
            return !pending_.empty();
        }
        if (av_read_frame(format_, packet_) < 0) {
            avcodec_send_packet(codec_, nullptr);  // drain the decoder
            inputEnded_ = true;
            continue;
        }
        // A damaged packet is skipped; the decoder carries on with the next.
        if (packet_->stream_index == streamIndex_)
            avcodec_send_packet(codec_, packet_);
        av_packet_unref(packet_);
    }
    return false;
}

void TNMusicDecoder::convert(const AVFrame* frame)
{
    const int capacity = swr_get_out_samples(converter_, frame->nb_samples);
    if (capacity <= 0)
        return;
    pending_.resize(static_cast<size_t>(capacity) * outputChannels_);
    uint8_t* output = reinterpret_cast<uint8_t*>(pending_.data());
    const int frames = swr_convert(converter_, &output, capacity,
                                   const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    pending_.resize(static_cast<size_t>(std::max(frames, 0)) * outputChannels_);
}

// Takes the samples the resampler still holds at the end of the stream.
void TNMusicDecoder::flushConverter()
{
    const int capacity = swr_get_out_samples(converter_, 0);
    if (capacity <= 0)
        return;
    pending_.resize(static_cast<size_t>(capacity) * outputChannels_);
    uint8_t* output = reinterpret_cast<uint8_t*>(pending_.data());
    const int frames = swr_convert(converter_, &output, capacity, nullptr, 0);
    pending_.resize(static_cast<size_t>(std::max(frames, 0)) * outputChannels_);
}

bool TNMusicDecoder::rewind()
{
    if (avformat_seek_file(format_, -1, INT64_MIN, 0, INT64_MAX, 0) < 0 &&
        av_seek_frame(format_, streamIndex_, 0, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(codec_);
    pending_.clear();
    pendingOffset_ = 0;
    inputEnded_ = false;
    streamEnded_ = false;
    if (converter_) {
        swr_close(converter_);
        if (swr_init(converter_) < 0)
            swr_free(&converter_);
    }
    return converter_ != nullptr;
}
