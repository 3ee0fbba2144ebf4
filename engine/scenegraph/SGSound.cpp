#include "scenegraph/SGSound.h"

#include <AL/al.h>

#include <cstdio>

namespace {

void reportOpenALError(const char* label)
{
    const ALenum error = alGetError();
    if (error != AL_NO_ERROR)
        std::printf("OpenAL error %d in call to %s\n", error, label);
}

}  // namespace

void SGSound::freeSound()
{
    reportOpenALError("~SGSound");
    if (!buffers)
        return;
    alDeleteBuffers(bufferCount, buffers);
    reportOpenALError("~SGSound: alDeleteBuffers");
    delete[] buffers;
    buffers = nullptr;
    bufferCount = 0;
}
