// The intro's files (the loading picture, the movie) as FIFOs: refused with
// one line at once instead of blocking the main thread.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "GameViewSupport.h"
#include "TestSupport.h"
#include "intro/TNIntroViewController.h"
#include "intro/TNMovieDecoder.h"
#include "window/TNApplication.h"

using namespace tern_test;

TEST(IntroFiles, FifosAreRefusedWithOneLine)
{
    VideoSession video("offscreen");
    ASSERT_TRUE(video.ok()) << video.error();
    TestWindow window(320, 240);
    ASSERT_TRUE(window.ok());
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("Default.png").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(dir.file("intro-mac.mov").c_str(), 0600), 0);

    TNApplication application;
    testing::internal::CaptureStderr();
    TNLoadingImageViewController loading(window.window(), application, [] {}, dir.file("Default.png"));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(loading.imageWidth(), 0);
    EXPECT_EQ(said, "tern-player: cannot read the loading image " + dir.file("Default.png") +
                        ": is not a regular file\n");

    std::string error;
    EXPECT_FALSE(TNMovieDecoder::open(dir.file("intro-mac.mov"), error));
    EXPECT_NE(error.find("is not a regular file"), std::string::npos) << error;
}
