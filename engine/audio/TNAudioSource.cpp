#include "audio/TNAudioSource.h"

#include <cstddef>
#include <vector>

#include "audio/TNOpenALCheck.h"
#include "audio/SGSound.h"
#include "log/TNLog.h"

TNAudioSource::TNAudioSource()
{
    alGenSources(1, &sourceName_);
    TNCheckALError("TNAudioSource::TNAudioSource : alGenSources");
}

TNAudioSource::~TNAudioSource()
{
    alDeleteSources(1, &sourceName_);
    TNCheckALError("TNAudioSource::~TNAudioSource : alDeleteSources");
}

ALint TNAudioSource::state() const
{
    ALint value = AL_STOPPED;
    alGetSourcei(sourceName_, AL_SOURCE_STATE, &value);
    return value;
}

bool TNAudioSource::isPlaying() const
{
    return state() == AL_PLAYING;
}

bool TNAudioSource::isStopped() const
{
    return state() == AL_STOPPED;
}

void TNAudioSource::queueBuffers(const ALuint* buffers, int count)
{
    const char* label = "TNAudioSource::queueBuffers: alSourceQueueBuffers";
    if (!buffers && count > 0) {
        // OpenAL Soft would read through the null array.
        if (TNHasCurrentALContext())
            TNLogStdout("OpenAL error %d in call to %s", AL_INVALID_VALUE, label);
        return;
    }
    alSourceQueueBuffers(sourceName_, count, buffers);
    TNCheckALError(label);
}

void TNAudioSource::queueBuffers(const SGSound& sound)
{
    queueBuffers(sound.buffers, sound.bufferCount);
}

void TNAudioSource::unqueueBuffers()
{
    ALint processed = 0;
    alGetSourcei(sourceName_, AL_BUFFERS_PROCESSED, &processed);
    if (processed <= 0)
        return;
    std::vector<ALuint> names(static_cast<size_t>(processed));
    alSourceUnqueueBuffers(sourceName_, processed, names.data());
    TNCheckALError("TNAudioSource::unqueueBuffers: alSourceUnqueueBuffers");
}

void TNAudioSource::setRelative(bool relative)
{
    alSourcei(sourceName_, AL_SOURCE_RELATIVE, relative ? AL_TRUE : AL_FALSE);
    TNCheckALError("TNAudioSource::setRelative: alSourcei (AL_SOURCE_RELATIVE)");
}

void TNAudioSource::setLooping(bool looping)
{
    alSourcei(sourceName_, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
    TNCheckALError("TNAudioSource::setLooping: alSourcei (AL_LOOPING)");
}

void TNAudioSource::setPitch(float pitch)
{
    alSourcef(sourceName_, AL_PITCH, pitch);
    TNCheckALError("TNAudioSource::setPitch: alSourcef");
}

void TNAudioSource::setVolume(float volume)
{
    alSourcef(sourceName_, AL_GAIN, volume);
    TNCheckALError("TNAudioSource::setVolume: alSourcef");
}

void TNAudioSource::setVelocity(float x, float y)
{
    alSource3f(sourceName_, AL_VELOCITY, x, y, 0.0f);
    TNCheckALError("TNAudioSource::setVelocity: alSource3f");
}

void TNAudioSource::setLocation(float x, float y)
{
    alSource3f(sourceName_, AL_POSITION, x, y, 0.0f);
    TNCheckALError("TNAudioSource::setLocation: alSource3f");
}

void TNAudioSource::setToDefault()
{
    alSource3f(sourceName_, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSource3f(sourceName_, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
    alSource3f(sourceName_, AL_DIRECTION, 0.0f, 0.0f, 0.0f);
    alSourcef(sourceName_, AL_ROLLOFF_FACTOR, 1.0f);
    alSourcef(sourceName_, AL_REFERENCE_DISTANCE, 50.0f);
    TNCheckALError("TNAudioSource::setToDefault: alSource[3]f");
}

void TNAudioSource::play()
{
    alSourcePlay(sourceName_);
    TNCheckALError("TNAudioSource::play : alSourcePlay");
}

void TNAudioSource::pause()
{
    alSourcePause(sourceName_);
    TNCheckALError("TNAudioSource::pause : alSourcePause");
}

void TNAudioSource::rewind()
{
    alSourceRewind(sourceName_);
    TNCheckALError("TNAudioSource::rewind : alSourceRewind");
}

void TNAudioSource::stop()
{
    alSourceStop(sourceName_);
    TNCheckALError("TNAudioSource::stop : alSourceStop");
    alSourcei(sourceName_, AL_BUFFER, 0);
    TNCheckALError("TNAudioSource::stop : alSourcei (AL_BUFFER)");
}
