// Real output: sounds decoded and played through the manager's sources are
// mixed by OpenAL Soft's wave backend into a file, which is then analysed.
#include <gtest/gtest.h>

#include <AL/al.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "AudioTestSupport.h"
#include "audio/SoundManager.h"
#include "TestSupport.h"
#include "audio/TNAudioSource.h"
#include "audio/TNSoundDecoding.h"

using namespace tern_audio_test;

namespace {

struct Segment {
    size_t begin, end;
};

// Runs of audible samples separated by at least a tenth of a second of quiet.
std::vector<Segment> audibleSegments(const std::vector<int16_t>& samples, int rate)
{
    std::vector<Segment> segments;
    const size_t gap = static_cast<size_t>(rate / 10);
    size_t lastLoud = 0;
    bool inSegment = false;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) < 300)
            continue;
        if (!inSegment || i - lastLoud > gap) {
            segments.push_back({i, i + 1});
            inSegment = true;
        }
        segments.back().end = i + 1;
        lastLoud = i;
    }
    return segments;
}

void playToEnd(SoundManager& manager, const std::string& path)
{
    const TNSoundBuffers sound = TNDecodeSoundFile(path.c_str());
    TNAudioSource* source = manager.reserveSource();
    source->queueBuffers(sound.buffers, sound.bufferCount);
    manager.playSource(source);
    while (!source->isStopped())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    manager.update();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    alDeleteBuffers(sound.bufferCount, sound.buffers);
    delete[] sound.buffers;
}

TEST(WaveOutput, DecodedSoundsPlayAtTheirFrequencies)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const SharedTestDir dir;
    const std::string& base = dir.path();
    const std::string wavePath = base + "/out.wav";
    useWaveOutput(base + "/alsoft.conf", wavePath);

    const std::vector<std::pair<std::string, std::string>> sounds = {
        {"a.ogg", "-r 22050 -c 1 %s synth 0.3 sine 440"},
        {"b.caf", "-r 22050 -c 1 -b 8 %s synth 0.3 sine 660"},
        {"c.caf", "-r 11025 -c 1 -b 16 %s synth 0.3 sine 550"},
        {"d.wav", "-r 44100 -c 2 -b 16 %s synth 0.3 sine 330"},
    };
    EXPECT_EXIT(
        {
            SoundManager manager;
            for (const auto& [name, format] : sounds) {
                const std::string path = base + "/" + name;
                std::string command = "sox -n " + format;
                command.replace(command.find("%s"), 2, path);
                if (!makeMedia(command))
                    std::exit(2);
                playToEnd(manager, path);
            }
            closeOutputDevice();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");

    const WaveSamples wave = readWave(wavePath);
    ASSERT_EQ(wave.sampleRate, 22050);
    ASSERT_EQ(wave.channels, 1);
    const std::vector<Segment> segments = audibleSegments(wave.samples, wave.sampleRate);
    ASSERT_EQ(segments.size(), 4u);
    const double frequencies[] = {440, 660, 550, 330};
    for (size_t i = 0; i < segments.size(); ++i) {
        const Segment& s = segments[i];
        SCOPED_TRACE("sound " + std::to_string(i));
        EXPECT_NEAR((s.end - s.begin) / 22050.0, 0.3, 0.02);
        // The middle of the segment, away from the edges.
        const size_t from = s.begin + 1000, to = s.end - 1000;
        EXPECT_NEAR(zeroCrossingFrequency(wave.samples, from, to, 22050), frequencies[i], frequencies[i] * 0.02);
        EXPECT_GT(energyShareAt(wave.samples, from, to, 22050, frequencies[i]), 0.9);
        EXPECT_GT(rms(wave.samples, from, to), 5000);
    }
}

}  // namespace
