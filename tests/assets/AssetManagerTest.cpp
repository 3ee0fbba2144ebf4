// The asset cache with a real engine script answering the path questions,
// real image files in a GL context and real sound files through OpenAL's
// null output: what is decoded when, what loader nodes see, and what
// happens when the script or a file fails.
#include <gtest/gtest.h>

#include <AL/al.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "assets/AssetManager.h"
#include "assets/AssetScriptError.h"
#include "AssetTestSupport.h"
#include "OffscreenGL.h"
#include "audio/SoundManager.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "images/TNMissingImage.h"
#include "scenegraph/nodes/SGImageLoaderNode.h"
#include "scenegraph/nodes/SGSoundLoaderNode.h"
#include "scenegraph/nodes/SGSpace.h"

using namespace tern_asset_test;
using tern_test::Pixel;
using tern_test::ScriptedEngine;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// The project answers paths in a folder and counts the questions per name.
// "boom" raises an error, "nothing" returns nil, "seven" returns 7.
const char* const kEngine = R"(
function initEngine() end
calls = { image = {}, sound = {} }
project = {}
local function count(kind, name) calls[kind][name] = (calls[kind][name] or 0) + 1 end
function project:pathForImage(name)
    count("image", name)
    if name == "boom" then error("no picture called boom") end
    if name == "nothing" then return nil end
    return assetDir .. "/" .. name .. ".png"
end
function project:pathForSound(name)
    count("sound", name)
    if name == "boom" then error("no sound called boom") end
    if name == "nothing" then return false end
    if name == "nothing" then return false end
    return assetDir .. "/" .. name .. ".wav"
end
)";

class AssetManagerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        ASSERT_EQ(engine.initStatus(), 0);
        engine.run("assetDir = '" + dir.path() + "'");
        manager = new AssetManager(engine.L());
    }
    void TearDown() override { delete manager; }

    void makeImage(const std::string& name, Pixel colour, int width = 4, int height = 4)
    {
        ASSERT_TRUE(writePicture(dir.file(name + ".png"), width, height, [&](int, int) { return colour; }));
    }

    int imageCalls(const std::string& name) { return std::stoi(engine.eval("calls.image['" + name + "'] or 0")); }
    int soundCalls(const std::string& name) { return std::stoi(engine.eval("calls.sound['" + name + "'] or 0")); }

    static bool isTexture(uint32_t texture) { return glIsTexture(texture) == GL_TRUE; }

    tern_test::OffscreenGL gl{16, 16};
    tern_test::TempDir dir;
    ScriptedEngine engine{kEngine};
    AssetManager* manager = nullptr;
};

TEST_F(AssetManagerTest, TwoLoaderNodesShareOneDecodeUntilTheNameIsUnloaded)
{
    makeImage("hero", Pixel{255, 0, 0, 255}, 6, 3);
    auto* first = new SGImageLoaderNode(manager);
    auto* second = new SGImageLoaderNode(manager);
    first->name.setValue("hero");
    second->name.setValue("hero");

    const SGImage a = first->asset.imageValue();
    const SGImage b = second->asset.imageValue();
    EXPECT_EQ(imageCalls("hero"), 1);
    EXPECT_EQ(a.width, 6);
    EXPECT_EQ(a.texture, b.texture);
    EXPECT_TRUE(isTexture(a.texture));
    EXPECT_FALSE(first->dirty);
    EXPECT_FALSE(second->dirty);

    manager->unloadImage("hero");
    EXPECT_TRUE(first->dirty);
    EXPECT_TRUE(second->dirty);
    EXPECT_FALSE(isTexture(a.texture));
    EXPECT_EQ(manager->images().count("hero"), 0u);

    // The next frame asks the cache again, which decodes the file anew.
    EXPECT_EQ(first->asset.imageValue().width, 6);
    EXPECT_EQ(second->asset.imageValue().texture, first->asset.imageValue().texture);
    EXPECT_EQ(imageCalls("hero"), 2);

    first->release();
    second->release();
}

