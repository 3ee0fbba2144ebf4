// Drawing with a real GL context: the clear node and image handles; sound
// handles with a real OpenAL context.
#include <gtest/gtest.h>

#include <AL/al.h>
#include <AL/alc.h>
#include <GL/gl.h>

#include "OffscreenGL.h"
#include "scenegraph/SGScene.h"
#include "scenegraph/nodes/SGClearNode.h"

using tern_test::OffscreenGL;
using tern_test::Pixel;

namespace {

// Fills the left half of the viewport with green.
struct HalfQuadNode : SGRenderNode {
    void compute() override
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor4f(0, 1, 0, 1);
        glRectf(-1, -1, 0, 1);
    }
};

class DrawingTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.ok()) << gl.error(); }
    OffscreenGL gl{32, 32};
};

// A clear wiping what was drawn before it is pinned by the module's
// render-order test.
TEST_F(DrawingTest, ClearNodeClearsWhereItStandsInTheListInAllFourComponents)
{
    SGScene scene(nullptr, nullptr);
    auto* clear = static_cast<SGClearNode*>(scene.defaultSpace.createNode(SGClearNodeClass));
    clear->color.setValue(SGColor{1, 0, 1, 0});
    scene.defaultSpace.addNode(new HalfQuadNode());
    scene.render();
    EXPECT_EQ(gl.pixel(4, 16), (Pixel{0, 255, 0, 255})) << toString(gl.pixel(4, 16));
    EXPECT_EQ(gl.pixel(28, 16), (Pixel{255, 0, 255, 0})) << toString(gl.pixel(28, 16));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DrawingTest, FreeImageDeletesTheTextureAndForgetsItsName)
{
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
