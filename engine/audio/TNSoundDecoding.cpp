#include "audio/TNSoundDecoding.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <vorbis/vorbisfile.h>

#include "audio/TNOpenALCheck.h"
#include "audio/databuffer.h"
#include "audio/TNAudioFile.h"
#include "audio/TNConvertingAudioReader.h"
#include "files/TNRegularFile.h"
#include "log/TNLog.h"

namespace {

// Largest frame count a sound of this rate and frame size may have.
int64_t maxFramesFor(double sampleRate, int bytesPerFrame)
{
    const double bySeconds = TNMaxSoundSeconds * sampleRate;
    const double byBytes = static_cast<double>(TNMaxSoundBytes) / (bytesPerFrame > 0 ? bytesPerFrame : 1);
    return static_cast<int64_t>(bySeconds < byBytes ? bySeconds : byBytes);
}

// A file's sample rate is read from its header as the file says it; one
// outside what any sound uses (a CAF may claim 1e300, which the decoders
// clamp to the largest int) is refused rather than handed to OpenAL.
void checkSampleRate(const char* path, double sampleRate)
{
    if (!(sampleRate > 0 && sampleRate <= TNMaxSampleRate)) {
        TNLogStdout("Sound file %s has a sample rate of %g Hz; at most %g can be played", path, sampleRate,
            TNMaxSampleRate);
        throw 1;
    }
}

[[noreturn]] void refuseTooLong(const char* path)
{
    TNLogStdout("Sound file %s is longer than %g seconds or %llu MiB decoded; it is not loaded", path,
        TNMaxSoundSeconds, static_cast<unsigned long long>(TNMaxSoundBytes >> 20));
    throw 1;
}

// One new buffer filled with data; label names the call in error reports.
ALuint* makeOpenALBuffer(ALenum format, const void* data, size_t size, ALsizei rate, const char* label)
{
    auto* buffers = new ALuint[1]();
    alGenBuffers(1, buffers);
    alBufferData(buffers[0], format, data, static_cast<ALsizei>(size), rate);
    TNCheckALError(label);
    return buffers;
}

// --- Ogg Vorbis ---------------------------------------------------------

// One line for all read errors of a stream: "Ogg read had an error" once
// per error, then how many there were in which file.
void reportOggReadErrors(int errors, const char* path, bool gaveUp)
{
    std::string line;
    for (int i = 0; i < errors; ++i)
        line += "Ogg read had an error";
    TNLogStdout("%s (%d in %s%s)", line.c_str(), errors, path,
        gaveUp ? "; gave up and kept the sound decoded so far" : "");
}

}  // namespace

TNOggChain TNReadOggChain(OggVorbis_File* vf, const char* path, size_t maxBytes)
{
    TNOggChain chain;
    chain.first = databuffer_new();
    databuffer* current = chain.first;
    size_t total = 0;
    int errorsInARow = 0;
    int errors = 0;
    int bitstream = 0;
    for (;;) {
        const long read = ov_read(vf, current->data + current->size,
            static_cast<int>(databuffer::kCapacity - current->size), 0, 2, 1, &bitstream);
        if (read > 0) {
            errorsInARow = 0;
            current->size += static_cast<uint32_t>(read);
            total += static_cast<size_t>(read);
            if (total > maxBytes) {
                chain.tooLong = true;
                break;
            }
            if (current->size == databuffer::kCapacity) {
                current->next = databuffer_new();
                current = current->next;
            }
        } else if (read == 0) {
            if (current->size == 0)
                break;
            // End of stream: one more empty link, then one more read to confirm.
            current->next = databuffer_new();
            current = current->next;
        } else {
            ++errors;
            if (++errorsInARow >= TNMaxOggErrorsWithoutProgress)
                break;
        }
    }
    if (errors > 0)
        reportOggReadErrors(errors, path, errorsInARow >= TNMaxOggErrorsWithoutProgress);
    return chain;
}

namespace {

// The chain joined into one block of its total size.
std::vector<char> joinChain(const databuffer* first)
{
    std::vector<char> joined;
    joined.reserve(first->size + databuffer_totalsize(first->next));
    for (const databuffer* link = first; link; link = link->next)
        joined.insert(joined.end(), link->data, link->data + link->size);
    return joined;
}

// --- CAF ---------------------------------------------------------------

ALenum pcmFormat(int bits, int channels)
{
    if (bits == 8 && channels == 1)
        return AL_FORMAT_MONO8;
    if (bits == 8 && channels == 2)
        return AL_FORMAT_STEREO8;
    if (bits == 16 && channels == 1)
        return AL_FORMAT_MONO16;
    if (bits == 16 && channels == 2)
        return AL_FORMAT_STEREO16;
    return -1;  // OpenAL reports the invalid format
}

// Brings stored samples to what OpenAL expects: unsigned 8-bit, and 16-bit in
// this machine's byte order.
void adaptSamplesForOpenAL(const TNAudioDataFormat& format, std::vector<uint8_t>& bytes)
{
    if (format.bitsPerChannel == 8 && format.signedSamples) {
        for (uint8_t& byte : bytes)
            byte ^= 0x80;
    } else if (format.bitsPerChannel == 16 && !format.hostByteOrder) {
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            std::swap(bytes[i], bytes[i + 1]);
    }
}

}  // namespace

