#include "scenegraph/nodes/SGParticleSystemNode.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdlib>
#include <utility>

#include "log/TNLog.h"
#include "scenegraph/drawing/SGSpriteDrawing.h"
#include "scenegraph/drawing/SGQuadBatch.h"

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;

}  // namespace

float randFloat(float lo, float hi)
{
    if (lo > hi)
        std::swap(lo, hi);
    // One above RAND_MAX + 1 keeps r strictly below 1.
    const double r = std::rand() / 2147483649.0;
    const float span = hi - lo;
    return static_cast<float>(lo + r * span);
}

float interpolate(float from, float to, float duration, float elapsed)
{
    const float d = to - from;
    float v = d / duration * elapsed;
    // fminf/fmaxf pick d when v is NaN (a duration of 0 with no change).
    v = d >= 0.0f ? std::fmin(v, d) : std::fmax(v, d);
    return from + v;
}

void drawParticle(float width, float height, float s, float t)
{
    const float hw = width * 0.5f;
    const float hh = height * 0.5f;
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-hw, -hh, 0.0f);
    glTexCoord2f(s, 0.0f);
    glVertex3f(hw, -hh, 0.0f);
    glTexCoord2f(s, t);
    glVertex3f(hw, hh, 0.0f);
    glTexCoord2f(0.0f, t);
    glVertex3f(-hw, hh, 0.0f);
    glEnd();
}

SGParticleSystemNode::SGParticleSystemNode()
{
    nodeClass |= SGParticleSystemNodeClass;
    addInputPort(&timePort, NUMBER);
    addInputPort(&spawnParticlesPort, BOOLEAN);
    addInputPort(&numParticlesPort, INTEGER);
    addInputPort(&imagePort, IMAGE);
    addInputPort(&directionPort, NUMBER);
    addInputPort(&lifetimePort, NUMBER);
    addInputPort(&lifestartPort, NUMBER);
    addInputPort(&colorPort, COLOR);
    addInputPort(&colorTargetPort, COLOR);
    addInputPort(&colorTransitionTimePort, NUMBER);
    addInputPort(&xPort, NUMBER);
    addInputPort(&yPort, NUMBER);
    addInputPort(&rotationPort, NUMBER);
    addInputPort(&sizePort, NUMBER);
    addInputPort(&sizeTargetPort, NUMBER);
    addInputPort(&sizeTransitionTimePort, NUMBER);
    addInputPort(&gravityXPort, NUMBER);
    addInputPort(&gravityYPort, NUMBER);
    addInputPort(&speedPort, NUMBER);
    addInputPort(&angularVelocityPort, NUMBER);
    addInputPort(&blendingModePort, INTEGER);
}

SGParticleSystemNode::~SGParticleSystemNode()
{
    delete[] particles;
}

SGPort* SGParticleSystemNode::portForID(SGPortID id)
{
    switch (id) {
    case SGPortID_time: return &timePort;
    case SGPortID_spawnParticles: return &spawnParticlesPort;
    case SGPortID_numParticles: return &numParticlesPort;
    case SGPortID_image: return &imagePort;
    case SGPortID_direction: return &directionPort;
    case SGPortID_lifetime: return &lifetimePort;
    case SGPortID_lifestart: return &lifestartPort;
    case SGPortID_color: return &colorPort;
    case SGPortID_colorTarget: return &colorTargetPort;
    case SGPortID_colorTransitionTime: return &colorTransitionTimePort;
    case SGPortID_x: return &xPort;
    case SGPortID_y: return &yPort;
    case SGPortID_rotation: return &rotationPort;
    case SGPortID_size: return &sizePort;
    case SGPortID_sizeTarget: return &sizeTargetPort;
    case SGPortID_sizeTransitionTime: return &sizeTransitionTimePort;
    case SGPortID_gravityX: return &gravityXPort;
    case SGPortID_gravityY: return &gravityYPort;
    case SGPortID_speed: return &speedPort;
    case SGPortID_angularVelocity: return &angularVelocityPort;
    case SGPortID_blendingMode: return &blendingModePort;
    default: return nullptr;
    }
}

void SGParticleSystemNode::allocateParticles()
{
    if (particles) {
        TNLogStdout("SGParticleSystemNode: allocateParticles called with a pool already made; pool kept");
        return;
    }
    int32_t count = numParticlesPort.intValue();
    if (count < 0) {
        TNLogStdout("SGParticleSystemNode: numParticles %d is negative; no particles", count);
        count = 0;
    } else if (count > kMaxParticles) {
        TNLogStdout("SGParticleSystemNode: numParticles %d capped at %d", count, kMaxParticles);
        count = kMaxParticles;
    }
    particleCount = count;
    // Zero-filled: no particle is initialized and every lifetime is 0.
    particles = new SGParticle[static_cast<size_t>(count)]();
    lifestart = lifestartPort.numberValue();
}

void SGParticleSystemNode::updateParticleSystem()
{
    x = xPort.numberValue();
    y = yPort.numberValue();
    rotation = rotationPort.numberValue();
    lifetime = lifetimePort.numberValue();
    image = imagePort.imageValue();
    direction = directionPort.numberValue();
    color = colorPort.colorValue();
    colorTarget = colorTargetPort.colorValue();
    colorTransitionTime = colorTransitionTimePort.numberValue();
    size = sizePort.numberValue();
    sizeTarget = sizeTargetPort.numberValue();
    sizeTransitionTime = sizeTransitionTimePort.numberValue();
    gravityX = gravityXPort.numberValue();
    gravityY = gravityYPort.numberValue();
    speed = speedPort.numberValue();
    angularVelocity = angularVelocityPort.numberValue();
}

