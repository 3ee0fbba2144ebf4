// The audio source, the sound manager's pool, and the sound player and
// listener nodes driving real OpenAL sources (null output).
#include <gtest/gtest.h>

#include <AL/al.h>
#include <AL/alc.h>

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "assets/AssetManager.h"
#include "audio/SoundManager.h"
#include "audio/TNAudioSource.h"
#include "audio/SGSound.h"
#include "scenegraph/nodes/SGSoundListenerNode.h"
#include "scenegraph/nodes/SGSoundPlayerNode.h"
#include "scenegraph/nodes/SGSpace.h"
#include "TestSupport.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

struct FinishedLog {
    static std::vector<TNAudioSource*> calls;
    static void record(TNAudioSource* source) { calls.push_back(source); }
};
std::vector<TNAudioSource*> FinishedLog::calls;

class SoundManagerTest : public testing::Test {
protected:
    void SetUp() override
    {
        FinishedLog::calls.clear();
        manager = new SoundManager();
        ASSERT_NE(alcGetCurrentContext(), nullptr) << "the null output should open";
        shortSound = makeSilence(0.05);
        longSound = makeSilence(2.0);
    }
    void TearDown() override
    {
        delete manager;
        shortSound.freeSound();
        longSound.freeSound();
    }

    // A one-buffer sound of silence (mono 16-bit, 22050 Hz), owned by the test.
    static SGSound makeSilence(double seconds)
    {
        std::vector<int16_t> samples(static_cast<size_t>(seconds * 22050));
        SGSound sound{new uint32_t[1](), 1};
        alGenBuffers(1, sound.buffers);
        alBufferData(sound.buffers[0], AL_FORMAT_MONO16, samples.data(), static_cast<ALsizei>(samples.size() * 2), 22050);
        return sound;
    }

    // Reserves a source, queues the short silence and plays it.
    TNAudioSource* playShortSound()
    {
        TNAudioSource* source = manager->reserveSource();
        source->finishedCallback = FinishedLog::record;
        source->queueBuffers(shortSound);
        manager->playSource(source);
        return source;
    }

    SGSoundPlayerNode* newPlayer(const SGSound& sound)
    {
        auto* node = new SGSoundPlayerNode(manager);
        node->sound.setValue(sound);
        return node;
    }

    static void trigger(SGSoundPlayerNode* node)
    {
        node->trigger.setValue(true);
        node->compute();
        node->trigger.setValue(false);
    }

    // Runs the manager's update until the node is idle (at most two seconds).
    bool waitUntilIdle(SGSoundPlayerNode* node)
    {
        return tern_test::waitUntil([&] { manager->update(); return !node->playing.value; },
                                    std::chrono::seconds(2), std::chrono::milliseconds(10));
    }

    static ALint sourceInt(const TNAudioSource* source, ALenum parameter)
    {
        ALint value = -1;
        alGetSourcei(source->sourceName(), parameter, &value);
        return value;
    }
    // The first of the source's values of parameter.
    static ALfloat sourceFloat(const TNAudioSource* source, ALenum parameter)
    {
        ALfloat values[3] = {-1, -1, -1};
        alGetSourcefv(source->sourceName(), parameter, values);
        return values[0];
    }

    SoundManager* manager = nullptr;
    SGSound shortSound = SGSoundNull;
    SGSound longSound = SGSoundNull;
};

using SoundNodesTest = SoundManagerTest;

TEST_F(SoundManagerTest, AudioSourceEdgeCasesAndErrorLabels)
{
    TNAudioSource* source = manager->reserveSource();
    source->setVolume(0.25f);
    source->setPitch(1.5f);
    source->setLocation(10, 20);

    CaptureStdout();
    source->setToDefault();
    source->unqueueBuffers();  // nothing processed: no call, no line
    source->stop();            // never played
    EXPECT_EQ(GetCapturedStdout(), "");

    // setToDefault keeps volume and pitch but not the place.
    const std::pair<ALenum, ALfloat> expected[] = {{AL_GAIN, 0.25f}, {AL_PITCH, 1.5f}, {AL_REFERENCE_DISTANCE, 50.0f},
                                                   {AL_ROLLOFF_FACTOR, 1.0f}, {AL_POSITION, 0.0f}};
    for (const auto& [parameter, value] : expected)
        EXPECT_FLOAT_EQ(sourceFloat(source, parameter), value) << parameter;
    EXPECT_EQ(sourceInt(source, AL_BUFFER), 0);

    CaptureStdout();
    source->setPitch(-1.0f);
    source->queueBuffers(nullptr, 1);  // a sound whose decoding gave no buffer
    EXPECT_EQ(GetCapturedStdout(),
        "OpenAL error 40963 in call to TNAudioSource::setPitch: alSourcef\n"
        "OpenAL error 40963 in call to TNAudioSource::queueBuffers: alSourceQueueBuffers\n");
}

