#include "music/TNMusicDecoder.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

std::unique_ptr<TNMusicDecoder> TNMusicDecoder::open(const std::string& path, std::string& error)
{
    std::unique_ptr<TNMusicDecoder> decoder(new TNMusicDecoder());
    if (!decoder->input_.open(path, TNMediaInput::Kind::audio)) {
        error = decoder->input_.error();
        return nullptr;
    }
    return decoder;
}

TNMusicDecoder::~TNMusicDecoder()
{
    swr_free(&converter_);
}

bool TNMusicDecoder::setOutputFormat(int sampleRate, int channels)
{
    swr_free(&converter_);
    AVChannelLayout outputLayout{};
    av_channel_layout_default(&outputLayout, channels);
    AVChannelLayout inputLayout{};  // the copy frees what the destination held
    const AVCodecContext* codec = input_.decoder();
    if (codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&inputLayout, codec->ch_layout.nb_channels);
    else
        av_channel_layout_copy(&inputLayout, &codec->ch_layout);
    const int status = swr_alloc_set_opts2(&converter_, &outputLayout, AV_SAMPLE_FMT_S16, sampleRate,
                                           &inputLayout, codec->sample_fmt, codec->sample_rate, 0, nullptr);
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
// stream ends where decoding stops working; a damaged packet is skipped).
bool TNMusicDecoder::decodeNextFrame()
{
    while (!streamEnded_) {
        const TNMediaInput::Result result = input_.nextFrame();
        if (result == TNMediaInput::Result::frame) {
            convert(input_.frame());
            if (!pending_.empty())
                return true;
        } else if (result != TNMediaInput::Result::refusedPacket) {
            streamEnded_ = true;
            flushConverter();
            return !pending_.empty();
        }
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
    if (!input_.rewind())
        return false;
    pending_.clear();
    pendingOffset_ = 0;
    streamEnded_ = false;
    if (converter_) {
        swr_close(converter_);
        if (swr_init(converter_) < 0)
            swr_free(&converter_);
    }
    return converter_ != nullptr;
}