void SGParticleSystemNode::generateParticles()
{
    for (int32_t i = 0; i < particleCount; ++i) {
        particles[i].startTime = randFloat(0.0f, lifestart);
        particles[i].initialized = 0;
    }
}

void SGParticleSystemNode::randomizeParticle(SGParticle* particle)
{
    particle->lifetime = randFloat(lifetime * 0.5f, lifetime);
    const float a = static_cast<float>(direction * kRadiansPerDegree);
    particle->velocityX = std::cos(a) * speed;
    particle->velocityY = std::sin(a) * speed;
    particle->startWidth = size;
    particle->startHeight = size;
    particle->targetWidth = sizeTarget;
    particle->targetHeight = sizeTarget;
    particle->angularVelocity = angularVelocity;
    particle->rotation = rotation;
    particle->originX = x;
    particle->originY = y;
    particle->colorTransitionTime = colorTransitionTime;
    particle->initialized = 1;
}

void SGParticleSystemNode::refreshParticles(float time)
{
    if (!spawnParticlesPort.boolValue())
        return;
    for (int32_t i = 0; i < particleCount; ++i) {
        SGParticle& particle = particles[i];
        if (time > particle.startTime + particle.lifetime) {
            particle.startTime = time;
            randomizeParticle(&particle);
        }
    }
}

void SGParticleSystemNode::drawLivingParticle(const SGParticle& particle, float age, float s, float t,
                                              SGQuadBatch* batch)
{
    const float w = interpolate(particle.startWidth, particle.targetWidth, sizeTransitionTime, age);
    const float h = interpolate(particle.startHeight, particle.targetHeight, sizeTransitionTime, age);

    const float duration = particle.colorTransitionTime;
    SGColor c;
    c.r = interpolate(color.r, colorTarget.r, duration, age);
    c.g = interpolate(color.g, colorTarget.g, duration, age);
    c.b = interpolate(color.b, colorTarget.b, duration, age);
    c.a = interpolate(color.a, colorTarget.a, duration, age);
    if (image.isPresent() && image.premultipliedAlpha) {
        c.r *= c.a;
        c.g *= c.a;
        c.b *= c.a;
    }
    const float x = particle.originX + (particle.velocityX + 0.5f * gravityX * age) * age;
    const float y = particle.originY + (particle.velocityY + 0.5f * gravityY * age) * age;
    const float degrees = particle.rotation + particle.angularVelocity * age;
    if (batch) {
        batchParticle(*batch, c, x, y, degrees, w, h, s, t);
        return;
    }
    glColor4f(c.r, c.g, c.b, c.a);

    glPushMatrix();
    glTranslatef(x, y, 0.0f);
    glRotatef(degrees, 0.0f, 0.0f, 1.0f);
    drawParticle(w, h, s, t);
    glPopMatrix();
}

void SGParticleSystemNode::batchParticle(SGQuadBatch& batch, const SGColor& c, float x, float y, float degrees,
                                         float width, float height, float s, float t)
{
    const float hw = width * 0.5f;
    const float hh = height * 0.5f;
    const float xs[4] = {-hw, hw, hw, -hw};
    const float ys[4] = {-hh, -hh, hh, hh};
    const float us[4] = {0.0f, s, s, 0.0f};
    const float vs[4] = {0.0f, 0.0f, t, t};
    batch.setState(image.isPresent(), image.texture, batchBlend_.source, batchBlend_.destination, c);
    batch.setTransform(x, y, degrees, 0.0f, 0.0f);
    batch.addQuad(xs, ys, us, vs);
}

void SGParticleSystemNode::drawLivingParticles(float time, float s, float t, SGQuadBatch* batch)
{
    for (int32_t i = 0; i < particleCount; ++i) {
        SGParticle& particle = particles[i];
        const float age = time - particle.startTime;
        if (!(age > 0.0f && particle.lifetime > age))
            continue;
        if (!particle.initialized)
            randomizeParticle(&particle);
        drawLivingParticle(particle, age, s, t, batch);
    }
}

void SGParticleSystemNode::renderAtTime(float time)
{
    const SGBlendMode mode = blendingModePort.intValue();
    const bool textured = image.isPresent();
    float s = 1.0f;
    float t = 1.0f;
    SGQuadBatch& shared = SGQuadBatch::shared();
    if (SGQuadBatch::enabled() && shared.collecting()) {
        // The batch sets and restores texturing and blending itself.
        batchBlend_ = SGBlendFactorsFor(mode, textured ? image.premultipliedAlpha : 0);
        if (textured) {
            s = static_cast<float>(image.width);
            t = static_cast<float>(image.height);
        }
        drawLivingParticles(time, s, t, &shared);
        return;
    }
    if (textured) {
        SGSetBlendMode(mode, image.premultipliedAlpha);
        glEnable(GL_TEXTURE_RECTANGLE_ARB);
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, image.texture);
        s = static_cast<float>(image.width);
        t = static_cast<float>(image.height);
    } else {
        SGSetBlendMode(mode, 0);
        glDisable(GL_TEXTURE_RECTANGLE_ARB);
    }

    glPushMatrix();
    drawLivingParticles(time, s, t, nullptr);
    glPopMatrix();

    SGRestoreBlendMode();
    if (!textured)
        glEnable(GL_TEXTURE_RECTANGLE_ARB);
}

void SGParticleSystemNode::compute()
{
    dirty = false;
    if (!particles) {
        allocateParticles();
        updateParticleSystem();
        generateParticles();
    } else {
        updateParticleSystem();
    }
    const float time = timePort.numberValue();
    refreshParticles(time);
    renderAtTime(time);
}
