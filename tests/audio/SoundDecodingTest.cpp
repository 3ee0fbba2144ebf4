// Sound files decoded into OpenAL buffers: Ogg, CAF, and the converting
// path with its FFmpeg fallback. Test files are made with sox and ffmpeg.
#include <gtest/gtest.h>

#include <AL/al.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>

#include <vorbis/vorbisfile.h>

#include "AudioTestSupport.h"
#include "audio/SoundManager.h"
#include "TestSupport.h"
#include "audio/TNSoundDecoding.h"
#include "audio/databuffer.h"
#include "audio/SGSound.h"

using tern_audio_test::bufferInt;
using tern_audio_test::makeMedia;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

class SoundDecodingTest : public testing::Test {
protected:
    static void SetUpTestSuite() { manager = new SoundManager(); }
    static void TearDownTestSuite()
    {
        delete manager;
        manager = nullptr;
    }
    void TearDown() override
    {
        for (SGSound& sound : loaded)
            sound.freeSound();
    }

    std::string file(const std::string& name) const { return dir.file(name); }

    // Decodes and keeps the result for clean-up; expects one buffer.
    ALuint decode(const std::string& path)
    {
        const SGSound sound = SGSound::loadFromFile(path.c_str());
        loaded.push_back(sound);
        EXPECT_EQ(sound.bufferCount, 1);
        return sound.buffers ? sound.buffers[0] : 0;
    }

    // True when decoding threw the int 1, with one line naming the file.
    bool decodeThrows(const std::string& path)
    {
        CaptureStdout();
        bool threw = false;
        try {
            decode(path);
        } catch (int code) {
            threw = code == 1;
        }
        const std::string output = GetCapturedStdout();
        EXPECT_NE(output.find(path), std::string::npos) << output;
        return threw;
    }

    static SoundManager* manager;
    tern_test::TempDir dir;
    std::vector<SGSound> loaded;
};
SoundManager* SoundDecodingTest::manager = nullptr;

// A file made by the command (%s is its path) and what its one OpenAL
// buffer holds: Ogg and PCM CAF keep their channels and sample size, every
// other path (".OGG" too: the suffix test is case-sensitive, and looks at
// the end of the name only) gives 16-bit mono.
struct DecodedFile {
    const char* name;
    const char* command;
    ALint channels, bits, frequency, size, sizeTolerance;
};

const DecodedFile kDecodedFiles[] = {
    {"mono.ogg", "sox -n -r 22050 -c 1 %s synth 0.5 sine 440", 1, 16, 22050, 22050, 0},
    {"stereo.ogg", "sox -n -r 44100 -c 2 %s synth 1 sine 440", 2, 16, 44100, 44100 * 4, 0},
    // 65536 mono frames decode to exactly 131072 bytes: one full link.
    {"exact.ogg", "sox -n -r 32768 -c 1 %s synth 2 sine 440", 1, 16, 32768, 131072, 0},
    {"mono8.caf", "sox -n -r 22050 -c 1 -b 8 %s synth 0.2 sine 440", 1, 8, 22050, 4410, 0},
    {"stereo8.caf", "sox -n -r 22050 -c 2 -b 8 %s synth 0.2 sine 440", 2, 8, 22050, 8820, 0},
    // sox stores 16-bit CAF big-endian, ffmpeg little-endian: both play.
    {"big16.caf", "sox -n -r 11025 -c 2 -b 16 %s synth 0.2 sine 440", 2, 16, 11025, 2205 * 4, 0},
    {"little16.caf", "ffmpeg -y -f lavfi -i sine=frequency=440:duration=0.2:sample_rate=22050 -c:a pcm_s16le -f caf %s",
     1, 16, 22050, 4410 * 2, 0},
    // IMA4 ADPCM: libsndfile cannot read it, FFmpeg can (whole packets of 64 frames).
    {"ima4.caf",
     "ffmpeg -y -f lavfi -i sine=frequency=440:duration=0.5:sample_rate=22050 -ac 2 -c:a adpcm_ima_qt -f caf %s", 1,
     16, 22050, 11025 * 2, 64 * 2},
    {"stereo.ogg.wav", "sox -n -r 44100 -c 2 -b 16 %s synth 0.25 sine 440", 1, 16, 44100, 11025 * 2, 0},
    {"stereo.OGG", "sox -n -t ogg -r 22050 -c 2 %s synth 0.5 sine 440", 1, 16, 22050, 11025 * 2, 0},
    {"stereo.m4a", "ffmpeg -y -f lavfi -i sine=frequency=440:duration=0.5:sample_rate=44100 -ac 2 -c:a aac %s", 1, 16,
     44100, 22050 * 2, 2048 * 2},
};

