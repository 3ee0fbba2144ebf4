#include "audio/TNFFmpegAudioDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

namespace {

std::string describe(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

TNFFmpegAudioDecoder::~TNFFmpegAudioDecoder()
{
    close();
}

void TNFFmpegAudioDecoder::close()
{
    swr_free(&resampler_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
    stream_ = -1;
}

bool TNFFmpegAudioDecoder::open(const char* path)
{
    close();
    int status = avformat_open_input(&format_, path, nullptr, nullptr);
    if (status < 0) {
        error_ = describe(status);
        return false;
    }
    status = avformat_find_stream_info(format_, nullptr);
    if (status < 0) {
        error_ = describe(status);
        return false;
    }
    const AVCodec* decoder = nullptr;
    stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_ < 0 || !decoder) {
        error_ = "no audio stream";
        return false;
    }
    codec_ = avcodec_alloc_context3(decoder);
    if (!codec_ || avcodec_parameters_to_context(codec_, format_->streams[stream_]->codecpar) < 0) {
        error_ = "cannot set up the audio decoder";
        return false;
    }
    status = avcodec_open2(codec_, decoder, nullptr);
    if (status < 0) {
        error_ = describe(status);
        return false;
    }
    channels_ = codec_->ch_layout.nb_channels;
    sampleRate_ = codec_->sample_rate;
    if (channels_ <= 0 || sampleRate_ <= 0) {
        error_ = "the audio stream has no channel count or sample rate";
        return false;
    }
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

bool TNFFmpegAudioDecoder::receiveFrames(std::vector<int16_t>& samples)
{
    AVFrame* frame = av_frame_alloc();
    bool ok = frame != nullptr;
    while (ok && avcodec_receive_frame(codec_, frame) == 0) {
        ok = convertFrame(frame, samples);
        av_frame_unref(frame);
    }
    av_frame_free(&frame);
    return ok;
}

bool TNFFmpegAudioDecoder::readInterleaved16(std::vector<int16_t>& samples, int64_t maxFrames)
{
    if (!codec_)
        return false;
    const size_t limit = static_cast<size_t>(maxFrames) * channels_;
    const size_t start = samples.size();
    AVPacket* packet = av_packet_alloc();
    bool ok = packet != nullptr;
    while (ok && samples.size() - start <= limit && av_read_frame(format_, packet) >= 0) {
        // A damaged packet is skipped; the decoder carries on with the next one.
        if (packet->stream_index == stream_ && avcodec_send_packet(codec_, packet) >= 0)
            ok = receiveFrames(samples);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    if (ok && avcodec_send_packet(codec_, nullptr) >= 0)
        ok = receiveFrames(samples);
    if (ok && samples.size() == start)
        error_ = "no audio could be decoded";
    return ok && samples.size() > start;
}
