// The asset cache and its assetManager module with a real engine script
// answering the path questions, real image files in a GL context and real
// sound files through OpenAL's null output: what is decoded when, what
// loader nodes and sprites see, name lists, deleted managers, and what
// happens when the script or a file fails.
#include <gtest/gtest.h>

#include <AL/al.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

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

constexpr auto npos = std::string::npos;

// The project answers paths in a folder and counts the questions per kind
// and name. "boom" raises an error, "nothing" returns no path, "selfdelete"
// deletes the manager from inside the question.
const char* const kEngine = R"(
function initEngine() end
calls = { image = {}, sound = {} }
project = {}
local function ask(kind, name)
    calls[kind][name] = (calls[kind][name] or 0) + 1
    if name == "boom" then error("no " .. kind .. " called boom") end
    if name == "selfdelete" then sharedAssetManager:delete() end
end
function project:pathForImage(name)
    ask("image", name)
    if name == "nothing" then return nil end
    return assetDir .. "/" .. name .. ".png"
end
function project:pathForSound(name)
    ask("sound", name)
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
        engine.run("assetDir = '" + dir.path() + "'\nsharedAssetManager = assetManager.new()");
        lua_getglobal(engine.L(), "sharedAssetManager");
        manager = *static_cast<AssetManager**>(lua_touserdata(engine.L(), -1));
        lua_pop(engine.L(), 1);
    }
    void TearDown() override { engine.run("assetManager.delete(sharedAssetManager)"); }

    void makeImage(const std::string& name, Pixel colour = Pixel{1, 2, 3, 255}, int width = 4, int height = 4)
    {
        ASSERT_TRUE(writePicture(dir.file(name + ".png"), width, height, [&](int, int) { return colour; }));
    }

    int imageCalls(const std::string& name) { return std::stoi(engine.eval("calls.image['" + name + "'] or 0")); }
    int soundCalls(const std::string& name) { return std::stoi(engine.eval("calls.sound['" + name + "'] or 0")); }
    std::string errorOf(const std::string& chunk) { return engine.errorOf(chunk); }

    static bool isTexture(uint32_t texture) { return glIsTexture(texture) == GL_TRUE; }

    tern_test::OffscreenGL gl{64, 64};
    tern_test::TempDir dir;
    ScriptedEngine engine{kEngine};
    AssetManager* manager = nullptr;
};

// Loader nodes of one name share one decode. Unloading the name frees its
// texture and marks the registered nodes of that name, and their next read
// decodes the file anew; erasing alone tells no node, and unloading a name
// no longer cached still does.
TEST_F(AssetManagerTest, LoaderNodesShareOneDecodeUntilTheNameIsUnloaded)
{
    makeImage("hero", Pixel{255, 0, 0, 255}, 6, 3);
    auto* first = new SGImageLoaderNode(manager);
    auto* second = new SGImageLoaderNode(manager);
    auto* other = new SGImageLoaderNode(manager);
    auto* gone = new SGImageLoaderNode(manager);
    for (SGImageLoaderNode* node : {first, second, gone})
        node->name.setValue("hero");
    other->name.setValue("Hero");
    const SGImage a = first->asset.imageValue();
    const SGImage b = second->asset.imageValue();
    other->asset.imageValue();
    EXPECT_EQ(imageCalls("hero") * 10 + imageCalls("Hero"), 11);  // names differing in case are two entries
    EXPECT_EQ(a.width, 6);
    EXPECT_EQ(a.texture, b.texture);
    EXPECT_TRUE(isTexture(a.texture));
    EXPECT_FALSE(first->dirty || second->dirty);
    EXPECT_EQ(manager->loaderNodeCount(), 4u);
    gone->release();
    EXPECT_EQ(manager->loaderNodeCount(), 3u);

    manager->unloadImage("hero");
    EXPECT_TRUE(first->dirty && second->dirty);
    EXPECT_FALSE(other->dirty);
    EXPECT_FALSE(isTexture(a.texture));

    EXPECT_EQ(first->asset.imageValue().width, 6);
    EXPECT_EQ(second->asset.imageValue().texture, first->asset.imageValue().texture);
    EXPECT_EQ(imageCalls("hero"), 2);

    manager->eraseImage("hero");
    EXPECT_FALSE(first->dirty);
    manager->unloadImage("hero");
    EXPECT_TRUE(first->dirty);
    for (SGNode* node : std::initializer_list<SGNode*>{first, second, other})
        node->release();
}

