#include "media/TNMediaInput.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include "files/TNPathResolver.h"
#include "files/TNRegularFile.h"

namespace {

std::string describe(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return text;
}

// The largest block FFmpeg may allocate at once for the player: a plane of an
// 8K frame fits with room to spare. Some damaged files make a demuxer ask for
// far more before it notices the file is short (a WAV of a few hundred bytes
// asked for 1.6 GB, zeroed); over this the allocation fails and so does the
// open, with its usual line.
const size_t kLargestAllocation = 128u * 1024 * 1024;

void limitAllocations()
{
    static const bool limited = (av_max_alloc(kLargestAllocation), true);
    (void)limited;
}

}  // namespace

TNMediaInput::~TNMediaInput()
{
    close();
}

void TNMediaInput::close()
{
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&decoder_);
    avformat_close_input(&format_);
    streamIndex_ = -1;
    inputEnded_ = false;
    needsPacket_ = false;
}

bool TNMediaInput::fail(const std::string& reason)
{
    error_ = reason;
    close();
    return false;
}

bool TNMediaInput::open(const std::string& gamePath, Kind kind)
{
    close();
    limitAllocations();
    const std::string path = TNPathResolver::shared().resolve(gamePath);
    std::string reason;
    if (!TNIsRegularFile(path.c_str(), reason))
        return fail(reason);
    int status = avformat_open_input(&format_, path.c_str(), nullptr, nullptr);
    if (status < 0)
        return fail(describe(status));
    status = avformat_find_stream_info(format_, nullptr);
    if (status < 0)
        return fail(describe(status));
    return openDecoder(kind);
}

bool TNMediaInput::openDecoder(Kind kind)
{
    const AVMediaType type = kind == Kind::audio ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO;
    const AVCodec* codec = nullptr;
    streamIndex_ = av_find_best_stream(format_, type, -1, -1, &codec, 0);
    if (streamIndex_ < 0 || !codec)
        return fail(kind == Kind::audio ? "no audio stream" : "no video stream");
    decoder_ = avcodec_alloc_context3(codec);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!decoder_ || !packet_ || !frame_)
        return fail("out of memory");
    int status = avcodec_parameters_to_context(decoder_, stream()->codecpar);
    if (status >= 0)
        status = avcodec_open2(decoder_, codec, nullptr);
    if (status < 0)
        return fail(describe(status));
    if (kind == Kind::audio && (decoder_->sample_rate <= 0 || decoder_->ch_layout.nb_channels <= 0))
        return fail("the audio stream has no sample rate or channels");
    return true;
}

AVStream* TNMediaInput::stream() const
{
    return format_ && streamIndex_ >= 0 ? format_->streams[streamIndex_] : nullptr;
}

TNMediaInput::Result TNMediaInput::nextFrame()
{
    if (!decoder_)
        return Result::end;
    for (;;) {
        if (!needsPacket_) {
            const int received = avcodec_receive_frame(decoder_, frame_);
            if (received == 0)
                return Result::frame;
            if (inputEnded_)
                return Result::end;
            if (received != AVERROR(EAGAIN)) {
                needsPacket_ = true;
                return Result::decodingError;
            }
        }
        needsPacket_ = false;
        if (!sendNextPacket())
            return Result::refusedPacket;
    }
}

// Gives the decoder the next packet of the stream, or at the end of the
// file the signal to drain. False when the decoder refused the packet.
bool TNMediaInput::sendNextPacket()
{
    if (av_read_frame(format_, packet_) < 0) {
        inputEnded_ = true;
        avcodec_send_packet(decoder_, nullptr);
        return true;
    }
    const bool refused = packet_->stream_index == streamIndex_ && avcodec_send_packet(decoder_, packet_) < 0;
    av_packet_unref(packet_);
    return !refused;
}

bool TNMediaInput::rewind()
{
    if (!decoder_)
        return false;
    if (avformat_seek_file(format_, -1, INT64_MIN, 0, INT64_MAX, 0) < 0 &&
        av_seek_frame(format_, streamIndex_, 0, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(decoder_);
    inputEnded_ = false;
    needsPacket_ = false;
    return true;
}
