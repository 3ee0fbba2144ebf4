// A render node that draws a fixed pool of quads emitted from one point. The
// simulation is analytic: every particle's position, rotation, size and
// colour follow from its age (time port minus birth time) under constant
// velocity and gravity; a particle whose life is over is reborn at the
// current time while spawning is on. The pool is made once, at the first
// compute, from numParticles and lifestart.
#ifndef SG_PARTICLE_SYSTEM_NODE_H
#define SG_PARTICLE_SYSTEM_NODE_H

#include <cstdint>

#include "scenegraph/nodes/SGParticle.h"
#include "scenegraph/nodes/SGRenderNode.h"
#include "scenegraph/drawing/SGSpriteDrawing.h"
#include "scenegraph/ports/SGValuePort.h"

// A random float in [lo, hi) from the C library's rand (lo and hi swapped
// when given the wrong way round).
float randFloat(float lo, float hi);
// Moves linearly from `from` to `to` over duration, then stays at `to`; a
// duration of 0 gives `to` at once.
float interpolate(float from, float to, float duration, float elapsed);
// One quad of w × h centred on the origin, texture coordinates 0..s, 0..t.
void drawParticle(float width, float height, float s, float t);

class SGQuadBatch;

class SGParticleSystemNode : public SGRenderNode {
public:
    // The largest pool a node makes; a larger numParticles is cut to this
    // with one printed line.
    static constexpr int32_t kMaxParticles = 100000;

    SGParticleSystemNode();
    ~SGParticleSystemNode() override;

    void compute() override;
    SGPort* portForID(SGPortID id) override;

    // Makes the pool (only while there is none) and caches lifestart.
    void allocateParticles();
    // Copies the emission ports into the cached values.
    void updateParticleSystem();
    // Spreads the initial birth times over [0, lifestart).
    void generateParticles();
    // Gives one particle its birth values from the cached values.
    void randomizeParticle(SGParticle* particle);
    // Rebirths expired particles at time while spawning is on.
    void refreshParticles(float time);
    // Draws the living particles at time.
    void renderAtTime(float time);

    SGNumberPort timePort;
    SGBooleanPort spawnParticlesPort;
    SGIntegerPort numParticlesPort;
    SGImagePort imagePort;
    SGNumberPort directionPort;
    SGNumberPort lifetimePort;
    SGNumberPort lifestartPort;
    SGColorPort colorPort;
    SGColorPort colorTargetPort;
    SGNumberPort colorTransitionTimePort;
    SGNumberPort xPort;
    SGNumberPort yPort;
    SGNumberPort rotationPort;
    SGNumberPort sizePort;
    SGNumberPort sizeTargetPort;
    SGNumberPort sizeTransitionTimePort;
    SGNumberPort gravityXPort;
    SGNumberPort gravityYPort;
    SGNumberPort speedPort;
    SGNumberPort angularVelocityPort;
    SGIntegerPort blendingModePort;

    SGParticle* particles = nullptr;  // owned pool, made at the first compute
    int32_t particleCount = 0;
    float x = 0.0f;
    float y = 0.0f;
    float rotation = 0.0f;
    float lifetime = 0.0f;
    float lifestart = 0.0f;
    SGImage image = SGImageNull;
    float direction = 0.0f;
    SGColor color = SGWhiteColor;
    SGColor colorTarget = SGWhiteColor;
    float colorTransitionTime = 0.0f;
    float size = 0.0f;
    float sizeTarget = 0.0f;
    float sizeTransitionTime = 0.0f;
    float gravityX = 0.0f;
    float gravityY = 0.0f;
    float speed = 0.0f;
    float angularVelocity = 0.0f;

private:
    // Draws every living particle with the current node values, or adds it
    // to batch when there is one.
    void drawLivingParticles(float time, float s, float t, SGQuadBatch* batch);
    void drawLivingParticle(const SGParticle& particle, float age, float s, float t, SGQuadBatch* batch);
    void batchParticle(SGQuadBatch& batch, const SGColor& c, float x, float y, float degrees, float width,
                       float height, float s, float t);

    SGBlendFactors batchBlend_ = {0, 0};  // the blend factors of the pass being batched
};

#endif
