// Image handles with a real GL context; sound handles with a real OpenAL
// context. (The clear node is drawn by the module's render-order test.)
#include <gtest/gtest.h>

#include <AL/al.h>
#include <AL/alc.h>
#include <GL/gl.h>

#include "OffscreenGL.h"
#include "images/SGImage.h"
#include "audio/SGSound.h"

using tern_test::OffscreenGL;

namespace {

TEST(ImageHandle, FreeImageDeletesTheTextureAndForgetsItsName)
{
    const OffscreenGL gl(32, 32);
    ASSERT_TRUE(gl.ok()) << gl.error();
    SGImage image = SGImageNull;
    glGenTextures(1, &image.texture);
    glBindTexture(GL_TEXTURE_2D, image.texture);
    const GLuint name = image.texture;
    image.freeImage();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(image.texture, 0u);
}

TEST(SoundHandle, FreeSoundDeletesBuffersAndReportsErrors)
{
    ALCdevice* device = alcOpenDevice(nullptr);
    ASSERT_NE(device, nullptr) << "OpenAL device (set ALSOFT_DRIVERS=null)";
    ALCcontext* context = alcCreateContext(device, nullptr);
    ASSERT_TRUE(alcMakeContextCurrent(context));

    SGSound sound{new uint32_t[2], 2};
    alGenBuffers(2, sound.buffers);
    const ALuint first = sound.buffers[0];
    testing::internal::CaptureStdout();
    sound.freeSound();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(alIsBuffer(first));
    EXPECT_EQ(sound.buffers, nullptr);

    // A pending error is reported with the handle's label; a bad name fails
    // the deletion, which is reported too.
    alGetError();
    alBufferData(12345, AL_FORMAT_MONO16, nullptr, 0, 22050);
    sound = SGSound{new uint32_t[1]{54321}, 1};
    testing::internal::CaptureStdout();
    sound.freeSound();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("in call to ~SGSound\n"), std::string::npos) << out;
    EXPECT_NE(out.find("in call to ~SGSound: alDeleteBuffers\n"), std::string::npos) << out;

    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
}

}  // namespace
