// libFuzzer target for sounds: every input is decoded into OpenAL buffers by
// the player's own path (Ogg Vorbis, CAF, or the converting reader for WAV
// and the rest), on OpenAL Soft's null output. The first byte chooses the
// suffix. A failure is the int the decoder throws after its line; anything
// else must come back as buffers that are then deleted.
#include <AL/al.h>
#include <AL/alc.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "audio/TNSoundDecoding.h"
#include "log/TNLog.h"

namespace {

const char* const kNames[] = {"fuzz.ogg", "fuzz.caf", "fuzz.wav", "fuzz.aiff"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("ALSOFT_DRIVERS", "null", 1);
    ALCdevice* device = alcOpenDevice(nullptr);
    ALCcontext* context = device ? alcCreateContext(device, nullptr) : nullptr;
    if (!context || !alcMakeContextCurrent(context)) {
        TNLog("sound_fuzzer: no OpenAL context on the null output");
        abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const char* name = kNames[data[0] % 4];
    const std::string path = tern_fuzz::writeScratchFile(name, data + 1, size - 1);
    TNSoundBuffers sound = {nullptr, 0};
    {
        tern_fuzz::Silenced quiet;
        try {
            sound = TNDecodeSoundFile(path.c_str());
        } catch (int) {
            return 0;
        }
    }
    if (sound.buffers) {
        alDeleteBuffers(sound.bufferCount, sound.buffers);
        delete[] sound.buffers;
    }
    return 0;
}