// A source that finished is recycled by the update, a stopped one at once,
// and a playing one when the manager goes: each calls back exactly once.
TEST_F(SoundManagerTest, FinishedStoppedAndDestroyedSourcesCallBackOnceEach)
{
    for (int i = 0; i < SoundManager::kPoolSize - 1; ++i)
        manager->reserveSource();
    TNAudioSource* source = playShortSound();
    ASSERT_EQ(manager->reserveSource(), nullptr);
    ASSERT_TRUE(tern_test::waitUntil([&] { return source->isStopped(); }, std::chrono::seconds(2),
                                     std::chrono::milliseconds(10)));
    manager->update();
    manager->update();
    ASSERT_EQ(FinishedLog::calls, std::vector<TNAudioSource*>{source});
    EXPECT_EQ(manager->playingCount(), 0);
    EXPECT_EQ(sourceInt(source, AL_BUFFER), 0);

    ASSERT_EQ(playShortSound(), source) << "the recycled source is free again";
    source->setLooping(true);
    manager->stopSource(source);
    EXPECT_EQ(FinishedLog::calls.size(), 2u);
    EXPECT_EQ(manager->freeCount(), 1);
    EXPECT_EQ(manager->playingCount(), 0);
    manager->update();
    EXPECT_EQ(FinishedLog::calls.size(), 2u) << "a later update does not see it";

    source = playShortSound();
    source->setLooping(true);
    manager->restartSource(source);
    EXPECT_EQ(source->state(), AL_PLAYING);
    EXPECT_EQ(manager->playingCount(), 1);
    delete manager;  // stops the playing source through stopSource
    manager = nullptr;
    EXPECT_EQ(FinishedLog::calls.size(), 3u);
}

TEST_F(SoundManagerTest, SecondManagerSharesDeviceAndContext)
{
    ALCcontext* context = alcGetCurrentContext();
    auto* second = new SoundManager();
    EXPECT_EQ(alcGetCurrentContext(), context);
    delete second;  // (making a manager's context current again: the module's test)
}

TEST_F(SoundNodesTest, ListenerStandsInFrontOfThePlaneAtFullGain)
{
    auto* listener = new SGSoundListenerNode();
    listener->x.setValue(740.0f);
    listener->compute();
    ALfloat position[3] = {0, 0, 0}, gain = 0;
    alGetListenerfv(AL_POSITION, position);
    alGetListenerf(AL_GAIN, &gain);
    EXPECT_EQ(std::vector<ALfloat>(position, position + 3), (std::vector<ALfloat>{740, 160, -50}));
    EXPECT_FLOAT_EQ(gain, 1.0f);
    listener->release();
}

TEST_F(SoundNodesTest, TriggerPlaysAndTheEndMakesTheNodeIdle)
{
    SGSoundPlayerNode* node = newPlayer(shortSound);
    node->x.setValue(12.0f);
    node->volume.setValue(0.5f);
    node->pitch.setValue(1.25f);
    trigger(node);
    ASSERT_NE(node->source, nullptr);
    EXPECT_EQ(node->buffersQueued, 1);
    TNAudioSource* source = node->source;
    EXPECT_EQ(sourceInt(source, AL_SOURCE_RELATIVE), AL_TRUE);
    EXPECT_FLOAT_EQ(sourceFloat(source, AL_POSITION), 12.0f);
    EXPECT_FLOAT_EQ(sourceFloat(source, AL_GAIN), 0.5f);
    EXPECT_FLOAT_EQ(sourceFloat(source, AL_PITCH), 1.25f);

    // While it plays, an input change makes the node compute, and every
    // compute pushes the inputs.
    node->x.setValue(30.0f);
    EXPECT_TRUE(node->dirty);
    node->compute();
    EXPECT_FLOAT_EQ(sourceFloat(source, AL_POSITION), 30.0f);

    ASSERT_TRUE(waitUntilIdle(node));
    EXPECT_EQ(node->source, nullptr);
    EXPECT_EQ(node->buffersQueued, 0);
    node->release();
}

TEST_F(SoundNodesTest, StopAndTriggerTogetherRestartOnAFreshSource)
{
    SGSoundPlayerNode* node = newPlayer(longSound);
    trigger(node);
    // Let it play a little (the mixer may lag on a busy machine).
    tern_test::waitUntil([&] { return sourceInt(node->source, AL_SAMPLE_OFFSET) >= 2205; },
                         std::chrono::milliseconds(1500), std::chrono::milliseconds(10));
    const ALint playedOffset = sourceInt(node->source, AL_SAMPLE_OFFSET);
    ASSERT_GE(playedOffset, 2205);

    node->stop.setValue(true);
    trigger(node);
    ASSERT_NE(node->source, nullptr);
    EXPECT_TRUE(node->playing.value);
    EXPECT_EQ(node->source->state(), AL_PLAYING);
    EXPECT_LT(sourceInt(node->source, AL_SAMPLE_OFFSET), playedOffset) << "from the beginning";
    EXPECT_EQ(manager->playingCount(), 1);
    EXPECT_EQ(manager->reservedCount(), 1);
    node->release();
}

