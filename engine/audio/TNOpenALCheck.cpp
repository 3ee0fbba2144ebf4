#include "audio/TNOpenALCheck.h"

#include <AL/al.h>
#include <AL/alc.h>

#include "log/TNLog.h"

bool TNHasCurrentALContext()
{
    return alcGetCurrentContext() != nullptr;
}

bool TNCheckALError(const char* label)
{
    if (!TNHasCurrentALContext())
        return false;
    const ALenum error = alGetError();
    if (error == AL_NO_ERROR)
        return false;
    TNLogStdout("OpenAL error %d in call to %s", error, label);
    return true;
}

bool TNCheckALCError(const char* label)
{
    const ALCenum error = alcGetError(nullptr);
    if (error == ALC_NO_ERROR)
        return false;
    TNLogStdout("OpenAL context error %d in call to %s", error, label);
    return true;
}
