// The assetManager module driven by scripts through the real host, and
// scenes built on a real manager: a transparent PNG drawn by a sprite, name
// lists, deleted managers and failing path methods.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <string>
#include <utility>

#include "assets/AssetManager.h"
#include "AssetTestSupport.h"
#include "OffscreenGL.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "lauxlib.h"

using namespace tern_asset_test;
using tern_test::Pixel;
using tern_test::ScriptedEngine;

namespace {

// Counts the image and sound paths asked for per name; "boom" raises an
// error and "selfdelete" deletes the manager from inside the question.
const char* const kEngine = R"(
function initEngine() end
asked = {}
project = {}
function project:pathForImage(name)
    asked[name] = (asked[name] or 0) + 1
    if name == "boom" then error("no picture called boom") end
    if name == "selfdelete" then sharedAssetManager:delete() end
    return assetDir .. "/" .. name .. ".png"
end
function project:pathForSound(name)
    asked[name] = (asked[name] or 0) + 1
    return assetDir .. "/" .. name .. ".wav"
end
)";

class AssetModuleTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        ASSERT_EQ(engine.initStatus(), 0);
        engine.run("assetDir = '" + dir.path() + "'\nsharedAssetManager = assetManager.new()");
    }
    void TearDown() override { engine.run("assetManager.delete(sharedAssetManager)"); }

    void makeImage(const std::string& name, Pixel colour = Pixel{1, 2, 3, 255})
    {
        ASSERT_TRUE(writePicture(dir.file(name + ".png"), 4, 4, [&](int, int) { return colour; }));
    }

    std::string errorOf(const std::string& chunk) { return engine.errorOf(chunk); }

    int asked(const std::string& name) { return std::stoi(engine.eval("asked['" + name + "'] or 0")); }

    tern_test::OffscreenGL gl{64, 64};
    tern_test::TempDir dir;
    ScriptedEngine engine{kEngine};
};

TEST_F(AssetModuleTest, ListsTakeTheirValuesWhateverTheKeys)
{
    for (const char* name : {"a", "b", "c", "7", "2.5"})
        makeImage(name);
    engine.run(R"(
        sharedAssetManager:loadImages({ first = "a", second = "b", again = "a" })
        sharedAssetManager:loadImages({ "b", 7, 2.5, [10] = "c" })
    )");
    for (const char* name : {"a", "b", "c", "7", "2.5"})
        EXPECT_EQ(asked(name), 1) << name;
    // Numbers name single assets too.
    engine.run("sharedAssetManager:loadImageForName(7) sharedAssetManager:unloadImage(7)"
               "sharedAssetManager:loadImageForName('7')");
    EXPECT_EQ(asked("7"), 2);
}

// Wrong arguments name the function, the argument and the author-facing
// type; no message shows a registry name.
TEST_F(AssetModuleTest, WrongArgumentsAreNamed)
{
    EXPECT_EQ(engine.eval("getmetatable(sharedAssetManager) == debug.getregistry()['AssetManager.MT']"), "true");
    engine.run("deleted = assetManager.new() deleted:delete()");
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
        EXPECT_NE(got.find(message), std::string::npos) << chunk << " gave " << got;
        EXPECT_EQ(got.find(".MT"), std::string::npos) << got;
    }
}

TEST_F(AssetModuleTest, CleanupAndLoadWithAnEmptyListFreesEverything)
{
    makeImage("a");
    makeImage("b");
    engine.run("for _, list in ipairs({ { 'a', 'b' }, { 'b' }, { 'a', 'b' } }) do "
               "sharedAssetManager:cleanupAndLoadImages(list) end");
    EXPECT_EQ(asked("a") * 10 + asked("b"), 21);
    engine.run("sharedAssetManager:cleanupAndLoadImages({}) sharedAssetManager:loadImages({ 'a', 'b' })");
    EXPECT_EQ(asked("a") * 10 + asked("b"), 32);
    engine.run("sharedAssetManager:unloadAllImages() sharedAssetManager:loadImageForName('a')");
    EXPECT_EQ(asked("a"), 4);
}

TEST_F(AssetModuleTest, DeleteTwiceFreesOnce)
{
    engine.run("local other = assetManager.new() other:delete() other:delete() assetManager.delete(other) "
               "assetManager.delete(42)");
}