TEST_F(SoundDecodingTest, EachPathGivesItsFormat)
{
    for (const DecodedFile& f : kDecodedFiles) {
        std::string command = f.command;
        command.replace(command.find("%s"), 2, file(f.name));
        ASSERT_TRUE(makeMedia(command)) << command;
        const ALuint buffer = decode(file(f.name));
        EXPECT_EQ(bufferInt(buffer, AL_CHANNELS), f.channels) << f.name;
        EXPECT_EQ(bufferInt(buffer, AL_BITS), f.bits) << f.name;
        EXPECT_EQ(bufferInt(buffer, AL_FREQUENCY), f.frequency) << f.name;
        EXPECT_NEAR(bufferInt(buffer, AL_SIZE), f.size, f.sizeTolerance) << f.name;
    }
}

TEST_F(SoundDecodingTest, FloatPCMHasNoOpenALFormatButKeepsItsBuffer)
{
    const std::string floats = file("float.caf");
    ASSERT_TRUE(makeMedia("sox -n -r 22050 -c 1 -e floating-point -b 32 " + floats + " synth 0.1 sine 440"));
    CaptureStdout();
    const ALuint kept = decode(floats);
    EXPECT_EQ(GetCapturedStdout(), "OpenAL error 40962 in call to CAFToOpenAL: alBufferData\n");
    EXPECT_NE(kept, 0u);
}

// Missing, corrupt and unplayable files, and sounds longer than the limit,
// throw after one line naming the file.
TEST_F(SoundDecodingTest, FilesThatGiveNoSoundThrow)
{
    const std::string garbage(4096, '\x5a');
    for (const char* name : {"garbage.ogg", "garbage.caf", "garbage.wav"})
        tern_test::writeFile(file(name), garbage);
    const std::string longer = " trim 0 " + std::to_string(TNMaxSoundSeconds + 1);
    ASSERT_TRUE(makeMedia("sox -n -r 8000 -c 6 " + file("six.wav") + " synth 0.1 sine 440"));
    ASSERT_TRUE(makeMedia("sox -n -r 8000 -c 1 -b 16 " + file("long.wav") + longer));
    ASSERT_TRUE(makeMedia("sox -n -r 8000 -c 1 " + file("long.ogg") + longer));
    ASSERT_TRUE(makeMedia("sox -n -r 8000 -c 1 -b 8 " + file("long.caf") + longer));
    // A 16-bit PCM CAF whose description claims 1e300 frames a second.
    std::string hugeRate("caff\0\1\0\0desc\0\0\0\0\0\0\0\x20", 20);
    hugeRate += std::string("\x7e\x37\xe4\x3c\x88\x00\x75\x9c", 8) + "lpcm" + std::string("\0\0\0\2\0\0\0\2", 8) +
                std::string("\0\0\0\1\0\0\0\1\0\0\0\x10", 12) + std::string("data\0\0\0\0\0\0\0\x0c\0\0\0\0", 16) +
                std::string(8, '\1');
    tern_test::writeFile(file("rate.caf"), hugeRate);
    for (const char* name : {"missing.ogg", "missing.caf", "missing.wav", "garbage.ogg", "garbage.caf", "garbage.wav",
                             "six.wav", "long.wav", "long.ogg", "long.caf", "rate.caf"})
        EXPECT_TRUE(decodeThrows(file(name))) << name;
}

