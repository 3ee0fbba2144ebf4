#include "PlayedGame.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <filesystem>

namespace tern_test {

static std::string bundlerPath() { return std::string(TERN_BUILD_DIR) + "/tern-bundle"; }
std::string playerPath() { return std::string(TERN_BUILD_DIR) + "/tern-player"; }
bool hasPlayerAndBundler() { return fileExists(playerPath()) && fileExists(bundlerPath()); }

const char* const kGameScriptStart = R"(
local sg = scenegraph
local function set(node, values) for port, v in pairs(values) do node[port]:setValue(v, true) end end
game = { attributes = { displaySize = { width = { _value = 200 }, height = { _value = 100 } } } }
devices = {}
function devices:setScreenSize(w, h) end
Project = {}
function Project:new() return setmetatable({}, { __index = Project }) end

function initEngine() sharedSoundManager, sharedAssetManager = soundManager.new(), assetManager.new() end

function play() end function pause() end function reset() end
function keyDown(k) end function keyUp(k) end
function mouseDown(x, y) end function mouseUp(x, y) end function mouseMoved(x, y) end
function stop() print("stopped") end
function render() scene:render() end
)";

void writeColourPNG(const std::string& path, int r, int g, int b)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_ABGR8888);
    SDL_FillRect(image, nullptr, SDL_MapRGBA(image->format, Uint8(r), Uint8(g), Uint8(b), 255));
    EXPECT_EQ(IMG_SavePNG(image, path.c_str()), 0) << path;
    SDL_FreeSurface(image);
}

CommandResult bundleGame(const std::string& folder, const std::string& name, const std::string& engineSource,
                         const std::string& project, const std::string& options)
{
    const std::string engine = folder + "/engine.lua";
    writeFile(engine, engineSource);
    return runCommand(bundlerPath() + " --name " + name + " --engine " + engine + " --project " + project + " " +
                      options + " -o " + folder + "/" + name + ".app 2>&1");
}

}  // namespace tern_test
