// Sound files decoded into OpenAL buffers: Ogg, CAF, and the converting
// path with its FFmpeg fallback. Test files are made with sox and ffmpeg.
#include <gtest/gtest.h>

#include <AL/al.h>

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

    // A sine of the given length made by sox: "-r 22050 -c 1 -b 16" etc.
    std::string sine(const std::string& name, const std::string& format, double seconds)
    {
        const std::string path = file(name);
        EXPECT_TRUE(makeMedia("sox -n " + format + " " + path + " synth " + std::to_string(seconds) + " sine 440"))
            << name;
        return path;
    }

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

TEST(SoundDecodingHelpers, HasSuffixAndDatabufferChain)
{
    EXPECT_TRUE(hasSuffix("a.ogg", ".ogg"));
    EXPECT_TRUE(hasSuffix(".ogg", ".ogg"));
    EXPECT_FALSE(hasSuffix("a.OGG", ".ogg"));
    EXPECT_FALSE(hasSuffix("ogg", ".ogg"));
    EXPECT_FALSE(hasSuffix("a.ogg.wav", ".ogg"));

    EXPECT_EQ(databuffer_count(nullptr), 0u);
    EXPECT_EQ(databuffer_totalsize(nullptr), 0u);
    databuffer* first = databuffer_new();
    first->size = databuffer::kCapacity;
    first->next = databuffer_new();
    first->next->size = 10;
    EXPECT_EQ(databuffer_count(first), 2u);
    EXPECT_EQ(databuffer_totalsize(first), 131082u);
    databuffer_free(first);
}

TEST_F(SoundDecodingTest, OggMonoAndStereoKeepTheirFormat)
{
    const ALuint mono = decode(sine("mono.ogg", "-r 22050 -c 1", 0.5));
    EXPECT_EQ(bufferInt(mono, AL_CHANNELS), 1);
    EXPECT_EQ(bufferInt(mono, AL_BITS), 16);
    EXPECT_EQ(bufferInt(mono, AL_FREQUENCY), 22050);
    EXPECT_EQ(bufferInt(mono, AL_SIZE), 22050);  // 11025 frames x 2 bytes

    const ALuint stereo = decode(sine("stereo.ogg", "-r 44100 -c 2", 1.0));
    EXPECT_EQ(bufferInt(stereo, AL_CHANNELS), 2);
    EXPECT_EQ(bufferInt(stereo, AL_FREQUENCY), 44100);
    EXPECT_EQ(bufferInt(stereo, AL_SIZE), 44100 * 4);
}

TEST_F(SoundDecodingTest, OggOfExactlyOneChunkAndOfSeveralChunks)
{
    // 65536 mono frames decode to exactly 131072 bytes: one full link.
    const std::string exact = file("exact.ogg");
    ASSERT_TRUE(makeMedia("sox -n -r 32768 -c 1 " + exact + " synth 2 sine 440"));
    EXPECT_EQ(bufferInt(decode(exact), AL_SIZE), 131072);

    const ALuint longer = decode(sine("longer.ogg", "-r 48000 -c 2", 3.0));
    EXPECT_EQ(bufferInt(longer, AL_SIZE), 48000 * 3 * 4);
}

TEST_F(SoundDecodingTest, CafEightAndSixteenBitMonoAndStereo)
{
    const ALuint mono8 = decode(sine("mono8.caf", "-r 22050 -c 1 -b 8", 0.2));
    EXPECT_EQ(bufferInt(mono8, AL_BITS), 8);
    EXPECT_EQ(bufferInt(mono8, AL_CHANNELS), 1);
    EXPECT_EQ(bufferInt(mono8, AL_SIZE), 4410);

    const ALuint stereo8 = decode(sine("stereo8.caf", "-r 22050 -c 2 -b 8", 0.2));
    EXPECT_EQ(bufferInt(stereo8, AL_BITS), 8);
    EXPECT_EQ(bufferInt(stereo8, AL_CHANNELS), 2);

    // sox stores 16-bit CAF big-endian, ffmpeg little-endian: both play.
    const ALuint big16 = decode(sine("big16.caf", "-r 11025 -c 2 -b 16", 0.2));
    EXPECT_EQ(bufferInt(big16, AL_BITS), 16);
    EXPECT_EQ(bufferInt(big16, AL_CHANNELS), 2);
    EXPECT_EQ(bufferInt(big16, AL_FREQUENCY), 11025);
    EXPECT_EQ(bufferInt(big16, AL_SIZE), 2205 * 4);
    const std::string little = file("little16.caf");
    ASSERT_TRUE(makeMedia("ffmpeg -y -f lavfi -i sine=frequency=440:duration=0.2:sample_rate=22050 -c:a pcm_s16le -f caf " + little));
    const ALuint little16 = decode(little);
    EXPECT_EQ(bufferInt(little16, AL_BITS), 16);
    EXPECT_EQ(bufferInt(little16, AL_SIZE), 4410 * 2);
}

