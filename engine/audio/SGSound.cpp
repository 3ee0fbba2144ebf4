#include "audio/SGSound.h"

#include <AL/al.h>

#include "audio/TNOpenALCheck.h"
#include "audio/TNSoundDecoding.h"

SGSound SGSound::loadFromFile(const char* path)
{
    const TNSoundBuffers decoded = TNDecodeSoundFile(path);
    return SGSound{decoded.buffers, decoded.bufferCount};
}

void SGSound::freeSound()
{
    TNCheckALError("~SGSound");
    if (!buffers)
        return;
    alDeleteBuffers(bufferCount, buffers);
    TNCheckALError("~SGSound: alDeleteBuffers");
    delete[] buffers;
    buffers = nullptr;
    bufferCount = 0;
}