bool hasSuffix(const char* text, const char* suffix)
{
    const size_t textLength = std::strlen(text);
    const size_t suffixLength = std::strlen(suffix);
    return textLength >= suffixLength && std::memcmp(text + textLength - suffixLength, suffix, suffixLength) == 0;
}

TNSoundBuffers TNDecodeSoundFile(const char* path)
{
    TNSoundBuffers sound{nullptr, 0};
    if (hasSuffix(path, ".ogg"))
        sound.buffers = OggToOpenAL(path);
    else if (hasSuffix(path, ".caf"))
        sound.buffers = CAFToOpenAL(path);
    else
        sound.buffers = ExtAudioFileToOpenAL(path);
    sound.bufferCount = 1;
    return sound;
}

ALuint* OggToOpenAL(const char* path)
{
    std::string reason;
    FILE* file = TNOpenRegularFileStream(path, reason);
    if (!file) {
        TNLogStdout("Cannot open sound file %s: %s", path, reason.c_str());
        throw 1;
    }
    OggVorbis_File vf;
    if (ov_open_callbacks(file, &vf, nullptr, 0, OV_CALLBACKS_DEFAULT) < 0) {
        std::fclose(file);
        TNLogStdout("Sound file %s is not Ogg Vorbis", path);
        throw 1;
    }
    // From here the stream owns the file; ov_clear closes both however this ends.
    const std::unique_ptr<OggVorbis_File, int (*)(OggVorbis_File*)> stream(&vf, ov_clear);
    const vorbis_info* info = ov_info(&vf, -1);
    if (!info || info->channels <= 0 || info->rate <= 0) {
        TNLogStdout("Sound file %s has no playable Ogg Vorbis stream", path);
        throw 1;
    }
    checkSampleRate(path, info->rate);
    const int bytesPerFrame = 2 * info->channels;
    const int64_t maxFrames = maxFramesFor(info->rate, bytesPerFrame);
    if (ov_pcm_total(&vf, -1) > maxFrames)
        refuseTooLong(path);
    const TNOggChain chain = TNReadOggChain(&vf, path, static_cast<size_t>(maxFrames) * bytesPerFrame);
    const std::unique_ptr<databuffer, void (*)(databuffer*)> links(chain.first, databuffer_free);
    if (chain.tooLong)
        refuseTooLong(path);
    const std::vector<char> joined = joinChain(chain.first);
    info = ov_info(&vf, -1);
    const ALenum format = info->channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    return makeOpenALBuffer(format, joined.data(), joined.size(), static_cast<ALsizei>(info->rate),
        "makeOpenALBuffers: alBufferData");
}

ALuint* CAFToOpenAL(const char* path)
{
    TNAudioFile file;
    // Encodings libsndfile cannot open at all (IMA4...) are left to the
    // converting reader, which also reports a file that does not exist.
    if (!file.open(path) || !file.format().linearPCM) {
        file.close();
        return ExtAudioFileToOpenAL(path);
    }
    const TNAudioDataFormat format = file.format();
    checkSampleRate(path, format.sampleRate);
    const int bytesPerFrame = format.channels * format.bitsPerChannel / 8;
    if (file.frameCount() > maxFramesFor(format.sampleRate, bytesPerFrame))
        refuseTooLong(path);
    std::vector<uint8_t> bytes;
    if (!file.readAllBytes(bytes)) {
        TNLogStdout("Cannot read the audio data of %s: %s", path, file.error().c_str());
        return nullptr;
    }
    adaptSamplesForOpenAL(format, bytes);
    return makeOpenALBuffer(pcmFormat(format.bitsPerChannel, format.channels), bytes.data(), bytes.size(),
        static_cast<ALsizei>(format.sampleRate), "CAFToOpenAL: alBufferData");
}

ALuint* ExtAudioFileToOpenAL(const char* path)
{
    TNConvertingAudioReader reader;
    if (!reader.open(path)) {
        TNLogStdout("Cannot read sound file %s: %s", path, reader.error().c_str());
        throw 1;
    }
    checkSampleRate(path, reader.sampleRate());
    if (reader.channels() > 2) {
        TNLogStdout("Sound file %s has %d channels; at most 2 can be played", path, reader.channels());
        throw 1;
    }
    std::vector<int16_t> samples;
    const auto status = reader.readMono16(samples, maxFramesFor(reader.sampleRate(), 2));
    if (status == TNConvertingAudioReader::Status::tooLong)
        refuseTooLong(path);
    if (status == TNConvertingAudioReader::Status::failed) {
        TNLogStdout("Cannot decode sound file %s: %s", path, reader.error().c_str());
        throw 1;
    }
    return makeOpenALBuffer(AL_FORMAT_MONO16, samples.data(), samples.size() * sizeof(int16_t),
        static_cast<ALsizei>(reader.sampleRate()), "ExtAudioFileToOpenAL: alBufferData");
}
