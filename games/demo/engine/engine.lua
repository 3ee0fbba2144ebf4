-- The Tern demo engine: reads a project folder of XML documents (see the
-- README, "Demo game and project format") and plays it with the player's
-- modules: scenegraph for drawing, physics for bodies and collisions,
-- assetManager and soundManager for images and sounds, database for saved
-- values, platformWrappers for music.
--
-- Globals the host calls: initEngine, Project, reset, devices, play, pause,
-- stop, update, render, keyDown, keyUp, mouseDown, mouseUp, mouseMoved,
-- game, Renderer, AssetManager, shutdownEngine, fixtureCollisionBegan,
-- fixtureCollisionEnded, logtrace.

local STEP = 1 / 60          -- physics step, seconds
local MAX_STEPS = 5          -- steps per frame at most (a stalled frame does not run away)
local FIXTURE_ID = 2         -- every fixture reports its contacts to the script

-- Helpers ----------------------------------------------------------------

local function warn(message)
    print("Demo: " .. message)
end

local function number(value, default)
    return tonumber(value) or default
end

-- "#rrggbb" or "#rrggbbaa" into r, g, b, a in 0..1; white when malformed.
local function parseColor(text)
    if type(text) ~= "string" then return 1, 1, 1, 1 end
    local hex = text:match("^#(%x+)$")
    if not hex or (#hex ~= 6 and #hex ~= 8) then return 1, 1, 1, 1 end
    local function byte(i) return tonumber(hex:sub(i, i + 1), 16) / 255 end
    return byte(1), byte(3), byte(5), #hex == 8 and byte(7) or 1
end

-- A list of integers written "1 3 4".
local function parseList(text)
    local list = {}
    for word in tostring(text or ""):gmatch("%S+") do
        local n = tonumber(word)
        if n then list[#list + 1] = n end
    end
    return list
end

-- The child elements of a document table (text children are skipped).
local function children(element)
    local list = {}
    for i = 1, #element do
        if type(element[i]) == "table" then list[#list + 1] = element[i] end
    end
    return list
end

-- "Score {score}" with the game's variables filled in.
local function fillTemplate(text, vars)
    return (tostring(text or ""):gsub("{(%w+)}", function(name)
        local v = vars[name]
        if v == nil then return "" end
        return tostring(v)
    end))
end

function logtrace()
    print(debug.traceback("logtrace", 2))
end

-- Devices, renderer and asset tables the host reaches by name ------------

devices = {width = 480, height = 320}

function devices:setScreenSize(width, height)
    self.width, self.height = width, height
    if game then game:layout() end
end

Renderer = {}

function Renderer:removeCurrentView()
    if game then game.viewRemoved = true end
end

AssetManager = {}

function AssetManager:freeGLAssets()
    if sharedAssetManager then sharedAssetManager:unloadAllImages() end
end

-- Project: the folder of XML documents ----------------------------------

Project = {}
Project.__index = Project

function Project:new()
    return setmetatable({path = nil, images = {}, sounds = {}, music = {}, scenes = {},
                         attributes = {}}, Project)
end

function Project:load(path)
    self.path = path
    local doc, err = pgf.loadFile(path .. "/project.xml")
    if not doc then
        warn("cannot read the project: " .. tostring(err))
        return
    end
    if doc[0] ~= "project" then
        warn(path .. "/project.xml: the root element must be <project>, not <" .. tostring(doc[0]) .. ">")
        return
    end
    self.attributes = doc
    for _, element in ipairs(children(doc)) do
        local kind, name, file = element[0], element.name, element.file
        if (kind == "image" or kind == "sound" or kind == "music" or kind == "scene") and not (name and file) then
            warn("project.xml: <" .. kind .. "> needs a name and a file")
        elseif kind == "image" then self.images[name] = file
        elseif kind == "sound" then self.sounds[name] = file
        elseif kind == "music" then self.music[name] = file
        elseif kind == "scene" then self.scenes[name] = file
        else warn("project.xml: unknown element <" .. tostring(kind) .. ">") end
    end
    game = Game.new(self)
end

local function assetPath(project, table, name, folder, suffix)
    local file = table[name] or (folder .. "/" .. tostring(name) .. suffix)
    return project.path .. "/" .. file
end

function Project:pathForImage(name)
    return assetPath(self, self.images, name, "images", ".png")
end

function Project:pathForSound(name)
    return assetPath(self, self.sounds, name, "sounds", ".ogg")
end

function Project:loadScene(name)
    local file = self.scenes[name]
    if not file then
        warn("no scene named '" .. tostring(name) .. "'")
        return nil
    end
    local doc, err = pgf.loadFile(self.path .. "/" .. file)
    if not doc then
        warn("cannot read scene '" .. name .. "': " .. tostring(err))
        return nil
    end
    return doc
end

-- Scene: what one scene document builds --------------------------------

local Scene = {}
Scene.__index = Scene

-- A colour node with the colour given as "#rrggbb[aa]".
function Scene:colorNode(text)
    local node = self.space:createNode(scenegraph.colorNode)
    local r, g, b, a = parseColor(text)
    node.r:setValue(r, true)
    node.g:setValue(g, true)
    node.b:setValue(b, true)
    node.a:setValue(a, true)
    return node
end

-- An image port source for a name, or nil without an asset manager.
local function readable(path)
    local file = io.open(path, "rb")
    if file then file:close() return true end
    return false
end

function Scene:imageSource(name, space)
    if not name or not sharedAssetManager then return nil end
    if not readable(game.project:pathForImage(name)) then
        -- drawn in the element's colour instead
        warn("no picture '" .. tostring(name) .. "' at " .. game.project:pathForImage(name))
        return nil
    end
    local loader = (space or self.space):createNode(scenegraph.imageLoaderNode)
    if not loader then return nil end
    loader.name:setValue(name, true)
    return loader.asset
end

-- A sprite showing an image (tinted by color) or, failing that, a flat colour.
function Scene:sprite(element, space)
    space = space or self.space
    local sprite = space:createNode(scenegraph.spriteNode)
    local image = self:imageSource(element.image, space)
    local tint = image and (element.tint or "#ffffff") or (element.color or element.tint or "#ffffff")
    sprite.color:setValue(self:colorNode(tint).output)
    if image then sprite.image:setValue(image) end
    sprite.x:setValue(number(element.x, 0), true)
    sprite.y:setValue(number(element.y, 0), true)
    sprite.width:setValue(number(element.width, 16), true)
    sprite.height:setValue(number(element.height, 16), true)
    sprite.angle:setValue(number(element.angle, 0), true)
    sprite.blendingMode:setValue(number(element.blend, 0), true)
    if element.tile == "true" then
        sprite.horizontalWrapping:setValue(2, true)
        sprite.verticalWrapping:setValue(2, true)
    end
    return sprite
end

-- <backdrop image scrollX scrollY tint/>: a tiled picture over the whole
-- view, inside a wrap space that scrolls it seamlessly.
function Scene:addBackdrop(element)
    local wrap = self.space:createNode(scenegraph.wrapSpace)
    local w, h = self.width, self.height
    wrap.wrapX:setValue(true, true)
    wrap.wrapY:setValue(true, true)
    wrap.wrapWidth:setValue(w, true)
    wrap.wrapHeight:setValue(h, true)
    local sprite = self:sprite({image = element.image, color = element.color or "#000000",
                                tint = element.tint, x = w / 2, y = h / 2, width = w, height = h,
                                tile = "true"}, wrap)
    self.scrollers[#self.scrollers + 1] = {space = wrap, sprite = sprite, x = 0, y = 0,
        dx = number(element.scrollX, 0), dy = number(element.scrollY, 0), w = w, h = h}
end

-- <text name x y size font color align value/>: a string-to-image node
-- feeding a sprite. align is left, center or right about x.
function Scene:addText(element)
    local text = self.space:createNode(scenegraph.stringToImageNode)
    text.font:setValue(element.font or "Arial", true)
    text.fontSize:setValue(number(element.size, 16), true)
    local sprite = self.space:createNode(scenegraph.spriteNode)
    sprite.color:setValue(self:colorNode(element.color or "#ffffff").output)
    sprite.image:setValue(text.image)
    sprite.width:setValue(text.width)
    sprite.height:setValue(text.height)
    sprite.y:setValue(number(element.y, 0), true)
    local label = {node = text, sprite = sprite, template = element.value or "", shown = nil,
                   x = number(element.x, 0), align = element.align or "center"}
    self.texts[#self.texts + 1] = label
    if element.name then self.named[element.name] = label end
end

function Scene:refreshTexts()
    for _, label in ipairs(self.texts) do
        local value = fillTemplate(label.template, game.vars)
        if value ~= label.shown then
            label.shown = value
            label.node.text:setValue(value, true)
            local width = label.node.width:value() or 0
            local x = label.x
            if label.align == "left" then x = x + width / 2
            elseif label.align == "right" then x = x - width / 2 end
            label.sprite.x:setValue(x, true)
        end
    end
end

-- <emitter name x y color colorTarget size sizeTarget speed direction spread
-- lifetime gravityY count burst image/>: a particle system; with burst it
-- only spawns for a moment when a rule bursts it.
function Scene:addEmitter(element)
    local node = self.space:createNode(scenegraph.particleSystemNode)
    node.numParticles:setValue(number(element.count, 64), true)
    node.lifetime:setValue(number(element.lifetime, 1), true)
    node.lifestart:setValue(number(element.lifestart, 0), true)
    node.direction:setValue(number(element.direction, 90), true)
    node.speed:setValue(number(element.speed, 60), true)
    node.size:setValue(number(element.size, 6), true)
    node.sizeTarget:setValue(number(element.sizeTarget, 1), true)
    node.sizeTransitionTime:setValue(number(element.lifetime, 1), true)
    node.gravityX:setValue(number(element.gravityX, 0), true)
    node.gravityY:setValue(number(element.gravityY, 0), true)
    node.angularVelocity:setValue(number(element.spin, 0), true)
    node.colorTransitionTime:setValue(number(element.lifetime, 1), true)
    node.color:setValue(self:colorNode(element.color or "#ffffff").output)
    node.colorTarget:setValue(self:colorNode(element.colorTarget or "#ffffff00").output)
    node.blendingMode:setValue(number(element.blend, 2), true)
    local image = self:imageSource(element.image)
    if image then node.image:setValue(image) end
    node.x:setValue(number(element.x, 0), true)
    node.y:setValue(number(element.y, 0), true)
    local emitter = {node = node, burst = number(element.burst, 0), until_ = -1,
                     direction = number(element.direction, 90), spread = number(element.spread, 0)}
    node.spawnParticles:setValue(emitter.burst == 0, true)
    self.emitters[#self.emitters + 1] = emitter
    if element.name then self.named[element.name] = emitter end
end

-- A physics body and fixture for an actor element (body="static",
-- "kinematic" or "dynamic"; shape="box" or "circle").
function Scene:addBody(actor, element)
    local def = physics.BodyDefinition.new()
    local kinds = {static = 0, kinematic = 1, dynamic = 2}
    def:setType(kinds[element.body] or 0)
    def:setPosition(actor.x, actor.y)
    def:setFixedRotation(true)
    def:setActorID(actor.id)
    for _, c in ipairs(parseList(element.category)) do def:addCollisionCategory(c) end
    local body = self.world:createBody(def)
    if not body then return end
    local shape
    if element.shape == "circle" then
        shape = physics.CircleShape.new(actor.width / 2)
    else
        shape = physics.PolygonShape.new()
        shape:setAsBox(actor.width / 2, actor.height / 2)
    end
    local fdef = physics.FixtureDefinition.new()
    fdef:setShape(shape)
    fdef:setDensity(number(element.density, 1))
    fdef:setFriction(0)
    fdef:setRestitution(number(element.restitution, 0))
    fdef:setIsSensor(element.sensor == "true")
    fdef:setFixtureID(FIXTURE_ID)
    for _, c in ipairs(parseList(element.mask)) do fdef:addCollisionMaskCategory(c) end
    body:createFixture(fdef)
    actor.body = body
end

-- <actor name role image color x y width height body shape category mask
-- restitution sensor speed score sound/>
function Scene:addActor(element)
    self.nextID = self.nextID + 1
    local actor = {id = self.nextID, name = element.name, role = element.role or "prop",
                   x = number(element.x, 0), y = number(element.y, 0),
                   width = number(element.width, 16), height = number(element.height, 16),
                   element = element, alive = true}
    if element.image or element.color then actor.sprite = self:sprite(element) end
    if element.body then self:addBody(actor, element) end
    self.actors[actor.id] = actor
    if actor.name then self.named[actor.name] = actor end
    self.roles[actor.role] = (self.roles[actor.role] or 0) + 1
    return actor
end

-- <grid rows columns x y width height gap .../>: rows of actors, the
-- bottom-left one centred at (x, y); a colors list tints each row.
function Scene:addGrid(element)
    local rows, columns = number(element.rows, 1), number(element.columns, 1)
    local w, h, gap = number(element.width, 16), number(element.height, 16), number(element.gap, 0)
    local colors = {}
    for c in tostring(element.rowColors or ""):gmatch("%S+") do colors[#colors + 1] = c end
    for row = 0, rows - 1 do
        for column = 0, columns - 1 do
            local copy = {}
            for k, v in pairs(element) do copy[k] = v end
            copy[0] = "actor"
            copy.x = number(element.x, 0) + column * (w + gap)
            copy.y = number(element.y, 0) + row * (h + gap)
            copy.tint = colors[row + 1] or element.tint
            if not copy.image then copy.color = colors[row + 1] or element.color end
            self:addActor(copy)
        end
    end
end

-- <lives x y image spacing/>: one picture per life left, drawn by a
-- replicator space.
function Scene:addLives(element)
    local replicator = self.space:createNode(scenegraph.replicatorSpace)
    replicator.angle:setValue(0, true)
    replicator.spacing:setValue(number(element.spacing, 20), true)
    self:sprite(element, replicator)
    self.lives = replicator
end

-- <sound name/> and every sound an actor or rule names get a player node.
function Scene:soundPlayer(name)
    if not name then return nil end
    if self.players[name] ~= nil then return self.players[name] or nil end
    self.players[name] = false
    if not sharedAssetManager or not sharedSoundManager then return nil end
    local loader = self.space:createNode(scenegraph.soundLoaderNode)
    local player = self.space:createNode(scenegraph.soundPlayerNode)
    if not loader or not player then return nil end
    loader.name:setValue(name, true)
    player.sound:setValue(loader.asset)
    player.sourceRelative:setValue(false, true)
    player.volume:setValue(1, true)
    player.pitch:setValue(1, true)
    self.players[name] = player
    return player
end

function Scene:playSound(name, x, y)
    local player = self:soundPlayer(name)
    game.soundsPlayed = game.soundsPlayed + 1
    if not player then return end
    player.x:setValue(x or self.width / 2, true)
    player.y:setValue(y or self.height / 2, true)
    player.trigger:setValue(true, true)
    player:compute()
    player.trigger:setValue(false, true)
end

local builders = {
    backdrop = Scene.addBackdrop, text = Scene.addText, emitter = Scene.addEmitter,
    actor = Scene.addActor, grid = Scene.addGrid, lives = Scene.addLives,
    rule = function(self, element) self.rules[#self.rules + 1] = element end,
    sound = function(self, element) self:soundPlayer(element.name) end,
}

function Scene.build(name, doc, width, height)
    local self = setmetatable({name = name, width = width, height = height, actors = {},
        named = {}, roles = {}, texts = {}, emitters = {}, scrollers = {}, rules = {},
        players = {}, nextID = 0, pending = {}, time = 0, accumulator = 0}, Scene)
    self.scene = scenegraph.scene.new(sharedSoundManager, sharedAssetManager)
    self.space = self.scene:createSpace(scenegraph.ortho2DSpace)
    self.space.width:setValue(width, true)
    self.space.height:setValue(height, true)
    self.space.near:setValue(-1, true)
    self.space.far:setValue(1, true)
    local clear = self.space:createNode(scenegraph.clearNode)
    clear.color:setValue(self:colorNode(doc.background or "#000000").output)
    local gravity = parseList(doc.gravity)
    self.world = physics.World.new(gravity[1] or 0, gravity[2] or 0, true)
    for _, element in ipairs(children(doc)) do
        local builder = builders[element[0]]
        if builder then builder(self, element)
        else warn("scene '" .. name .. "': unknown element <" .. tostring(element[0]) .. ">") end
    end
    local listener = self.space:createNode(scenegraph.soundListenerNode)
    listener.x:setValue(width / 2, true)
    listener.y:setValue(height / 2, true)
    listener.gain:setValue(1, true)
    self.music = doc.music
    return self
end

function Scene:destroy()
    self.scene:delete()
    self.scene = nil
    self.world = nil
    self.actors = {}
end

-- Rules: <rule on="..." .../> with on = keyDown (key), mouseDown,
-- collision (role, with), cleared (role), lost (role, with), start.
-- Actions: scene, score, lives, sound, burst, remove, launch, quit, save.
function Scene:fire(event, match, actor, other)
    for _, rule in ipairs(self.rules) do
        if rule.on == event and match(rule) then
            game:apply(rule, actor, other)
        end
    end
end

-- Physics and behaviour ----------------------------------------------------

local function actorOf(fixture)
    local ok, body = pcall(fixture.body, fixture)
    if not ok or not body then return nil end
    local ok2, id = pcall(body.actorID, body)
    if not ok2 or not game or not game.current then return nil end
    return game.current.actors[id]
end

function fixtureCollisionBegan(a, b)
    local first, second = actorOf(a), actorOf(b)
    if first and second and game.current then
        local pending = game.current.pending
        pending[#pending + 1] = {first, second}
    end
end

function fixtureCollisionEnded(a, b)
end

function Scene:movePaddles(dt)
    for _, actor in pairs(self.actors) do
        if actor.role == "paddle" and actor.body then
            local speed = number(actor.element.speed, 360)
            local x = actor.body:position()
            local target = game.pointerX
            local vx = 0
            if game.keys.left then vx = -speed elseif game.keys.right then vx = speed
            elseif target then vx = math.max(-speed * 2, math.min(speed * 2, (target - x) * 12)) end
            local half = actor.width / 2
            if (x - half <= 0 and vx < 0) or (x + half >= self.width and vx > 0) then vx = 0 end
            actor.body:setLinearVelocity(vx, 0)
        end
    end
end

-- Balls keep their speed and never travel too flat.
function Scene:steadyBalls()
    for _, actor in pairs(self.actors) do
        if actor.role == "ball" and actor.body and actor.launched then
            local vx, vy = actor.body:linearVelocity()
            local speed = number(actor.element.speed, 240)
            local length = math.sqrt(vx * vx + vy * vy)
            if length < 1 then vx, vy, length = 0.5, 1, math.sqrt(1.25) end
            vx, vy = vx / length, vy / length
            if math.abs(vy) < 0.3 then vy = (vy < 0 and -0.3 or 0.3) vx = (vx < 0 and -1 or 1) * math.sqrt(1 - 0.09) end
            actor.body:setLinearVelocity(vx * speed, vy * speed)
        end
    end
end

-- A ball not yet launched rides on the paddle.
function Scene:carryBalls()
    local paddle
    for _, actor in pairs(self.actors) do
        if actor.role == "paddle" and actor.body then paddle = actor end
    end
    for _, actor in pairs(self.actors) do
        if actor.role == "ball" and actor.body and not actor.launched and paddle then
            local px, py = paddle.body:position()
            actor.body:setPositionAndAngle(px, py + paddle.height / 2 + actor.height / 2 + 1, 0)
            actor.body:setLinearVelocity(0, 0)
        end
    end
end

function Scene:launch()
    for _, actor in pairs(self.actors) do
        if actor.role == "ball" and actor.body and not actor.launched then
            actor.launched = true
            local speed = number(actor.element.speed, 240)
            actor.body:setLinearVelocity(speed * 0.6, speed * 0.8)
        end
    end
end

function Scene:removeActor(actor)
    if not actor.alive then return end
    actor.alive = false
    if actor.body then self.world:destroyBody(actor.body) actor.body = nil end
    if actor.sprite then self.space:removeNode(actor.sprite) actor.sprite = nil end
    self.actors[actor.id] = nil
    self.roles[actor.role] = (self.roles[actor.role] or 1) - 1
    if self.roles[actor.role] == 0 then
        self:fire("cleared", function(rule) return rule.role == actor.role end, actor)
    end
end

-- A ball is lost: it goes back onto the paddle.
function Scene:resetBall(ball)
    ball.launched = false
end

function Scene:handleContacts()
    local pending = self.pending
    self.pending = {}
    for _, pair in ipairs(pending) do
        for i = 1, 2 do
            local actor, other = pair[i], pair[3 - i]
            if actor.alive and other.alive then
                if actor.role == "ball" and other.role == "paddle" and actor.body and other.body then
                    -- the further from the paddle's centre, the steeper the rebound
                    local bx = actor.body:position()
                    local px = other.body:position()
                    local offset = math.max(-1, math.min(1, (bx - px) / (other.width / 2)))
                    local speed = number(actor.element.speed, 240)
                    actor.body:setLinearVelocity(speed * offset * 0.8, speed * math.sqrt(1 - (offset * 0.8) ^ 2))
                end
                self:fire("collision", function(rule)
                    return rule.role == actor.role and (rule.with == nil or rule.with == other.role)
                end, actor, other)
            end
        end
    end
end

function Scene:step(dt)
    self.time = self.time + dt
    self.accumulator = math.min(self.accumulator + dt, STEP * MAX_STEPS)
    while self.accumulator >= STEP - 1e-6 do
        self.accumulator = self.accumulator - STEP
        self:movePaddles(STEP)
        self:carryBalls()
        self.world:step(STEP, 8, 3)
        self:handleContacts()
        self:steadyBalls()
    end
    for _, actor in pairs(self.actors) do
        if actor.body and actor.sprite then
            local x, y = actor.body:position()
            actor.x, actor.y = x, y
            actor.sprite.x:setValue(x, true)
            actor.sprite.y:setValue(y, true)
        end
    end
    for _, s in ipairs(self.scrollers) do
        s.x = (s.x + s.dx * dt) % s.w
        s.y = (s.y + s.dy * dt) % s.h
        s.space.x:setValue(s.x, true)
        s.space.y:setValue(s.y, true)
        s.sprite.x:setValue(s.w / 2 + s.x, true)
        s.sprite.y:setValue(s.h / 2 + s.y, true)
    end
    for _, emitter in ipairs(self.emitters) do
        if emitter.burst > 0 and emitter.until_ >= 0 and self.time > emitter.until_ then
            emitter.node.spawnParticles:setValue(false, true)
            emitter.until_ = -1
        end
        if emitter.spread ~= 0 then
            -- particles born on different frames fan out around the direction
            local swing = math.sin(self.time * 7.3) + 0.5 * math.sin(self.time * 17.9)
            emitter.node.direction:setValue(emitter.direction + emitter.spread * swing / 1.5, true)
        end
        emitter.node.time:setValue(self.time, true)
    end
end

function Scene:render()
    if self.lives then self.lives.copies:setValue(game.vars.lives or 0, true) end
    self:refreshTexts()
    self.scene:render()
end

-- Game: variables, scenes, input ---------------------------------------

Game = {}
Game.__index = Game

function Game.new(project)
    local width = number(project.attributes.width, 480)
    local height = number(project.attributes.height, 320)
    local self = setmetatable({project = project, current = nil, keys = {}, paused = false,
        frames = 0, soundsPlayed = 0, startScene = project.attributes.startScene or "title",
        attributes = {displaySize = {width = {_value = width}, height = {_value = height}}},
        resolutionIndependence = 0, resolution = 0, width = width, height = height,
        vars = {}, title = project.attributes.name or "Tern demo"}, Game)
    self.vars.highScore = self:loadHighScore()
    return self
end

function Game:loadHighScore()
    if not database then return 0 end
    return tonumber(database.loadValueForKey("highScore")) or 0
end

function Game:saveHighScore()
    local score = self.vars.score or 0
    if score > (self.vars.highScore or 0) then
        self.vars.highScore = score
        if database then database.storeValueForKey(tostring(score), "highScore") end
    end
end

function Game:layout()
    -- The scene keeps its own world size; the view scales it to fit.
end

-- A scene that cannot be read leaves the current one playing.
function Game:switchToScene(name)
    local doc = name ~= nil and self.project:loadScene(name)
    if name ~= nil and not doc then return end
    if self.current then
        self.current:destroy()
        self.current = nil
        collectgarbage()
    end
    if name == nil then return end
    if doc.score then self.vars.score = number(doc.score, 0) end
    if doc.lives then self.vars.lives = number(doc.lives, 3) end
    self.current = Scene.build(name, doc, self.width, self.height)
    self.sceneName = name
    self.scenesStarted = (self.scenesStarted or 0) + 1
    local music = self.current.music
    if music and music ~= self.musicName then
        local file = self.project.music[music]
        if file and platformWrappers then platformWrappers.playMusic(self.project.path .. "/" .. file, 1) end
        self.musicName = music
    end
    self.current:fire("start", function() return true end)
end

function Game:setNeedsToChangeScene(name)
    self.nextScene = name
end

function Game:apply(rule, actor, other)
    local scene = self.current
    if rule.score then self.vars.score = (self.vars.score or 0) + number(rule.score, 0) end
    if rule.lives then self.vars.lives = (self.vars.lives or 0) + number(rule.lives, 0) end
    if rule.sound then scene:playSound(rule.sound, actor and actor.x, actor and actor.y) end
    if rule.burst then
        local emitter = scene.named[rule.burst]
        if emitter and emitter.node then
            emitter.node.x:setValue(other and other.x or actor and actor.x or 0, true)
            emitter.node.y:setValue(other and other.y or actor and actor.y or 0, true)
            emitter.node.spawnParticles:setValue(true, true)
            emitter.until_ = scene.time + emitter.burst
        end
    end
    if rule.remove == "other" and other then scene:removeActor(other)
    elseif rule.remove == "self" and actor then scene:removeActor(actor) end
    if rule.launch == "true" then scene:launch() end
    if rule.reset == "ball" then
        local ball = actor and actor.role == "ball" and actor or other
        if ball then scene:resetBall(ball) end
    end
    if rule.save == "true" then self:saveHighScore() end
    if rule.quit == "true" then
        self:saveHighScore()
        if callbacks then callbacks.gameDidEnd() end
    end
    if rule.scene then self.nextScene = rule.scene end
    if rule.lives and (self.vars.lives or 0) <= 0 and rule.over then
        self:saveHighScore()
        self.nextScene = rule.over
    end
end

function Game:update(dt)
    self.frames = self.frames + 1
    if self.paused or not self.current then return end
    self.current:step(dt)
    if self.nextScene then
        local name = self.nextScene
        self.nextScene = nil
        self:switchToScene(name)
    end
end

function Game:render()
    if self.current then self.current:render() end
end

function Game:keyDown(name)
    self.keys[name] = true
    if name == "left" or name == "right" then self.pointerX = nil end
    if self.current then
        self.current:fire("keyDown", function(rule) return rule.key == name or rule.key == "any" end)
    end
end

function Game:keyUp(name)
    self.keys[name] = nil
end

function Game:mouseDown(x, y)
    self.pointerX = x
    if self.current then self.current:fire("mouseDown", function() return true end) end
end

-- Entry points called by the host --------------------------------------

function initEngine()
    -- Particle lifetimes come from the C library's generator: seeding it
    -- makes every run with the same input draw the same frames.
    math.randomseed(1)
    if soundManager then sharedSoundManager = soundManager.new() end
    if assetManager then sharedAssetManager = assetManager.new() end
end

function reset()
    if not game then return end
    game.vars.score, game.vars.lives = 0, 0
    game.nextScene = nil
    game:switchToScene(game.startScene)
end

function play() if game then game.paused = false end end
function pause() if game then game.paused = true end end
function stop()
    if game then game.paused = true end
    if platformWrappers then platformWrappers.stopMusic() end
end

function update(dt)
    if sharedSoundManager then sharedSoundManager:update() end
    if not game then return end
    game:update(dt)
    game:render()
end

function render()
    if game then game:render() end
end

function keyDown(name) if game then game:keyDown(name) end end
function keyUp(name) if game then game:keyUp(name) end end
function mouseDown(x, y) if game then game:mouseDown(x, y) end end
function mouseUp(x, y) end
function mouseMoved(x, y) if game then game.pointerX = x end end

function shutdownEngine()
    if game then
        game:switchToScene(nil)
        game = nil
    end
    if platformWrappers then platformWrappers.stopMusic() end
    -- The sound manager goes first: its sources let go of the cached
    -- sounds' buffers, which the asset manager then deletes.
    if sharedSoundManager then sharedSoundManager:delete() sharedSoundManager = nil end
    if sharedAssetManager then sharedAssetManager:delete() sharedAssetManager = nil end
end
