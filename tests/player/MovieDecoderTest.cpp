// Decoding the intro movie's frames.
#include <gtest/gtest.h>

#include "intro/TNMovieDecoder.h"
#include "TestSupport.h"

TEST(MovieDecoder, DecodesTheShippedIntroFrameByFrame)
{
    std::string error;
    auto decoder = TNMovieDecoder::open(std::string(TERN_SOURCE_DIR) + "/player/intro/Resources/intro-mac.mov",
                                        error);
    ASSERT_TRUE(decoder) << error;
    EXPECT_EQ(std::to_string(decoder->width()) + "x" + std::to_string(decoder->height()), "480x320");
    EXPECT_NEAR(decoder->frameDuration(), 1.0 / 24.0, 1e-6);
    int frames = 0;
    double last = -1.0;
    while (decoder->decodeNextFrame()) {
        EXPECT_GT(decoder->frameTime(), last);
        last = decoder->frameTime();
        ++frames;
    }
    EXPECT_EQ(frames, 48);
    // The last frame shows white text on a dark blue background.
    const std::vector<uint8_t>& rgba = decoder->rgba();
    EXPECT_LT(rgba[0], 60);
    EXPECT_GT(rgba[2], rgba[0]);
    int bright = 0;
    for (size_t i = 0; i < rgba.size(); i += 4)
        bright += rgba[i] > 200 && rgba[i + 1] > 200 && rgba[i + 2] > 200;
    EXPECT_GT(bright, 1000);
}

TEST(MovieDecoder, FilesWithoutVideoAreRefused)
{
    tern_test::TempDir dir;
    std::string error;
    EXPECT_FALSE(TNMovieDecoder::open(dir.file("none.mov"), error));
    EXPECT_FALSE(error.empty());
    tern_test::writeFile(dir.file("junk.mov"), std::string(4096, 'j'));
    EXPECT_FALSE(TNMovieDecoder::open(dir.file("junk.mov"), error));
    ASSERT_EQ(std::system(("sox -n -r 8000 " + dir.file("tone.wav") + " synth 0.1 sine 440").c_str()), 0);
    EXPECT_FALSE(TNMovieDecoder::open(dir.file("tone.wav"), error));
    EXPECT_NE(error.find("no video"), std::string::npos) << error;
}