// Cleaning up keeps the listed names cached (not asked for again) and frees
// the textures of the rest.
TEST_F(AssetManagerTest, CleanupKeepsTheListedNamesAndFreesTheRest)
{
    makeImage("a");
    makeImage("b");
    engine.run("for _, list in ipairs({ { 'a', 'b' }, { 'b' }, { 'a', 'b' } }) do "
               "sharedAssetManager:cleanupAndLoadImages(list) end");
    EXPECT_EQ(imageCalls("a") * 10 + imageCalls("b"), 21);
    const uint32_t textureA = manager->images().at("a").texture;
    const uint32_t textureB = manager->images().at("b").texture;
    engine.run("sharedAssetManager:cleanupUnusedImages({ 'b', 'x' })");
    EXPECT_FALSE(isTexture(textureA));
    EXPECT_TRUE(isTexture(textureB));
    engine.run("sharedAssetManager:cleanupAndLoadImages({})");
    EXPECT_FALSE(isTexture(textureB));
    engine.run("sharedAssetManager:loadImages({ 'a', 'b' })");
    EXPECT_EQ(imageCalls("a") * 10 + imageCalls("b"), 32);
    engine.run("sharedAssetManager:unloadAllImages() sharedAssetManager:loadImageForName('a')");
    EXPECT_EQ(imageCalls("a"), 4);
}

TEST_F(AssetManagerTest, MissingFilesAndPathsAreCachedAsTheMissingPicture)
{
    CaptureStderr();
    for (int round = 0; round < 2; ++round) {
        for (const char* name : {"absent", "nothing"})
            EXPECT_EQ(manager->imageForName(name).width, TNMissingImageSide) << name;
    }
    const std::string printed = GetCapturedStderr();
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 2) << printed;  // one line each, once
    EXPECT_EQ(imageCalls("absent") * 10 + imageCalls("nothing"), 11);  // cached: not retried until erased
}

// A failing path method is a Lua error of the caller that names it; nothing
// is cached, the stack is as it was, and a loader node asks again on its
// next read. Deleting the manager from inside the question is refused.
TEST_F(AssetManagerTest, PathMethodErrorsReachTheCallerAndCacheNothing)
{
    const std::string message = errorOf("sharedAssetManager:loadImageForName('boom')");
    EXPECT_NE(message.find(":1: project:pathForImage(\"boom\") failed:"), npos) << message;
    EXPECT_NE(message.find("no image called boom"), npos) << message;
    EXPECT_NE(errorOf("sharedAssetManager:loadImages({ 'boom' })").find("no image called boom"), npos);
    EXPECT_EQ(lua_gettop(engine.L()), 0);
    auto* node = new SGImageLoaderNode(manager);
    node->name.setValue("boom");
    EXPECT_THROW(node->asset.imageValue(), AssetScriptError);
    EXPECT_THROW(node->asset.imageValue(), AssetScriptError);
    EXPECT_EQ(imageCalls("boom"), 4);
    node->release();

    CaptureStderr();
    EXPECT_EQ(errorOf("sharedAssetManager:loadImageForName('selfdelete')"), "");
    EXPECT_NE(GetCapturedStderr().find(
                  "assetManager.delete: the manager cannot be deleted from inside its own project:pathForImage"),
              npos);
    makeImage("other");
    ASSERT_EQ(errorOf("sharedAssetManager:loadImageForName('other')"), "");  // still alive and usable
    EXPECT_EQ(manager->images().count("other"), 1u);

    EXPECT_NE(errorOf("project = nil sharedAssetManager:loadSoundForName('x')").find("the global 'project' is not set"),
              npos);
}