TEST_F(SoundDecodingTest, CafOfOtherEncodingsIsConvertedOrReported)
{
    // IMA4 ADPCM: libsndfile cannot read it, FFmpeg can; the result is mono.
    const std::string ima4 = file("ima4.caf");
    ASSERT_TRUE(makeMedia("ffmpeg -y -f lavfi -i sine=frequency=440:duration=0.5:sample_rate=22050 -ac 2 -c:a adpcm_ima_qt -f caf " + ima4));
    const ALuint converted = decode(ima4);
    EXPECT_EQ(bufferInt(converted, AL_CHANNELS), 1);
    EXPECT_EQ(bufferInt(converted, AL_BITS), 16);
    EXPECT_EQ(bufferInt(converted, AL_FREQUENCY), 22050);
    EXPECT_NEAR(bufferInt(converted, AL_SIZE), 11025 * 2, 64 * 2);  // whole IMA4 packets of 64 frames

    // 32-bit float PCM has no OpenAL format: the buffer stays, the error is reported.
    const std::string floats = sine("float.caf", "-r 22050 -c 1 -e floating-point -b 32", 0.1);
    CaptureStdout();
    const ALuint kept = decode(floats);
    EXPECT_EQ(GetCapturedStdout(), "OpenAL error 40962 in call to CAFToOpenAL: alBufferData\n");
    EXPECT_NE(kept, 0u);
}

TEST_F(SoundDecodingTest, ConvertingPathMixesDownToMono)
{
    const ALuint wav = decode(sine("stereo.wav", "-r 44100 -c 2 -b 16", 0.25));
    EXPECT_EQ(bufferInt(wav, AL_CHANNELS), 1);
    EXPECT_EQ(bufferInt(wav, AL_BITS), 16);
    EXPECT_EQ(bufferInt(wav, AL_FREQUENCY), 44100);
    EXPECT_EQ(bufferInt(wav, AL_SIZE), 11025 * 2);

    // The suffix test is case-sensitive: ".OGG" is not the Ogg path.
    const ALuint upper = decode(sine("stereo.OGG", "-t ogg -r 22050 -c 2", 0.5));
    EXPECT_EQ(bufferInt(upper, AL_CHANNELS), 1);
    EXPECT_EQ(bufferInt(upper, AL_SIZE), 11025 * 2);

    // AAC goes through FFmpeg.
    const std::string aac = file("stereo.m4a");
    ASSERT_TRUE(makeMedia("ffmpeg -y -f lavfi -i sine=frequency=440:duration=0.5:sample_rate=44100 -ac 2 -c:a aac " + aac));
    const ALuint fromAac = decode(aac);
    EXPECT_EQ(bufferInt(fromAac, AL_CHANNELS), 1);
    EXPECT_EQ(bufferInt(fromAac, AL_FREQUENCY), 44100);
    EXPECT_NEAR(bufferInt(fromAac, AL_SIZE), 22050 * 2, 2048 * 2);
}

TEST_F(SoundDecodingTest, MissingCorruptAndUnplayableFilesThrow)
{
    EXPECT_TRUE(decodeThrows(file("missing.ogg")));
    EXPECT_TRUE(decodeThrows(file("missing.caf")));
    EXPECT_TRUE(decodeThrows(file("missing.wav")));

    const std::string garbage(4096, '\x5a');
    for (const char* name : {"garbage.ogg", "garbage.caf", "garbage.wav"}) {
        tern_test::writeFile(file(name), garbage);
        EXPECT_TRUE(decodeThrows(file(name))) << name;
    }
    EXPECT_TRUE(decodeThrows(sine("six.wav", "-r 8000 -c 6", 0.1))) << "more than two channels";
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

TEST_F(SoundDecodingTest, SoundsLongerThanTheLimitAreRefused)
{
    const std::string seconds = std::to_string(TNMaxSoundSeconds + 1);
    const std::string wav = file("long.wav");
    ASSERT_TRUE(makeMedia("sox -n -r 8000 -c 1 -b 16 " + wav + " trim 0 " + seconds));
    EXPECT_TRUE(decodeThrows(wav));
    const std::string ogg = file("long.ogg");
    ASSERT_TRUE(makeMedia("sox -n -r 8000 -c 1 " + ogg + " trim 0 " + seconds));
    EXPECT_TRUE(decodeThrows(ogg));
    const std::string caf = file("long.caf");
    ASSERT_TRUE(makeMedia("sox -n -r 8000 -c 1 -b 8 " + caf + " trim 0 " + seconds));
    EXPECT_TRUE(decodeThrows(caf));
}

}  // namespace
