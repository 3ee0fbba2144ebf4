#include "scenegraph/nodes/SGSoundPlayerNode.h"

#include "audio/SoundManager.h"
#include "audio/TNAudioSource.h"

SGSoundPlayerNode::SGSoundPlayerNode(TNManagerLink<SoundManager> manager)
    : soundManager(manager)
{
    nodeClass |= SGSoundPlayerNodeClass;
    sound.value = SGSoundNull;
    x.value = 0.0f;
    y.value = 0.0f;
    dx.value = 0.0f;
    dy.value = 0.0f;
    sourceRelative.value = true;
    volume.value = 1.0f;
    pitch.value = 1.0f;
    loop.value = false;
    trigger.value = false;
    stop.value = false;
    pause.value = false;
    resume.value = false;
    playing.value = false;

    addOutputPort(&playing, BOOLEAN);
    addInputPort(&sound, SOUND);
    addInputPort(&x, NUMBER);
    addInputPort(&y, NUMBER);
    addInputPort(&dx, NUMBER);
    addInputPort(&dy, NUMBER);
    addInputPort(&sourceRelative, BOOLEAN);
    addInputPort(&volume, NUMBER);
    addInputPort(&pitch, NUMBER);
    addInputPort(&loop, BOOLEAN);
    addInputPort(&trigger, BOOLEAN);
    addInputPort(&stop, BOOLEAN);
    addInputPort(&pause, BOOLEAN);
    addInputPort(&resume, BOOLEAN);
}

SGSoundPlayerNode::~SGSoundPlayerNode()
{
    if (source && liveManager()) {
        source->owner = nullptr;
        source->finishedCallback = nullptr;
    }
}

SoundManager* SGSoundPlayerNode::liveManager()
{
    SoundManager* manager = soundManager.get();
    if (!manager) {
        source = nullptr;
        buffersQueued = 0;
        playing.value = false;
    }
    return manager;
}

TNAudioSource* SGSoundPlayerNode::reserveSourceIfNeeded()
{
    SoundManager* manager = liveManager();
    if (!source && manager) {
        source = manager->reserveSource();
        if (source) {
            source->owner = this;
            source->finishedCallback = soundFinished;
        }
    }
    return source;
}

void SGSoundPlayerNode::soundFinished(TNAudioSource* source)
{
    if (!source || !source->owner)
        return;
    auto* node = static_cast<SGSoundPlayerNode*>(source->owner);
    node->playing.value = false;
    node->source = nullptr;
    node->buffersQueued = 0;
}

void SGSoundPlayerNode::compute()
{
    dirty = false;
    SoundManager* manager = liveManager();
    if (!manager)
        return;
    if (source)
        applyControls(manager);
    if (trigger.boolValue() && startPlaying(manager)) {
        pushSourceParameters();
        return;
    }
    if (playing.value && source)
        pushSourceParameters();
}

void SGSoundPlayerNode::applyControls(SoundManager* manager)
{
    if (pause.boolValue())
        manager->pauseSource(source);
    if (resume.boolValue())
        manager->playSource(source);
    // Stopping recycles the source and calls soundFinished: the node is idle after it.
    if (stop.boolValue())
        manager->stopSource(source);
}

bool SGSoundPlayerNode::startPlaying(SoundManager* manager)
{
    if (!reserveSourceIfNeeded())
        return false;
    source->setLooping(loop.boolValue());
    if (!buffersQueued) {
        const SGSound value = sound.soundValue();
        // Pulling the sound may run the engine script (a loader asking for
        // its path), and the script may delete the manager.
        if (!liveManager())
            return false;
        if (value.bufferCount > 0) {
            source->queueBuffers(value);
            buffersQueued = 1;
        }
    }
    if (playing.value) {
        manager->restartSource(source);
    } else {
        source->setRelative(sourceRelative.boolValue());
        manager->playSource(source);
        playing.value = true;
    }
    return true;
}

void SGSoundPlayerNode::pushSourceParameters()
{
    source->setLocation(x.numberValue(), y.numberValue());
    source->setVelocity(dx.numberValue(), dy.numberValue());
    source->setVolume(volume.numberValue());
    source->setPitch(pitch.numberValue());
}

SGPort* SGSoundPlayerNode::portForID(SGPortID id)
{
    switch (id) {
    case SGPortID_sound: return &sound;
    case SGPortID_x: return &x;
    case SGPortID_y: return &y;
    case SGPortID_dx: return &dx;
    case SGPortID_dy: return &dy;
    case SGPortID_sourceRelative: return &sourceRelative;
    case SGPortID_volume: return &volume;
    case SGPortID_pitch: return &pitch;
    case SGPortID_loop: return &loop;
    case SGPortID_trigger: return &trigger;
    case SGPortID_stop: return &stop;
    case SGPortID_pause: return &pause;
    case SGPortID_resume: return &resume;
    case SGPortID_playing: return &playing;
    default: return nullptr;
    }
}
