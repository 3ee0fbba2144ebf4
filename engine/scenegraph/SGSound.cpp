#include "scenegraph/SGSound.h"

#include <AL/al.h>

#include "audio/TNOpenALCheck.h"

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