TEST_F(SoundDecodingTest, DamagedOggKeepsWhatDecodesAndFinishes)
{
    const std::string wholePath = file("whole.ogg");
    ASSERT_TRUE(makeMedia("sox -n -r 22050 -c 1 " + wholePath + " synth 10 sine 440 pinknoise"));
    const std::string whole = tern_test::readFile(wholePath);
    const ALint wholeSize = 10 * 22050 * 2;

    // Cut off after 60 % of the pages.
    tern_test::writeFile(file("cut.ogg"), whole.substr(0, whole.size() * 6 / 10));
    CaptureStdout();
    ALuint cut = 0;
    EXPECT_NO_THROW(cut = decode(file("cut.ogg")));
    GetCapturedStdout();
    EXPECT_GT(bufferInt(cut, AL_SIZE), wholeSize / 2);
    EXPECT_LT(bufferInt(cut, AL_SIZE), wholeSize * 7 / 10);

    // Garbage over a tenth of the pages: the read error is reported once and
    // decoding carries on after it.
    std::string damaged = whole;
    for (size_t i = damaged.size() * 4 / 10; i < damaged.size() * 5 / 10; ++i)
        damaged[i] = static_cast<char>(i * 7);
    tern_test::writeFile(file("damaged.ogg"), damaged);
    CaptureStdout();
    ALuint kept = 0;
    EXPECT_NO_THROW(kept = decode(file("damaged.ogg")));
    const std::string output = GetCapturedStdout();
    EXPECT_EQ(output, "Ogg read had an error (1 in " + file("damaged.ogg") + ")\n");
    EXPECT_GT(bufferInt(kept, AL_SIZE), wholeSize * 8 / 10);
}

TEST_F(SoundDecodingTest, OggReadErrorsWithoutProgressEndDecoding)
{
    // A stream that was only test-opened answers every read with an error
    // and never makes progress: decoding must end rather than spin.
    const std::string path = file("noise.ogg");
    ASSERT_TRUE(makeMedia("sox -n -r 22050 -c 1 " + path + " synth 1 pinknoise"));
    FILE* stream = std::fopen(path.c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    OggVorbis_File vf;
    ASSERT_EQ(ov_test_callbacks(stream, &vf, nullptr, 0, OV_CALLBACKS_DEFAULT), 0);

    CaptureStdout();
    const TNOggChain chain = TNReadOggChain(&vf, "noise.ogg", 1u << 30);
    const std::string output = GetCapturedStdout();
    std::string expected;
    for (int i = 0; i < TNMaxOggErrorsWithoutProgress; ++i)
        expected += "Ogg read had an error";
    expected += " (32 in noise.ogg; gave up and kept the sound decoded so far)\n";
    EXPECT_EQ(output, expected);
    EXPECT_FALSE(chain.tooLong);
    EXPECT_EQ(databuffer_count(chain.first), 1u);
    EXPECT_EQ(databuffer_totalsize(chain.first), 0u);
    databuffer_free(chain.first);
    ov_clear(&vf);
}

// A damaged WAV of 336 bytes whose chunks make FFmpeg's demuxer ask for 1.6 GB
// in one zeroed block: refused with its one line, and the process does not
// grow by anything like that.
TEST_F(SoundDecodingTest, AFileAskingForAHugeBlockIsRefusedWithoutTakingIt)
{
    const std::string path = std::string(TERN_SOURCE_DIR) + "/tests/audio/data/huge-allocation.wav";
    const auto peak = [] { rusage usage{}; getrusage(RUSAGE_SELF, &usage); return usage.ru_maxrss; };
    const long before = peak();
    EXPECT_TRUE(decodeThrows(path));
    EXPECT_LT(peak() - before, 256 * 1024);
}

}  // namespace
