-- A test game that makes, in the course of normal play, the mistakes and
-- unusual orders of calls that shipped engine scripts make. Each file of
-- this folder after game.lua adds one mistake:
--
--     mistake("name", function(frame) ... end)
--
-- run is called once per frame (from 1) inside update, with the game's
-- scene and world ready, until it returns true (the game went on as it
-- should) or false (it did not). Square i of the row at the bottom shows
-- mistake i: grey while it runs, green when it passed, red when it failed.
-- Nothing here catches errors: a raised Lua error stops update at that
-- line, as it would stop a shipped game, and the squares stay grey.
--
-- Hooks a mistake may set: pathHooks[name] runs inside
-- project:pathForImage(name) (called by loader nodes while the scene
-- draws); contactHooks[#contactHooks + 1] runs inside each
-- fixtureCollisionBegan.
--
-- The view is 128 × 64 with a dark blue background. Magenta (1, 0, 1)
-- marks what must never be seen: things removed or deleted before they
-- were drawn.

game = { attributes = { displaySize = { width = { _value = 128 }, height = { _value = 64 } } } }
devices = {}
function devices:setScreenSize(w, h) end

mistakes = {}
pathHooks, contactHooks = {}, {}
local frame = 0
local squares = {}

function mistake(name, run)
    mistakes[#mistakes + 1] = { name = name, run = run }
end

-- A sprite of space at (x, y) (centre), w × h, coloured (r, g, b).
function coloured(space, x, y, w, h, r, g, b)
    local node = space:createNode(scenegraph.spriteNode)
    for port, value in pairs({ x = x, y = y, width = w, height = h }) do node[port]:setValue(value, true) end
    local colour = space:createNode(scenegraph.colorNode)
    for port, value in pairs({ r = r, g = g, b = b, a = 1 }) do colour[port]:setValue(value, true) end
    node.color:setValue(colour.output)
    return node, colour
end

-- An ortho space of scene over the whole view.
function viewSpace(scene)
    local space = scene:createSpace(scenegraph.ortho2DSpace)
    for port, value in pairs({ width = 128, height = 64, near = -1, far = 1 }) do space[port]:setValue(value, true) end
    return space
end

-- A sprite off the view showing the image loader node asking for name: the
-- sprite's drawing makes the loader ask project:pathForImage(name).
function trigger(space, name)
    local sprite = space:createNode(scenegraph.spriteNode)
    for port, value in pairs({ x = -50, y = -50, width = 4, height = 4 }) do sprite[port]:setValue(value, true) end
    local loader = space:createNode(scenegraph.imageLoaderNode)
    loader.name:setValue(name, true)
    sprite.image:setValue(loader.asset)
    return sprite, loader
end

Project = {}
function Project:new() return setmetatable({}, { __index = Project }) end
function Project:load(path) self.path = path end
function Project:pathForImage(name)
    local hook = pathHooks[name]
    if hook then hook() end
    return self.path .. "/images/" .. name .. ".png"
end
function Project:pathForSound(name) return self.path .. "/sounds/" .. name .. ".wav" end

function initEngine()
    sharedSoundManager = soundManager.new()
    sharedAssetManager = assetManager.new()
end

function reset()
    scene = scenegraph.scene.new(sharedSoundManager, sharedAssetManager)
    local background = scene:defaultSpace():createNode(scenegraph.clearNode)
    local blue = scene:defaultSpace():createNode(scenegraph.colorNode)
    for port, value in pairs({ r = 0, g = 0, b = 0.5, a = 1 }) do blue[port]:setValue(value, true) end
    background.color:setValue(blue.output)
    space = viewSpace(scene)
    world = physics.World.new(0, 0, false)
end

local function updateSquares()
    for i, m in ipairs(mistakes) do
        if not squares[i] then
            local _, colour = coloured(space, 6 + (i - 1) * 10, 6, 8, 8, 0.5, 0.5, 0.5)
            squares[i] = colour
        end
        if m.passed ~= nil then
            squares[i].r:setValue(m.passed and 0 or 1, true)
            squares[i].g:setValue(m.passed and 1 or 0, true)
            squares[i].b:setValue(0, true)
        end
    end
end

function update(dt)
    frame = frame + 1
    world:step(1 / 60, 8, 3)
    for _, m in ipairs(mistakes) do
        if m.passed == nil then
            local verdict = m.run(frame)
            if verdict ~= nil then
                m.passed = verdict
                if not verdict then print("mistake failed: " .. m.name) end
            end
        end
    end
    updateSquares()
    scene:render()
end

function fixtureCollisionBegan(a, b)
    for _, hook in ipairs(contactHooks) do hook(a, b) end
end
function fixtureCollisionEnded(a, b) end

function keyDown(name) end
function keyUp(name) end
function mouseDown(x, y) end
function mouseUp(x, y) end
function mouseMoved(x, y) end
function play() end
function pause() end
function stop() end
function render() end
function shutdownEngine() end
function logtrace() end