// (Nodes without a manager: the deleted-manager test.)
TEST_F(AssetManagerTest, AnEmptyNameLoadsNothing)
{
    auto* image = new SGImageLoaderNode(manager);
    EXPECT_EQ(image->asset.imageValue().width, 0);
    image->release();
    EXPECT_EQ(imageCalls(""), 0);
}

// Deleting a manager under a live scene is reported in one line: its
// textures are freed and its loader nodes are drawn again, outputting
// nothing. They, and loaders made afterwards, never reach the freed manager
// nor a new one that may have taken its address.
TEST_F(AssetManagerTest, DeletingAManagerUnderALiveSceneIsReportedAndHarmless)
{
    makeImage("fine", Pixel{0, 255, 0, 255});
    engine.run(kSpriteSceneScript);
    engine.run("loader.name:setValue('fine', true) scene:render()");
    auto* image = new SGImageLoaderNode(manager);
    image->name.setValue("fine");
    const SGImage shown = image->asset.imageValue();
    ASSERT_EQ(shown.width, 4);

    CaptureStderr();
    EXPECT_EQ(errorOf("sharedAssetManager:delete()"), "");
    const std::string message = GetCapturedStderr();
    EXPECT_NE(message.find("assetManager.delete: 2 loader node(s) still used the manager"), npos) << message;
    EXPECT_FALSE(isTexture(shown.texture));
    EXPECT_TRUE(image->dirty);
    EXPECT_EQ(image->asset.imageValue().width, 0);
    image->release();  // must not reach the destroyed manager

    engine.run("sharedAssetManager = assetManager.new()");
    engine.run(R"(
        later = scene:defaultSpace():createNode(scenegraph.imageLoaderNode)
        later.name:setValue('fine', true)
        local inner = scene:createSpace(scenegraph.space)
        laterSound = inner:createNode(scenegraph.soundLoaderNode)
        laterSound.name:setValue('fine', true)
        scene:render() later:compute() laterSound:compute()
    )");
    EXPECT_EQ(imageCalls("fine") + soundCalls("fine"), 1);  // only the first, live manager asked
    engine.run("scene:delete()");
}

TEST_F(AssetManagerTest, ListsTakeTheirValuesWhateverTheKeys)
{
    for (const char* name : {"a", "b", "c", "7", "2.5"})
        makeImage(name);
    engine.run(R"(
        sharedAssetManager:loadImages({ first = "a", second = "b", again = "a" })
        sharedAssetManager:loadImages({ "b", 7, 2.5, [10] = "c" })
    )");
    for (const char* name : {"a", "b", "c", "7", "2.5"})
        EXPECT_EQ(imageCalls(name), 1) << name;
    // Numbers name single assets too.
    engine.run("sharedAssetManager:loadImageForName(7) sharedAssetManager:unloadImage(7)"
               "sharedAssetManager:loadImageForName('7')");
    EXPECT_EQ(imageCalls("7"), 2);
}

// Wrong arguments name the function, the argument and the author-facing
// type; no message shows a registry name.
TEST_F(AssetManagerTest, WrongArgumentsAreNamed)
{
    EXPECT_EQ(engine.eval("getmetatable(sharedAssetManager) == debug.getregistry()['AssetManager.MT']"), "true");
    // Deleting twice frees once; what is not a manager is left alone.
    engine.run("deleted = assetManager.new() deleted:delete() deleted:delete() assetManager.delete(42)");
    const std::pair<const char*, const char*> cases[] = {
        {"sharedAssetManager:loadImages({ 'a', true })",
         "assetManager.loadImages: the list holds a boolean where an asset name belongs"},
        {"sharedAssetManager:loadImages('a')", "assetManager.loadImages: argument 2 must be a table (got string)"},
        {"sharedAssetManager:loadImageForName({})",
         "assetManager.loadImageForName: argument 2 must be a string (got table)"},
        {"assetManager.loadImageForName('x', 'y')",
         "assetManager.loadImageForName: argument 1 must be an asset manager (got string)"},
        {"deleted:loadImageForName('a')", "assetManager.loadImageForName: the asset manager was deleted"},
        {"scenegraph.scene.new(nil, deleted)", "scene.new: the asset manager was deleted"},
    };
    for (const auto& [chunk, message] : cases) {
        const std::string got = errorOf(chunk);
        EXPECT_NE(got.find(message), npos) << chunk << " gave " << got;
        EXPECT_EQ(got.find(".MT"), npos) << got;
    }
}

