// Decoding music files of each format the player accepts.
#include <gtest/gtest.h>

#include "MusicMedia.h"
#include "music/TNMusicDecoder.h"

using music_test::media;

namespace {

// Decodes the whole file in the output format, of the given channels.
std::vector<int16_t> decodeAll(TNMusicDecoder& decoder, int channels = 2)
{
    std::vector<int16_t> all;
    std::vector<int16_t> chunk(4096 * 2);
    while (int frames = decoder.read(chunk.data(), 4096))
        all.insert(all.end(), chunk.begin(), chunk.begin() + frames * channels);
    return all;
}

}  // namespace

TEST(MusicDecoder, DecodesEachFormatToOneSecondOfSine)
{
    for (const char* name : {"sine.m4a", "sine.mp3", "sine.ogg", "sine.wav", "sine.caf"}) {
        std::string error;
        auto decoder = TNMusicDecoder::open(media(name), error);
        ASSERT_TRUE(decoder) << name << ": " << error;
        ASSERT_TRUE(decoder->setOutputFormat(44100, 2));
        const std::vector<int16_t> samples = decodeAll(*decoder);
        // Encoders add a little padding; the length stays within 5%.
        EXPECT_NEAR(static_cast<double>(samples.size() / 2), 44100.0, 2205.0) << name;
        EXPECT_NEAR(music_test::peak(samples), 16384, 16384 * 0.15) << name;
    }
}

TEST(MusicDecoder, ConvertsToAnyOutputFormatAndRewinds)
{
    std::string error;
    auto decoder = TNMusicDecoder::open(media("sine.wav"), error);
    ASSERT_TRUE(decoder && decoder->setOutputFormat(22050, 1));
    const std::vector<int16_t> first = decodeAll(*decoder, 1);
    EXPECT_NEAR(static_cast<double>(first.size()), 22050.0, 100.0);
    ASSERT_TRUE(decoder->rewind());
    EXPECT_EQ(decodeAll(*decoder, 1), first);
}

TEST(MusicDecoder, RefusesWhatIsNotSound)
{
    for (const char* name : {"picture.png", "text.txt", "empty.wav", "missing.m4a"}) {
        std::string error;
        EXPECT_FALSE(TNMusicDecoder::open(media(name), error)) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
}