TEST_F(AssetManagerTest, UnloadingMarksOnlyMatchingRegisteredNodes)
{
    makeImage("a", Pixel{0, 0, 255, 255});
    auto* shown = new SGImageLoaderNode(manager);
    auto* other = new SGImageLoaderNode(manager);
    auto* gone = new SGImageLoaderNode(manager);
    shown->name.setValue("a");
    other->name.setValue("A");
    gone->name.setValue("a");
    shown->asset.imageValue();
    other->asset.imageValue();
    EXPECT_EQ(manager->loaderNodeCount(), 3u);
    gone->release();
    EXPECT_EQ(manager->loaderNodeCount(), 2u);

    // Not cached at all: the matching node is still marked.
    manager->unloadImage("never-loaded");
    EXPECT_FALSE(shown->dirty);
    manager->eraseImage("a");  // erasing alone tells no node
    EXPECT_FALSE(shown->dirty);
    manager->unloadImage("a");
    EXPECT_TRUE(shown->dirty);
    EXPECT_FALSE(other->dirty);
    shown->release();
    other->release();
}

TEST_F(AssetManagerTest, NamesDifferingInCaseAreTwoEntries)
{
    makeImage("Tree", Pixel{0, 255, 0, 255});
    makeImage("tree", Pixel{0, 0, 255, 255});
    const SGImage upper = manager->imageForName("Tree");
    const SGImage lower = manager->imageForName("tree");
    EXPECT_EQ(manager->images().size(), 2u);
    EXPECT_EQ(textureTexels(upper.texture, 4, 4)[0], (Pixel{0, 255, 0, 255}));
    EXPECT_EQ(textureTexels(lower.texture, 4, 4)[0], (Pixel{0, 0, 255, 255}));
}

// Which names are asked for again is the module's test; here: the
// textures of the names not kept are freed, the kept ones stay.
TEST_F(AssetManagerTest, CleanupFreesTheTexturesOfTheNamesNotKept)
{
    makeImage("a", Pixel{9, 9, 9, 255});
    makeImage("b", Pixel{9, 9, 9, 255});
    manager->loadNewImages({"a", "b"});
    const uint32_t textureA = manager->images().at("a").texture;
    const uint32_t textureB = manager->images().at("b").texture;
    manager->cleanupUnusedImages({"b", "x"});
    EXPECT_FALSE(isTexture(textureA));
    EXPECT_TRUE(isTexture(textureB));
    manager->cleanupUnusedImages({});
    EXPECT_FALSE(isTexture(textureB));
}

TEST_F(AssetManagerTest, MissingFilesAndPathsAreCachedAsTheMissingPicture)
{
    CaptureStderr();
    const SGImage absent = manager->imageForName("absent");
    const SGImage nothing = manager->imageForName("nothing");
    const std::string printed = GetCapturedStderr();
    EXPECT_EQ(absent.width, TNMissingImageSide);
    EXPECT_EQ(nothing.width, TNMissingImageSide);
    EXPECT_NE(printed.find("project:pathForImage(\"nothing\") returned a nil value, not a path"), std::string::npos)
        << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 2) << printed;

    // Cached: not retried until erased.
    manager->imageForName("absent");
    manager->imageForName("nothing");
    EXPECT_EQ(imageCalls("absent"), 1);
    EXPECT_EQ(imageCalls("nothing"), 1);
}

// The messages are the module's to check; here: nothing cached, the stack
// as it was, and a loader node that asks again on its next read.
TEST_F(AssetManagerTest, ScriptErrorsReachTheCallerAndCacheNothing)
{
    EXPECT_THROW(manager->loadImageForName("boom"), AssetScriptError);
    EXPECT_TRUE(manager->images().empty());
    EXPECT_EQ(lua_gettop(engine.L()), 0);
    auto* node = new SGImageLoaderNode(manager);
    node->name.setValue("boom");
    EXPECT_THROW(node->asset.imageValue(), AssetScriptError);
    EXPECT_THROW(node->asset.imageValue(), AssetScriptError);
    EXPECT_EQ(imageCalls("boom"), 3);
    node->release();

    engine.run("project = nil");
    try {
        manager->loadSoundForName("x");
        FAIL() << "no error";
    } catch (const AssetScriptError& e) {
        EXPECT_NE(std::string(e.what()).find("the global 'project' is not set"), std::string::npos) << e.what();
    }
}