TEST_F(AssetManagerTest, AManagerMadeInACoroutineKeepsItsThread)
{
    makeImage("a");
    engine.run(R"(
        local finished = coroutine.create(function() return assetManager.new() end)
        local _, made = coroutine.resume(finished)
        finished = nil
        fromFinished = made
        local parked = coroutine.create(function() parkedManager = assetManager.new() coroutine.yield() end)
        coroutine.resume(parked)
        keepParked = parked
        collectgarbage("collect")
    )");
    engine.run("fromFinished:loadImageForName('a')");
    EXPECT_EQ(imageCalls("a"), 1);
    EXPECT_NE(errorOf("parkedManager:loadImageForName('a')").find("the coroutine that created the manager is suspended"),
              npos);
    engine.run("fromFinished:delete() parkedManager:delete()");
}

// A sprite tiles a 144-dpi picture at its logical size.
TEST_F(AssetManagerTest, ASpriteTilesAPictureAtItsLogicalSize)
{
    // 32 x 16 pixels, left half red and right half green: 16 x 8 at 144 dpi.
    const auto halves = [](int x, int) { return x < 16 ? Pixel{255, 0, 0, 255} : Pixel{0, 255, 0, 255}; };
    ASSERT_TRUE(writeWithFFmpeg(dir.file("halves.png"), 32, 16, halves, "-dpi 144"));
    engine.run(kSpriteSceneScript);
    engine.run("sprite.width:setValue(32, true) sprite.height:setValue(8, true)"
               "sprite.horizontalWrapping:setValue(2, true) loader.name:setValue('halves', true)");
    prepareView();
    engine.run("scene:render()");
    // Tiles of 16 from x = 16: red 16-23, green 24-31, red 32-39, green 40-47.
    for (const auto& probe : {std::make_pair(18, 'r'), {28, 'g'}, {34, 'r'}, {44, 'g'}}) {
        const Pixel p = gl.pixel(probe.first, 32);
        EXPECT_EQ(probe.second == 'r' ? p.r : p.g, 255) << probe.first << ": " << tern_test::toString(p);
    }
    engine.run("scene:delete()");
}

TEST_F(AssetManagerTest, AFailingPathMethodInsideRenderLeavesTheNextFrameIntact)
{
    makeImage("fine", Pixel{0, 255, 0, 255});
    engine.run(kSpriteSceneScript);
    engine.run("loader.name:setValue('boom', true)");
    prepareView();
    const auto stackDepths = [] {
        GLint depths[2] = {0, 0};
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depths[0]);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depths[1]);
        return std::make_pair(depths[0], depths[1]);
    };
    const auto before = stackDepths();
    for (int frame = 0; frame < 2; ++frame)
        EXPECT_NE(errorOf("scene:render()").find("no image called boom"), npos);
    EXPECT_EQ(stackDepths(), before);

    engine.run("loader.name:setValue('fine', true)");
    prepareView();
    engine.run("scene:render()");
    EXPECT_TRUE(near(gl.pixel(32, 32), Pixel{0, 255, 0, 255}, 3)) << tern_test::toString(gl.pixel(32, 32));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    engine.run("scene:delete()");
}

class AssetManagerSoundTest : public AssetManagerTest {
protected:
    void makeSound(const std::string& name)
    {
        const std::string command = "sox -n -r 22050 -c 1 -b 16 '" + dir.file(name + ".wav") + "' synth 0.05 sine 440";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    SoundManager sounds;
};

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
    EXPECT_TRUE(first.buffers == nullptr && first.bufferCount == 0);
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
