#include "audio/TNConvertingAudioReader.h"

#include <sndfile.h>

#include "audio/TNFFmpegAudioDecoder.h"
#include "files/TNPathResolver.h"
#include "files/TNRegularFile.h"

namespace {

const sf_count_t kFramesPerRead = 4096;

// Averages each frame's channels into one sample.
std::vector<int16_t> mixDown(const std::vector<int16_t>& interleaved, int channels)
{
    if (channels == 1)
        return interleaved;
    std::vector<int16_t> mono(interleaved.size() / channels);
    for (size_t frame = 0; frame < mono.size(); ++frame) {
        int sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += interleaved[frame * channels + c];
        mono[frame] = static_cast<int16_t>(sum / channels);
    }
    return mono;
}

}  // namespace

TNConvertingAudioReader::TNConvertingAudioReader() = default;

TNConvertingAudioReader::~TNConvertingAudioReader()
{
    close();
}

void TNConvertingAudioReader::close()
{
    if (sndfile_)
        sf_close(sndfile_);
    sndfile_ = nullptr;
    ffmpeg_.reset();
}

bool TNConvertingAudioReader::open(const char* gamePath)
{
    close();
    const std::string path = TNPathResolver::shared().resolve(gamePath);
    if (!TNIsRegularFile(path.c_str(), error_))
        return false;
    SF_INFO info{};
    sndfile_ = sf_open(path.c_str(), SFM_READ, &info);
    if (sndfile_) {
        channels_ = info.channels;
        sampleRate_ = info.samplerate;
        return true;
    }
    const std::string sndfileError = sf_strerror(nullptr);
    ffmpeg_ = std::make_unique<TNFFmpegAudioDecoder>();
    if (ffmpeg_->open(path.c_str())) {
        channels_ = ffmpeg_->channels();
        sampleRate_ = ffmpeg_->sampleRate();
        return true;
    }
    error_ = sndfileError + "; " + ffmpeg_->error();
    ffmpeg_.reset();
    return false;
}

TNConvertingAudioReader::Status TNConvertingAudioReader::readInterleavedWithSndfile(
    std::vector<int16_t>& interleaved, int64_t maxFrames)
{
    std::vector<int16_t> block(static_cast<size_t>(kFramesPerRead) * channels_);
    int64_t frames = 0;
    for (;;) {
        const sf_count_t read = sf_readf_short(sndfile_, block.data(), kFramesPerRead);
        if (read <= 0)
            break;
        frames += read;
        if (frames > maxFrames)
            return Status::tooLong;
        interleaved.insert(interleaved.end(), block.begin(), block.begin() + read * channels_);
    }
    if (sf_error(sndfile_) != SF_ERR_NO_ERROR && frames == 0) {
        error_ = sf_strerror(sndfile_);
        return Status::failed;
    }
    return Status::ok;
}

TNConvertingAudioReader::Status TNConvertingAudioReader::readInterleavedWithFFmpeg(
    std::vector<int16_t>& interleaved, int64_t maxFrames)
{
    if (!ffmpeg_->readInterleaved16(interleaved, maxFrames)) {
        error_ = ffmpeg_->error();
        return Status::failed;
    }
    if (static_cast<int64_t>(interleaved.size() / channels_) > maxFrames)
        return Status::tooLong;
    return Status::ok;
}

TNConvertingAudioReader::Status TNConvertingAudioReader::readMono16(std::vector<int16_t>& samples, int64_t maxFrames)
{
    if (channels_ <= 0) {
        error_ = "the file has no channels";
        return Status::failed;
    }
    std::vector<int16_t> interleaved;
    Status status = Status::failed;
    if (sndfile_)
        status = readInterleavedWithSndfile(interleaved, maxFrames);
    else if (ffmpeg_)
        status = readInterleavedWithFFmpeg(interleaved, maxFrames);
    if (status == Status::ok)
        samples = mixDown(interleaved, channels_);
    return status;
}