TEST_F(AssetManagerTest, EmptyNamesAndNodesWithoutAManagerLoadNothing)
{
    auto* image = new SGImageLoaderNode(manager);
    auto* orphan = new SGImageLoaderNode(nullptr);
    auto* sound = new SGSoundLoaderNode(nullptr);
    orphan->name.setValue("hero");
    sound->name.setValue("beep");
    EXPECT_EQ(image->asset.imageValue().width, 0);
    EXPECT_EQ(orphan->asset.imageValue().width, 0);
    EXPECT_EQ(sound->asset.soundValue().bufferCount, 0);
    for (SGNode* node : std::initializer_list<SGNode*>{image, orphan, sound})
        node->release();
    EXPECT_EQ(imageCalls("hero") + imageCalls("") + soundCalls("beep"), 0);
}

TEST_F(AssetManagerTest, ADestroyedManagerLeavesItsNodesOutputtingNothing)
{
    makeImage("hero", Pixel{255, 255, 0, 255});
    auto* image = new SGImageLoaderNode(manager);
    image->name.setValue("hero");
    const SGImage shown = image->asset.imageValue();
    ASSERT_EQ(shown.width, 4);

    delete manager;
    manager = nullptr;
    EXPECT_FALSE(isTexture(shown.texture));
    EXPECT_TRUE(image->dirty);  // what it fed is drawn again
    EXPECT_EQ(image->asset.imageValue().width, 0);
    image->name.setValue("other");
    EXPECT_EQ(image->asset.imageValue().width, 0);
    image->release();  // must not reach the destroyed manager
}

class AssetManagerSoundTest : public AssetManagerTest {
protected:
    static void SetUpTestSuite() { sounds = new SoundManager(); }
    static void TearDownTestSuite()
    {
        delete sounds;
        sounds = nullptr;
    }

    void makeSound(const std::string& name)
    {
        const std::string command = "sox -n -r 22050 -c 1 -b 16 '" + dir.file(name + ".wav") + "' synth 0.05 sine 440";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    static SoundManager* sounds;
};

SoundManager* AssetManagerSoundTest::sounds = nullptr;

TEST_F(AssetManagerSoundTest, ABrokenSoundIsRetriedUntilTheFirstSoundForName)
{
    tern_test::writeFile(dir.file("broken.wav"), "RIFF but nothing that decodes");
    testing::internal::CaptureStdout();
    CaptureStderr();
    manager->loadSoundForName("broken");
    manager->loadSoundForName("broken");
    EXPECT_EQ(soundCalls("broken"), 2);
    EXPECT_TRUE(manager->sounds().empty());

    const SGSound first = manager->soundForName("broken");
    EXPECT_EQ(soundCalls("broken"), 3);
    EXPECT_EQ(first.buffers, nullptr);
    EXPECT_EQ(first.bufferCount, 0);
    EXPECT_EQ(manager->sounds().size(), 1u);

    manager->soundForName("broken");
    manager->loadSoundForName("broken");
    EXPECT_EQ(soundCalls("broken"), 3);
    GetCapturedStderr();
    testing::internal::GetCapturedStdout();
}

TEST_F(AssetManagerSoundTest, SoundLoadersShareTheCachedBuffers)
{
    makeSound("beep");
    auto* first = new SGSoundLoaderNode(manager);
    auto* second = new SGSoundLoaderNode(manager);
    first->name.setValue("beep");
    second->name.setValue("beep");
    const SGSound a = first->asset.soundValue();
    const SGSound b = second->asset.soundValue();
    ASSERT_EQ(a.bufferCount, 1);
    EXPECT_EQ(a.buffers, b.buffers);
    EXPECT_TRUE(alIsBuffer(a.buffers[0]));
    EXPECT_EQ(soundCalls("beep"), 1);

    // An empty name keeps the sound the node had.
    first->name.setValue("");
    EXPECT_EQ(first->asset.soundValue().buffers, a.buffers);

    const ALuint buffer = a.buffers[0];
    manager->unloadSound("beep");
    EXPECT_FALSE(alIsBuffer(buffer));
    EXPECT_FALSE(first->dirty);  // its name is empty now
    EXPECT_TRUE(second->dirty);
    EXPECT_EQ(second->asset.soundValue().bufferCount, 1);
    EXPECT_EQ(soundCalls("beep"), 2);

    // A path method returning no string counts as an unreadable file.
    CaptureStderr();
    second->name.setValue("nothing");
    EXPECT_EQ(second->asset.soundValue().bufferCount, 0);
    EXPECT_NE(GetCapturedStderr().find("returned a boolean value, not a path"), std::string::npos);

    manager->cleanupUnusedSounds({});
    EXPECT_TRUE(manager->sounds().empty());
    first->release();
    second->release();
}

}  // namespace
