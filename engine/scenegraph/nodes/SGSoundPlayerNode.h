// Plays one sound on a source borrowed from the sound manager: a true
// trigger starts it (or restarts it while it plays), pause, resume and stop
// control it, and position, velocity, volume and pitch follow the inputs
// while it plays. playing falls back to false when the sound ends and the
// manager's update gives the source back. A node whose manager was deleted
// plays nothing and forgets its source without touching it (the manager
// freed it).
#ifndef SG_SOUND_PLAYER_NODE_H
#define SG_SOUND_PLAYER_NODE_H

#include <cstdint>

#include "lua/TNManagerLink.h"
#include "scenegraph/nodes/SGNode.h"
#include "scenegraph/ports/SGValuePort.h"

class SoundManager;
class TNAudioSource;

class SGSoundPlayerNode : public SGNode {
public:
    // manager may be null (a scene made without one): the node then never plays.
    explicit SGSoundPlayerNode(TNManagerLink<SoundManager> manager);
    // A held source is not stopped: it plays to its end and goes back to the
    // pool through the manager's update without calling this node.
    ~SGSoundPlayerNode() override;

    void compute() override;
    SGPort* portForID(SGPortID id) override;

    // The held source, reserving one first if none is held; null when the
    // pool is exhausted or the manager is gone.
    TNAudioSource* reserveSourceIfNeeded();
    // The manager, or null when there is none or it was deleted; the node is
    // then idle, without a source.
    SoundManager* liveManager();
    // The sources' finished callback: the owner node goes back to idle.
    static void soundFinished(TNAudioSource* source);

    TNManagerLink<SoundManager> soundManager;
    TNAudioSource* source = nullptr;  // owned by the manager; valid only while it lives
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
    void applyControls(SoundManager* manager);
    // Starts or restarts the sound; false when no source could be had.
    bool startPlaying(SoundManager* manager);
    void pushSourceParameters();
};

#endif
