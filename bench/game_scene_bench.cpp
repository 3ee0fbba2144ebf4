// CPU per frame of a scene shaped like a game's level, played by
// tern-player headless at its paced 60 frames a second with a fixed step:
// 300 actor sprites, each placed, turned and tinted through arithmetic and
// colour nodes that read shared attribute nodes (camera, clock, fade) which
// the script sets every frame, a third of them also moved by the script
// itself; a tiled backdrop in a wrap space scrolling with the camera; three
// text labels, one redrawn every half second; two particle systems of 200
// particles, one following an actor. The images are the demo's. Beside it,
// the empty frame (a scene of one clear node) in the same run, so that what
// the scene itself costs shows. Figures as in bench/PlayerCpu.h.
//
//   game_scene_bench
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PlayerCpu.h"

namespace {

const char* const kGameEngine = R"lua(
local WIDTH, HEIGHT = 480, 320
local ACTORS = 300
local MOVERS = 100
local IMAGES = {"ball", "brick", "paddle", "spark"}

game = { attributes = { displaySize = { width = { _value = WIDTH }, height = { _value = HEIGHT } } } }
devices = {}
function devices:setScreenSize(w, h) end
Project = {}
Project.__index = Project
function Project:new() return setmetatable({}, Project) end
function Project:pathForImage(name) return self.path .. "/images/" .. name .. ".png" end
function Project:pathForSound(name) return self.path .. "/sounds/" .. name .. ".ogg" end
function initEngine()
    math.randomseed(1)
    if soundManager then sharedSoundManager = soundManager.new() end
    sharedAssetManager = assetManager.new()
end
function reset() end
function play() end
function pause() end
function stop() end
function render() end

local space
local attributes = {}
local movers = {}
local score
local elapsed, frame, points = 0, 0, 0

-- A game attribute: an attribute node behind the holder connectToAttribute asks.
local function attribute(kind, value)
    local holder = { node = scenegraph.attributeNode.new(kind) }
    function holder:getNode() return self.node end
    holder.node:setValue(value, true)
    return holder
end

-- An input takes a number, an attribute holder or another node's port.
local function feed(port, input)
    if type(input) == "number" then port:setValue(input, true)
    elseif input.getNode then port:connectToAttribute(input)
    else port:setValue(input) end
end

local function arithmetic(operation, a, b)
    local node = space:createNode(scenegraph.arithmeticNode)
    node.operation:setValue(operation, true)
    feed(node.input1, a)
    feed(node.input2, b)
    return node
end

local function image(name)
    local loader = space:createNode(scenegraph.imageLoaderNode)
    loader.name:setValue(name, true)
    return loader.asset
end

local function addBackdrop()
    local wrap = space:createNode(scenegraph.wrapSpace)
    wrap.wrapX:setValue(true, true)
    wrap.wrapY:setValue(true, true)
    wrap.wrapWidth:setValue(WIDTH, true)
    wrap.wrapHeight:setValue(HEIGHT, true)
    wrap.x:setValue(arithmetic("*", attributes.cameraX, 0.5).output)
    wrap.y:setValue(arithmetic("*", attributes.cameraY, 0.5).output)
    local sprite = wrap:createNode(scenegraph.spriteNode)
    sprite.image:setValue(image("stars"))
    sprite.x:setValue(WIDTH / 2, true)
    sprite.y:setValue(HEIGHT / 2, true)
    sprite.width:setValue(WIDTH, true)
    sprite.height:setValue(HEIGHT, true)
    sprite.horizontalWrapping:setValue(2, true)
    sprite.verticalWrapping:setValue(2, true)
end

local function addActor(i)
    local x = arithmetic("+", (i * 37) % (WIDTH - 40) + 20, attributes.cameraX)
    local y = arithmetic("+", (i * 53) % (HEIGHT - 40) + 20, attributes.cameraY)
    local tint = space:createNode(scenegraph.colorNode)
    tint.g:setValue((i % 5) / 5, true)
    tint.a:connectToAttribute(attributes.fade)
    local sprite = space:createNode(scenegraph.spriteNode)
    sprite.image:setValue(image(IMAGES[i % #IMAGES + 1]))
    sprite.width:setValue(16, true)
    sprite.height:setValue(16, true)
    sprite.x:setValue(x.output)
    sprite.y:setValue(y.output)
    sprite.angle:setValue(arithmetic("*", attributes.clock, (i % 7) * 30).output)
    sprite.color:setValue(tint.output)
    if i <= MOVERS then movers[i] = { x = x.input1, y = y.input1, cx = x.input1:value(), cy = y.input1:value() } end
    return x, y
end

local function addLabel(text, x, y)
    local node = space:createNode(scenegraph.stringToImageNode)
    node.font:setValue("Arial", true)
    node.fontSize:setValue(16, true)
    node.text:setValue(text, true)
    local sprite = space:createNode(scenegraph.spriteNode)
    sprite.image:setValue(node.image)
    sprite.width:setValue(node.width)
    sprite.height:setValue(node.height)
    sprite.x:setValue(x, true)
    sprite.y:setValue(y, true)
    return node
end

local function addEmitter(x, y)
    local node = space:createNode(scenegraph.particleSystemNode)
    node.numParticles:setValue(200, true)
    node.lifetime:setValue(1.5, true)
    node.lifestart:setValue(1.5, true)
    node.direction:setValue(90, true)
    node.speed:setValue(60, true)
    node.size:setValue(8, true)
    node.sizeTarget:setValue(2, true)
    node.sizeTransitionTime:setValue(1.5, true)
    node.gravityY:setValue(-40, true)
    node.colorTransitionTime:setValue(1.5, true)
    node.blendingMode:setValue(2, true)
    node.image:setValue(image("spark"))
    feed(node.x, x)
    feed(node.y, y)
    node.time:connectToAttribute(attributes.clock)
    node.spawnParticles:setValue(true, true)
end

function Project:load(path)
    self.path = path
    scene = scenegraph.scene.new(sharedSoundManager, sharedAssetManager)
    space = scene:createSpace(scenegraph.ortho2DSpace)
    space.width:setValue(WIDTH, true)
    space.height:setValue(HEIGHT, true)
    space.near:setValue(-1, true)
    space.far:setValue(1, true)
    space:createNode(scenegraph.clearNode)
    attributes.cameraX = attribute(scenegraph.NUMBER, 0)
    attributes.cameraY = attribute(scenegraph.NUMBER, 0)
    attributes.clock = attribute(scenegraph.NUMBER, 0)
    attributes.fade = attribute(scenegraph.NUMBER, 1)
    addBackdrop()
    local firstX, firstY
    for i = 1, ACTORS do
        local x, y = addActor(i)
        firstX, firstY = firstX or x, firstY or y
    end
    addLabel("Level 1", WIDTH / 2, HEIGHT - 16)
    score = addLabel("Score 0", 60, HEIGHT - 16)
    addLabel("Lives 3", WIDTH - 60, HEIGHT - 16)
    addEmitter(firstX.output, firstY.output)
    addEmitter(WIDTH / 2, 20)
    space:createNode(scenegraph.soundListenerNode)
end

function update(dt)
    elapsed = elapsed + dt
    frame = frame + 1
    attributes.cameraX.node:setValue(20 * math.sin(elapsed), true)
    attributes.cameraY.node:setValue(10 * math.cos(elapsed), true)
    attributes.clock.node:setValue(elapsed, true)
    attributes.fade.node:setValue(0.75 + 0.25 * math.sin(elapsed * 3), true)
    for i = 1, #movers do
        local mover = movers[i]
        local phase = i * 0.1 + elapsed * 3
        mover.x:setValue(mover.cx + 15 * math.cos(phase), true)
        mover.y:setValue(mover.cy + 15 * math.sin(phase), true)
    end
    if frame % 30 == 0 then
        points = points + 10
        score.text:setValue("Score " .. points, true)
    end
    if sharedSoundManager then sharedSoundManager:update() end
    scene:render()
end
)lua";

namespace fs = std::filesystem;

// Lays out dir/NAME.app from an engine script and a project folder; its
// path, or an empty string when tern-bundle failed.
std::string makeBundle(const fs::path& dir, const std::string& name, const char* engine, const fs::path& project)
{
    const fs::path script = dir / (name + ".lua");
    std::ofstream(script) << engine;
    const std::string bundle = (dir / (name + ".app")).string();
    if (playercpu::cpuSecondsOf({TERN_BUILD_DIR "/tern-bundle", "--name", name, "--engine", script.string(),
                                 "--project", project.string(), "-o", bundle}) < 0.0)
        return std::string();
    return bundle;
}

// True when a short run of the bundle printed no error: a scene whose
// script fails every frame would be cheap for the wrong reason.
bool playsCleanly(const std::string& bundle, const fs::path& dir)
{
    const std::string errors = (dir / "errors.txt").string();
    if (playercpu::cpuSecondsOf({TERN_BUILD_DIR "/tern-player", "--headless", "--fixed-step", "--frames", "31", bundle},
                                errors) < 0.0)
        return false;
    std::ifstream in(errors);
    std::string line;
    bool clean = true;
    while (std::getline(in, line)) {
        std::fprintf(stderr, "game_scene_bench: %s\n", line.c_str());
        clean = false;
    }
    return clean;
}

}  // namespace

int main()
{
    const fs::path dir = fs::temp_directory_path() / ("tern-game-scene-" + std::to_string(getpid()));
    fs::create_directories(dir / "empty");
    const std::string game =
        makeBundle(dir, "GameScene", kGameEngine, TERN_BUILD_DIR "/Demo.app/Contents/Resources/Demo.gameproj");
    const std::string empty = makeBundle(dir, "Empty", playercpu::kEmptyEngine, dir / "empty");
    if (game.empty() || empty.empty() || !playsCleanly(game, dir)) {
        std::fprintf(stderr, "game_scene_bench: the game scene could not be made or does not play cleanly\n");
        fs::remove_all(dir);
        return 1;
    }
    std::printf("CPU ms per frame at 60 frames a second, headless offscreen, fixed step (%d frames, median of %d)\n",
                playercpu::kFrames, playercpu::kRounds);
    auto run = [](const std::string& bundle) {
        return playercpu::millisecondsPerFrame([&](int frames) {
            return std::vector<std::string>{TERN_BUILD_DIR "/tern-player", "--headless", "--fixed-step", "--frames",
                                            std::to_string(frames), bundle};
        });
    };
    playercpu::print("tern-player, the game-shaped scene", run(game));
    playercpu::print("tern-player, a scene of one clear node", run(empty));
    fs::remove_all(dir);
    return 0;
}
