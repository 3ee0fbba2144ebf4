// The audio source and the sound manager's pool on OpenAL Soft's null output.
#include <gtest/gtest.h>

#include <AL/al.h>
#include <AL/alc.h>

#include <chrono>
#include <utility>
#include <thread>
#include <vector>

#include "AudioTestSupport.h"
#include "audio/SoundManager.h"
#include "audio/TNAudioSource.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

// A buffer of silence lasting the given seconds (mono 16-bit, 22050 Hz).
ALuint makeSilence(double seconds)
{
    std::vector<int16_t> samples(static_cast<size_t>(seconds * 22050));
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, AL_FORMAT_MONO16, samples.data(), static_cast<ALsizei>(samples.size() * 2), 22050);
    return buffer;
}

// Waits (at most two seconds) until the source has stopped by itself.
bool waitUntilStopped(const TNAudioSource* source)
{
    return tern_test::waitUntil([&] { return source->isStopped(); }, std::chrono::seconds(2),
                                std::chrono::milliseconds(10));
}

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
        silence = makeSilence(0.05);
    }
    void TearDown() override
    {
        delete manager;
        alDeleteBuffers(1, &silence);
    }

    // Reserves a source, queues the short silence and plays it.
    TNAudioSource* playShortSound()
    {
        TNAudioSource* source = manager->reserveSource();
        source->finishedCallback = FinishedLog::record;
        source->queueBuffers(&silence, 1);
        manager->playSource(source);
        return source;
    }

    SoundManager* manager = nullptr;
    ALuint silence = 0;
};

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
    const std::pair<ALenum, ALfloat> expected[] = {
        {AL_GAIN, 0.25f}, {AL_PITCH, 1.5f}, {AL_REFERENCE_DISTANCE, 50.0f}, {AL_ROLLOFF_FACTOR, 1.0f}};
    for (const auto& [parameter, value] : expected) {
        ALfloat got = -1;
        alGetSourcef(source->sourceName(), parameter, &got);
        EXPECT_FLOAT_EQ(got, value) << parameter;
    }
    ALfloat position[3] = {1, 1, 1};
    alGetSourcefv(source->sourceName(), AL_POSITION, position);
    EXPECT_TRUE(position[0] == 0 && position[1] == 0) << position[0] << ", " << position[1];
    ALint buffer = -1;
    alGetSourcei(source->sourceName(), AL_BUFFER, &buffer);
    EXPECT_EQ(buffer, 0);

    CaptureStdout();
    source->setPitch(-1.0f);
    source->queueBuffers(nullptr, 1);  // a sound whose decoding gave no buffer
    EXPECT_EQ(GetCapturedStdout(),
        "OpenAL error 40963 in call to TNAudioSource::setPitch: alSourcef\n"
        "OpenAL error 40963 in call to TNAudioSource::queueBuffers: alSourceQueueBuffers\n");
}

TEST_F(SoundManagerTest, ThirtyThirdReservationFailsWithoutDisturbingOthers)
{
    std::vector<TNAudioSource*> sources;
    for (int i = 0; i < SoundManager::kPoolSize; ++i)
        sources.push_back(manager->reserveSource());
    for (size_t i = 1; i < sources.size(); ++i)
        EXPECT_LT(sources[i - 1], sources[i]) << "lowest address first";
    sources[0]->queueBuffers(&silence, 1);
    sources[0]->setLooping(true);
    manager->playSource(sources[0]);

    EXPECT_EQ(manager->reserveSource(), nullptr);
    EXPECT_EQ(manager->reservedCount(), 32);
    EXPECT_EQ(manager->freeCount(), 0);
    EXPECT_EQ(manager->playingCount(), 1);
    EXPECT_EQ(sources[0]->state(), AL_PLAYING);
}

TEST_F(SoundManagerTest, UpdateRecyclesFinishedSourcesAndCallsBackOnce)
{
    for (int i = 0; i < SoundManager::kPoolSize - 1; ++i)
        manager->reserveSource();
    TNAudioSource* source = playShortSound();
    ASSERT_EQ(manager->reserveSource(), nullptr);

    ASSERT_TRUE(waitUntilStopped(source));
    manager->update();
    manager->update();
    ASSERT_EQ(FinishedLog::calls.size(), 1u);
    EXPECT_EQ(FinishedLog::calls[0], source);
    EXPECT_EQ(manager->playingCount(), 0);
    ALint buffer = -1;
    alGetSourcei(source->sourceName(), AL_BUFFER, &buffer);
    EXPECT_EQ(buffer, 0);
    EXPECT_EQ(manager->reserveSource(), source) << "the recycled source is free again";
}

TEST_F(SoundManagerTest, UpdateLeavesPausedSourcesAlone)
{
    TNAudioSource* source = playShortSound();
    manager->pauseSource(source);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    manager->update();
    EXPECT_EQ(source->state(), AL_PAUSED);
    EXPECT_EQ(manager->playingCount(), 1);
    EXPECT_TRUE(FinishedLog::calls.empty());

    manager->playSource(source);  // resume
    ASSERT_TRUE(waitUntilStopped(source));
    manager->update();
    EXPECT_EQ(FinishedLog::calls.size(), 1u);
}

TEST_F(SoundManagerTest, StopRestartAndDestructionCallBackExactlyOnceEach)
{
    TNAudioSource* source = playShortSound();
    source->setLooping(true);
    manager->stopSource(source);
    EXPECT_EQ(FinishedLog::calls.size(), 1u);
    EXPECT_EQ(manager->freeCount(), 32);
    EXPECT_EQ(manager->playingCount(), 0);
    manager->update();
    EXPECT_EQ(FinishedLog::calls.size(), 1u) << "a later update does not see it";

    source = playShortSound();
    source->setLooping(true);
    manager->restartSource(source);
    EXPECT_EQ(source->state(), AL_PLAYING);
    EXPECT_EQ(manager->playingCount(), 1);
    delete manager;  // stops the playing source through stopSource
    manager = nullptr;
    EXPECT_EQ(FinishedLog::calls.size(), 2u);
}

TEST_F(SoundManagerTest, SecondManagerSharesDeviceAndContext)
{
    ALCcontext* context = alcGetCurrentContext();
    auto* second = new SoundManager();
    EXPECT_EQ(alcGetCurrentContext(), context);
    delete second;  // (making a manager's context current again: the module's test)
}

}  // namespace