TEST_F(SoundNodesTest, PauseAndResume)
{
    SGSoundPlayerNode* node = newPlayer(longSound);
    trigger(node);
    node->pause.setValue(true);
    node->compute();
    manager->update();  // a paused source is not finished
    ASSERT_TRUE(node->playing.value);
    EXPECT_EQ(node->source->state(), AL_PAUSED);

    node->resume.setValue(true);  // pause and resume together: paused, then played
    node->compute();
    EXPECT_EQ(node->source->state(), AL_PLAYING);
    node->pause.setValue(false);
    node->resume.setValue(false);
    node->release();
}

TEST_F(SoundNodesTest, PoolExhaustionLeavesTheNextNodeIdle)
{
    std::vector<SGSoundPlayerNode*> nodes;
    for (int i = 0; i < SoundManager::kPoolSize; ++i) {
        nodes.push_back(newPlayer(longSound));
        trigger(nodes.back());
        ASSERT_NE(nodes.back()->source, nullptr);
    }
    for (size_t i = 1; i < nodes.size(); ++i)
        EXPECT_LT(nodes[i - 1]->source, nodes[i]->source) << "lowest address first";
    SGSoundPlayerNode* extra = newPlayer(longSound);
    trigger(extra);
    EXPECT_EQ(extra->source, nullptr);
    EXPECT_FALSE(extra->playing.value);

    // Once a source is free, the still-true trigger gets it.
    nodes[5]->stop.setValue(true);
    nodes[5]->compute();
    extra->trigger.setValue(true);
    extra->compute();
    EXPECT_TRUE(extra->playing.value);
    extra->release();
    for (SGSoundPlayerNode* node : nodes)
        node->release();
}

TEST_F(SoundNodesTest, DestroyedNodeLetsTheSoundFinishWithoutCallingIt)
{
    SGSoundPlayerNode* node = newPlayer(shortSound);
    trigger(node);
    TNAudioSource* source = node->source;
    node->release();
    EXPECT_EQ(source->owner, nullptr);
    EXPECT_EQ(source->finishedCallback, nullptr);
    EXPECT_EQ(source->state(), AL_PLAYING) << "not stopped by the node's end";
}

// No buffers: nothing queued, the source still plays and ends at once. (A
// node without a manager: the deleted-manager test.)
TEST_F(SoundNodesTest, AnEmptySoundPlaysAndEndsAtOnce)
{
    SGSoundPlayerNode* empty = newPlayer(SGSoundNull);
    trigger(empty);
    EXPECT_TRUE(empty->playing.value);
    EXPECT_EQ(empty->buffersQueued, 0);
    manager->update();
    EXPECT_FALSE(empty->playing.value);
    empty->release();
}

// One node plays, one holds a source it reserved but has not played yet;
// the manager is deleted and a new one made (maybe at the same address).
// These nodes, and one the space makes afterwards, stay idle and never touch
// the sources the old manager freed (an OpenAL call on one would print).
TEST_F(SoundNodesTest, ADeletedManagerLeavesItsNodesIdleWithoutTheirSources)
{
    SGSpace space(manager, nullptr);
    auto* playingNode = static_cast<SGSoundPlayerNode*>(space.createNode(SGSoundPlayerNodeClass));
    playingNode->sound.setValue(longSound);
    trigger(playingNode);
    ASSERT_TRUE(playingNode->playing.value);
    SGSoundPlayerNode* holding = newPlayer(longSound);
    ASSERT_NE(holding->reserveSourceIfNeeded(), nullptr);

    CaptureStdout();
    delete manager;
    manager = new SoundManager();
    auto* later = static_cast<SGSoundPlayerNode*>(space.createNode(SGSoundPlayerNodeClass));
    for (SGSoundPlayerNode* node : {playingNode, holding, later}) {
        node->sound.setValue(longSound);
        trigger(node);
        EXPECT_FALSE(node->playing.value);
        EXPECT_EQ(node->source, nullptr);
        EXPECT_EQ(node->soundManager.get(), nullptr);
    }
    EXPECT_EQ(holding->reserveSourceIfNeeded(), nullptr);
    EXPECT_EQ(manager->freeCount(), SoundManager::kPoolSize);
    EXPECT_EQ(GetCapturedStdout(), "");
    holding->release();
}

}  // namespace
