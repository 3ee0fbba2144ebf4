// Node class bits. Each class's constructor ORs its bit into the node's
// nodeClass, so a node carries the bits of all its classes. The numbers are
// the script's class constants.
#ifndef SG_NODE_CLASS_H
#define SG_NODE_CLASS_H

#include <cstdint>

using SGNodeClass = uint32_t;

constexpr SGNodeClass SGRenderNodeClass = 1;
constexpr SGNodeClass SGAttributeNodeClass = 2;
constexpr SGNodeClass SGArithmeticNodeClass = 4;
constexpr SGNodeClass SGAssetLoaderNodeClass = 8;
constexpr SGNodeClass SGClearNodeClass = 16;
constexpr SGNodeClass SGColorNodeClass = 32;
constexpr SGNodeClass SGImageLoaderNodeClass = 64;
constexpr SGNodeClass SGOrtho2DSpaceClass = 128;
constexpr SGNodeClass SGParticleSystemNodeClass = 256;
constexpr SGNodeClass SGReplicatorSpaceClass = 512;
constexpr SGNodeClass SGSpaceClass = 1024;
constexpr SGNodeClass SGSpriteNodeClass = 2048;
constexpr SGNodeClass SGSoundListenerNodeClass = 4096;
constexpr SGNodeClass SGSoundLoaderNodeClass = 8192;
constexpr SGNodeClass SGSoundPlayerNodeClass = 16384;
constexpr SGNodeClass SGStringToImageNodeClass = 32768;
constexpr SGNodeClass SGWrapSpaceClass = 65536;

#endif
