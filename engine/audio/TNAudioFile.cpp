#include "audio/TNAudioFile.h"

#include <sndfile.h>

#include "files/TNPathResolver.h"
#include "files/TNRegularFile.h"

namespace {

// Bits per sample of the linear PCM encodings; 0 for every codec.
int pcmBits(int subtype)
{
    switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return 8;
    case SF_FORMAT_PCM_16:
        return 16;
    case SF_FORMAT_PCM_24:
        return 24;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        return 32;
    case SF_FORMAT_DOUBLE:
        return 64;
    default:
        return 0;
    }
}

}  // namespace

TNAudioFile::~TNAudioFile()
{
    close();
}

bool TNAudioFile::open(const char* gamePath)
{
    close();
    const std::string path = TNPathResolver::shared().resolve(gamePath);
    if (!TNIsRegularFile(path.c_str(), error_))
        return false;
    SF_INFO info{};
    file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (!file_) {
        error_ = sf_strerror(nullptr);
        return false;
    }
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    format_ = TNAudioDataFormat();
    format_.sampleRate = info.samplerate;
    format_.channels = info.channels;
    format_.bitsPerChannel = pcmBits(subtype);
    format_.linearPCM = format_.bitsPerChannel > 0;
    format_.floatSamples = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
    format_.signedSamples = format_.linearPCM && !format_.floatSamples && subtype != SF_FORMAT_PCM_U8;
    format_.hostByteOrder = sf_command(file_, SFC_RAW_DATA_NEEDS_ENDSWAP, nullptr, 0) == SF_FALSE;
    frames_ = info.frames;
    return true;
}

void TNAudioFile::close()
{
    if (file_)
        sf_close(file_);
    file_ = nullptr;
}

uint64_t TNAudioFile::byteCount() const
{
    if (frames_ <= 0)
        return 0;
    return static_cast<uint64_t>(frames_) * format_.channels * (format_.bitsPerChannel / 8);
}

bool TNAudioFile::readAllBytes(std::vector<uint8_t>& bytes)
{
    bytes.assign(byteCount(), 0);
    if (!file_ || sf_seek(file_, 0, SEEK_SET) < 0) {
        error_ = "cannot seek to the start of the audio data";
        return false;
    }
    const sf_count_t read = sf_read_raw(file_, bytes.data(), static_cast<sf_count_t>(bytes.size()));
    if (read != static_cast<sf_count_t>(bytes.size())) {
        error_ = sf_strerror(file_);
        return false;
    }
    return true;
}
