// The engine host object over a real engine script.
#include <gtest/gtest.h>

#include <AL/alc.h>

#include <utility>

#include "bridge/LuaObject.h"
#include "host/TNLuaState.h"
#include "TestSupport.h"

namespace {

const char* const kEngine = R"(
    function initEngine()
        luaObjcDuringInit = type(luaObjc)
        game = { attributes = { displaySize = { width = { _value = 640 }, height = { _value = 360 } } },
                 resolutionIndependence = 1, resolution = 2 }
    end
    function shutdownEngine()
        local f = io.open(shutdownMarker, 'w') f:write('down') f:close()
    end
)";

class TNLuaStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tern_test::writeFile(dir.file("engine.lua"), kEngine);
        marker = dir.file("shutdown.txt");
    }
    TNRef<TNLuaState> make(const char* savePath = nullptr)
    {
        TNRef<TNLuaState> state = TNLuaState::create(dir.file("engine.lua"), savePath);
        if (state)
            state->doString("shutdownMarker = '" + marker + "'");
        return state;
    }
    void expectUnlockedAndEmpty(TNLuaState& state)
    {
        ASSERT_TRUE(state.tryLockState());
        EXPECT_EQ(lua_gettop(state.state()), 0);
        state.unlockState();
    }
    tern_test::TempDir dir;
    std::string marker;
};

std::string text(const TNRef<TNObject>& o) { return o ? o->description() : "(nothing)"; }

}  // namespace

TEST_F(TNLuaStateTest, JoinsHostStateAndWrapper)
{
    TNRef<TNLuaState> state = make();
    ASSERT_TRUE(state);
    ASSERT_NE(state->S(), nullptr);
    EXPECT_EQ(state->S()->callbacks.gameContext, state.get());
    // luaObjc is opened after initEngine; without a save path there is no store.
    EXPECT_EQ(state->evaluateExpression("tostring(luaObjcDuringInit) .. type(luaObjc) .. _debuglevel .. type(database)"),
              "niltable1nil");

    const TNDisplaySize size = state->intendedDisplaySize();
    EXPECT_EQ(std::make_pair(size.width, size.height), std::make_pair(640.0, 360.0));
    EXPECT_TRUE(state->resolutionIndependence());
    EXPECT_EQ(state->targetDisplayResolution(), 2);
    ASSERT_TRUE(state->game());
    EXPECT_EQ(text(state->game()->valueForKey("resolution")), "2");
    expectUnlockedAndEmpty(*state);
}

TEST_F(TNLuaStateTest, BrokenEngineScriptStillGivesAnObject)
{
    tern_test::writeFile(dir.file("engine.lua"), "this is not lua");
    testing::internal::CaptureStderr();
    TNRef<TNLuaState> state = make();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Lua Error: "), std::string::npos);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->evaluateExpression("1 + 1"), "2");
}

TEST_F(TNLuaStateTest, CloseIsIdempotentAndEndsTheEngine)
{
    TNRef<TNLuaState> state = make();
    state->close();
    EXPECT_EQ(tern_test::readFile(marker), "down");
    EXPECT_EQ(state->S(), nullptr);
    EXPECT_EQ(state->state(), nullptr);
    state->close();
    EXPECT_FALSE(state->game());
    EXPECT_EQ(state->intendedDisplaySize().width, 0.0);
    state->makeOpenALContextCurrent();
    state->freeGLAssets();
}

TEST_F(TNLuaStateTest, SavePathOpensTheStoreAndReleasingTheLastReferenceEndsTheEngine)
{
    EXPECT_EQ(make(dir.file("save.data").c_str())->evaluateExpression("type(database)"), "table");
    EXPECT_EQ(tern_test::readFile(marker), "down");
}

TEST_F(TNLuaStateTest, FreeGLAssetsAndSoundContext)
{
    TNRef<TNLuaState> state = make();
    state->doString(R"(
        unloads = 0
        sharedAssetManager = {}
        function sharedAssetManager:unloadAllImages() unloads = unloads + 1 end
        sharedSoundManager = 5  -- not a manager userdata: ignored
    )");
    state->freeGLAssets();
    state->makeOpenALContextCurrent();
    EXPECT_EQ(state->evaluateExpression("unloads"), "1");
    state->doString("function sharedAssetManager:unloadAllImages() error('broken') end");
    state->freeGLAssets();  // ignored
    expectUnlockedAndEmpty(*state);

    // A real sound manager's context is made current.
    state->doString("sharedSoundManager = soundManager.new()");
    ALCcontext* context = alcGetCurrentContext();
    if (!context)
        GTEST_SKIP() << "no OpenAL output here";
    alcMakeContextCurrent(nullptr);
    state->makeOpenALContextCurrent();
    EXPECT_EQ(alcGetCurrentContext(), context);
    expectUnlockedAndEmpty(*state);
    state->doString("soundManager.delete(sharedSoundManager)");
}
