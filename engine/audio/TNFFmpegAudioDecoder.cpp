#include "audio/TNFFmpegAudioDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswresample/swresample.h>
}

TNFFmpegAudioDecoder::~TNFFmpegAudioDecoder()
{
    swr_free(&resampler_);
}

bool TNFFmpegAudioDecoder::open(const char* path)
{
    swr_free(&resampler_);
    if (!input_.open(path, TNMediaInput::Kind::audio)) {
        error_ = input_.error();
        return false;
    }
    channels_ = input_.decoder()->ch_layout.nb_channels;
    sampleRate_ = input_.decoder()->sample_rate;
    return true;
}

bool TNFFmpegAudioDecoder::convertFrame(AVFrame* frame, std::vector<int16_t>& samples)
{
    if (frame->ch_layout.nb_channels != channels_)
        return true;  // a stream that changes its layout keeps its first one
    if (!resampler_) {
        const int status = swr_alloc_set_opts2(&resampler_, &frame->ch_layout, AV_SAMPLE_FMT_S16, frame->sample_rate,
            &frame->ch_layout, static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
        if (status < 0 || swr_init(resampler_) < 0) {
            error_ = "cannot convert the samples to 16-bit";
            return false;
        }
    }
    const int capacity = swr_get_out_samples(resampler_, frame->nb_samples);
    if (capacity <= 0)
        return true;
    const size_t start = samples.size();
    samples.resize(start + static_cast<size_t>(capacity) * channels_);
    auto* out = reinterpret_cast<uint8_t*>(samples.data() + start);
    const int converted = swr_convert(resampler_, &out, capacity,
        const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    samples.resize(start + static_cast<size_t>(converted > 0 ? converted : 0) * channels_);
    return converted >= 0;
}

bool TNFFmpegAudioDecoder::readInterleaved16(std::vector<int16_t>& samples, int64_t maxFrames)
{
    if (!input_.isOpen())
        return false;
    const size_t limit = static_cast<size_t>(maxFrames) * channels_;
    const size_t start = samples.size();
    bool ok = true;
    while (ok && samples.size() - start <= limit) {
        const TNMediaInput::Result result = input_.nextFrame();
        if (result == TNMediaInput::Result::end)
            break;
        // A damaged packet or frame is passed over; decoding carries on after it.
        if (result == TNMediaInput::Result::frame)
            ok = convertFrame(input_.frame(), samples);
    }
    if (ok && samples.size() == start)
        error_ = "no audio could be decoded";
    return ok && samples.size() > start;
}
