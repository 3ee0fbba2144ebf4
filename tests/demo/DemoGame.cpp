#include "DemoGame.h"

#include <GL/gl.h>

#include "lauxlib.h"
#include "lua.h"

namespace tern_test {

DemoGame::DemoGame(OffscreenGL& gl, const std::string& savePath, const std::string& enginePath,
                   const std::string& projectPath)
    : gl_(gl), S_(TN_NewState(0))
{
    gl_.makeCurrent();
    // The drawing state the game view sets up before the first frame.
    glViewport(0, 0, gl_.width(), gl_.height());
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_POINT_SPRITE);
    initStatus_ = TN_Init(S_, enginePath.c_str(), savePath.empty() ? nullptr : savePath.c_str());
    lua_settop(S_->L, 0);
    TN_LoadGame(S_, projectPath.c_str());
    TN_Reset(S_);
    TN_SetScreenSize(S_, gl_.width(), gl_.height());
    TN_Play(S_);
}

DemoGame::~DemoGame()
{
    gl_.makeCurrent();
    TN_DestroyState(S_);
}

void DemoGame::frames(int count)
{
    gl_.makeCurrent();
    for (int i = 0; i < count; ++i)
        TN_Update(S_, 1.0f / 60);
    glFinish();
}

bool DemoGame::framesUntil(const std::string& condition, int maxFrames)
{
    for (int i = 0; i < maxFrames; ++i) {
        if (eval(condition) == "true")
            return true;
        frames(1);
    }
    return eval(condition) == "true";
}

void DemoGame::press(const char* key)
{
    TN_KeyDown(S_, key);
    frames(1);
    TN_KeyUp(S_, key);
}

std::string DemoGame::eval(const std::string& expression)
{
    lua_State* L = S_->L;
    const int top = lua_gettop(L);
    const std::string chunk = "return tostring(" + expression + ")";
    std::string result;
    if (luaL_loadstring(L, chunk.c_str()) != 0 || lua_pcall(L, 0, 1, 0) != 0) {
        const char* message = lua_tostring(L, -1);
        result = std::string("error: ") + (message ? message : "?");
    } else {
        const char* value = lua_tostring(L, -1);
        result = value ? value : "nil";
    }
    lua_settop(L, top);
    return result;
}

int DemoGame::countPixels(int x, int y, int w, int h, const std::function<bool(const Pixel&)>& accept)
{
    const std::vector<Pixel> all = gl_.readPixels();
    int count = 0;
    for (int row = y; row < y + h; ++row)
        for (int col = x; col < x + w; ++col)
            if (row >= 0 && col >= 0 && row < gl_.height() && col < gl_.width() &&
                accept(all[static_cast<size_t>(row) * gl_.width() + col]))
                ++count;
    return count;
}

}  // namespace tern_test
