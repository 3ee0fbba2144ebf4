#include "audio/SoundManager.h"


#include <AL/al.h>
#include <AL/alc.h>

#include "lua/TNHandle.h"
#include "audio/TNAudioSource.h"
#include "audio/TNOpenALCheck.h"
#include "log/TNLog.h"

namespace {

// Shared by every manager; opened once and never closed.
ALCdevice* sharedAlDevice = nullptr;
ALCcontext* sharedAlContext = nullptr;

void openSharedContext()
{
    if (!sharedAlDevice) {
        sharedAlDevice = alcOpenDevice(nullptr);
        TNCheckALCError("SoundManager::SoundManager: alcOpenDevice");
    }
    if (!sharedAlContext) {
        sharedAlContext = alcCreateContext(sharedAlDevice, nullptr);
        TNCheckALCError("SoundManager::SoundManager: alcCreateContext");
        if (!sharedAlContext)
            TNLogStdout("SoundManager: no sound output device could be opened; the game runs without sound");
    }
}

}  // namespace

SoundManager::SoundManager()
{
    TNCheckALError("SoundManager::SoundManager");
    TNCheckALCError("SoundManager::SoundManager");
    openSharedContext();
    alcMakeContextCurrent(sharedAlContext);
    TNCheckALCError("SoundManager::SoundManager: alcMakeContextCurrent");
    for (int i = 0; i < kPoolSize; ++i)
        freeSources_.insert(new TNAudioSource());
    handle_ = TNHandleTable::add(this);
}

SoundManager::~SoundManager()
{
    // From here on the links of scenes and nodes find no manager.
    TNHandleTable::remove(handle_);
    TNCheckALError("SoundManager::~SoundManager");
    TNCheckALCError("SoundManager::~SoundManager");
    alcMakeContextCurrent(sharedAlContext);
    TNCheckALCError("SoundManager::~SoundManager: alcMakeContextCurrent");
    // stopSource changes the playing set, so walk a copy.
    const std::set<TNAudioSource*> playing = playingSources_;
    for (TNAudioSource* source : playing)
        stopSource(source);
    for (TNAudioSource* source : reservedSources_)
        delete source;
    for (TNAudioSource* source : freeSources_)
        delete source;
}

TNAudioSource* SoundManager::reserveSource()
{
    TNCheckALError("SoundManager::reserveSource");
    if (freeSources_.empty())
        return nullptr;
    TNAudioSource* source = *freeSources_.begin();
    freeSources_.erase(freeSources_.begin());
    reservedSources_.insert(source);
    source->setToDefault();
    return source;
}

void SoundManager::playSource(TNAudioSource* source)
{
    playingSources_.insert(source);
    source->play();
}

void SoundManager::pauseSource(TNAudioSource* source)
{
    source->pause();
}

void SoundManager::restartSource(TNAudioSource* source)
{
    source->play();
}

void SoundManager::stopSource(TNAudioSource* source)
{
    source->stop();
    playingSources_.erase(source);
    recycleSource(source);
    if (source->finishedCallback)
        source->finishedCallback(source);
}

void SoundManager::recycleSource(TNAudioSource* source)
{
    source->unqueueBuffers();
    freeSources_.insert(source);
    reservedSources_.erase(source);
}

void SoundManager::update()
{
    for (auto it = playingSources_.begin(); it != playingSources_.end();) {
        TNAudioSource* source = *it;
        ++it;
        if (!source->isStopped())
            continue;
        alSourcei(source->sourceName(), AL_BUFFER, 0);
        playingSources_.erase(source);
        recycleSource(source);
        if (source->finishedCallback)
            source->finishedCallback(source);
    }
}

void SoundManager::makeCurrent()
{
    TNCheckALError("SoundManager::makeCurrent");
    TNCheckALCError("SoundManager::makeCurrent");
    alcMakeContextCurrent(sharedAlContext);
    TNCheckALCError("SoundManager::makeCurrent: alcMakeContextCurrent");
}

void SoundManager::suspend()
{
    TNCheckALError("SoundManager::suspend");
    TNCheckALCError("SoundManager::suspend");
    alcMakeContextCurrent(nullptr);
    TNCheckALCError("SoundManager::suspend: alcMakeContextCurrent");
    if (sharedAlContext) {
        alcSuspendContext(sharedAlContext);
        TNCheckALCError("SoundManager::suspend: alcSuspendContext");
    }
}

void SoundManager::resume()
{
    TNCheckALError("SoundManager::resume");
    TNCheckALCError("SoundManager::resume");
    alcMakeContextCurrent(sharedAlContext);
    TNCheckALCError("SoundManager::resume: alcMakeContextCurrent");
    if (sharedAlContext) {
        alcProcessContext(sharedAlContext);
        TNCheckALCError("SoundManager::resume: alcProcessContext");
    }
}
