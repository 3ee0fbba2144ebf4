// Plays one sound on a source borrowed from the sound manager: a true
// trigger starts it (or restarts it while it plays), pause, resume and stop
// control it, and position, velocity, volume and pitch follow the inputs
// while it plays. playing falls back to false when the sound ends and the
// manager's update gives the source back.
#ifndef SG_SOUND_PLAYER_NODE_H
#define SG_SOUND_PLAYER_NODE_H

#include <cstdint>

#include "scenegraph/nodes/SGNode.h"
#include "scenegraph/ports/SGBooleanPort.h"
#include "scenegraph/ports/SGNumberPort.h"
#include "scenegraph/ports/SGSoundPort.h"

class SoundManager;
class TNAudioSource;

class SGSoundPlayerNode : public SGNode {
public:
    // manager may be null (a scene made without one): the node then never plays.
    explicit SGSoundPlayerNode(SoundManager* manager);
    // A held source is not stopped: it plays to its end and goes back to the
    // pool through the manager's update without calling this node.
    ~SGSoundPlayerNode() override;

    void compute() override;
    SGPort* portForID(SGPortID id) override;

    // The held source, reserving one first if none is held; null when the
    // pool is exhausted.
    TNAudioSource* reserveSourceIfNeeded();
    // The sources' finished callback: the owner node goes back to idle.
    static void soundFinished(TNAudioSource* source);

    SoundManager* soundManager;
    TNAudioSource* source = nullptr;
    int32_t buffersQueued = 0;  // nonzero once the sound is queued on source

    SGSoundPort sound;
    SGNumberPort x;
    SGNumberPort y;
    SGNumberPort dx;
    SGNumberPort dy;
    SGBooleanPort sourceRelative;
    SGNumberPort volume;
    SGNumberPort pitch;
    SGBooleanPort loop;
    SGBooleanPort trigger;
    SGBooleanPort stop;
    SGBooleanPort pause;
    SGBooleanPort resume;
    SGBooleanPort playing;

private:
    void applyControls();
    // Starts or restarts the sound; false when no source could be had.
    bool startPlaying();
    void pushSourceParameters();
};

#endif