TEST_F(AssetModuleTest, PathMethodErrorsAreLuaErrorsOfTheCaller)
{
    const std::string message = errorOf("sharedAssetManager:loadImageForName('boom')");
    EXPECT_NE(message.find(":1: project:pathForImage(\"boom\") failed:"), std::string::npos) << message;
    EXPECT_NE(message.find("no picture called boom"), std::string::npos) << message;
    EXPECT_NE(errorOf("sharedAssetManager:loadImages({ 'boom' })").find("no picture called boom"), std::string::npos);
    EXPECT_EQ(lua_gettop(engine.L()), 0);

    testing::internal::CaptureStderr();
    EXPECT_EQ(errorOf("sharedAssetManager:loadImageForName('selfdelete')"), "");
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "assetManager.delete: the manager cannot be deleted from inside its own project:pathForImage"),
              std::string::npos);
    EXPECT_EQ(engine.eval("getmetatable(sharedAssetManager) ~= nil"), "true");
    engine.run("sharedAssetManager:loadImageForName('other')");  // still alive and usable
}

TEST_F(AssetModuleTest, AManagerMadeInACoroutineKeepsItsThread)
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
    EXPECT_EQ(asked("a"), 1);
    EXPECT_NE(errorOf("parkedManager:loadImageForName('a')").find("the coroutine that created the manager is suspended"),
              std::string::npos);
    engine.run("fromFinished:delete() parkedManager:delete()");
}

TEST_F(AssetModuleTest, ATransparentPNGDrawnByASpriteBlendsPremultiplied)
{
    // 16 x 16: left half red at half alpha, right half clear, over blue.
    ASSERT_TRUE(writePicture(dir.file("glass.png"), 16, 16,
                         [](int x, int) { return x < 8 ? Pixel{255, 0, 0, 128} : Pixel{255, 255, 255, 0}; }));
    engine.run(kSpriteSceneScript);
    engine.run("loader.name:setValue('glass', true)");
    prepareView();
    engine.run("scene:render()");
    EXPECT_TRUE(colourNear(gl.pixel(28, 32), 128, 0, 127));  // red half over blue
    EXPECT_TRUE(colourNear(gl.pixel(36, 32), 0, 0, 255));    // clear half: the background
    EXPECT_TRUE(colourNear(gl.pixel(20, 32), 0, 0, 255));    // outside the sprite
    engine.run("scene:delete()");
}

TEST_F(AssetModuleTest, AFailingPathMethodInsideRenderLeavesTheNextFrameIntact)
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
        EXPECT_NE(errorOf("scene:render()").find("no picture called boom"), std::string::npos);
    EXPECT_EQ(stackDepths(), before);

    engine.run("loader.name:setValue('fine', true)");
    prepareView();
    engine.run("scene:render()");
    EXPECT_TRUE(colourNear(gl.pixel(32, 32), 0, 255, 0));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    engine.run("scene:delete()");
}

// Deleting a manager under a live scene is reported in one line; the scene's loader
// nodes, and spaces and loaders made afterwards, never reach the freed
// manager nor a new one that may have taken its address, and output nothing.
TEST_F(AssetModuleTest, DeletingAManagerUnderLiveScenesIsReportedAndHarmless)
{
    makeImage("fine", Pixel{0, 255, 0, 255});
    engine.run(kSpriteSceneScript);
    engine.run("loader.name:setValue('fine', true) scene:render()");
    testing::internal::CaptureStderr();
    EXPECT_EQ(errorOf("sharedAssetManager:delete()"), "");
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("assetManager.delete: 1 loader node(s) still used the manager"), std::string::npos)
        << message;

    engine.run("sharedAssetManager = assetManager.new()");
    prepareView();
    engine.run("scene:render()");
    EXPECT_TRUE(colourNear(gl.pixel(32, 32), 255, 255, 255));  // untextured: no image
    engine.run(R"(
        later = scene:defaultSpace():createNode(scenegraph.imageLoaderNode)
        later.name:setValue('fine', true)
        local inner = scene:createSpace(scenegraph.space)
        laterSound = inner:createNode(scenegraph.soundLoaderNode)
        laterSound.name:setValue('fine', true)
        sprite.image:setValue(later.asset)
    )");
    prepareView();
    engine.run("scene:render() later:compute() laterSound:compute()");
    EXPECT_TRUE(colourNear(gl.pixel(32, 32), 255, 255, 255));
    EXPECT_EQ(asked("fine"), 1);  // only the first, live manager asked

    lua_State* L = engine.L();
    lua_getglobal(L, "sharedAssetManager");
    AssetManager* fresh = *static_cast<AssetManager**>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    EXPECT_EQ(fresh->loaderNodeCount(), 0u);
    EXPECT_TRUE(fresh->images().empty());
    engine.run("scene:delete()");
}

}  // namespace
