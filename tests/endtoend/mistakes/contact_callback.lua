-- A contact callback inside World.step that destroys a body twice, reads
-- it, removes a sprite, deletes a scene, and tries to step and to create a
-- body: the changes it may make wait for the step to end, the others are
-- passed over with a line, and the game goes on.
local a, b, victim, doomed, seen
local function sensorBody(x, id)
    local def = physics.BodyDefinition.new()
    def:setType(2)
    def:setPosition(x, -400)
    def:setActorID(id)
    def:addCollisionCategory(1)
    local body = world:createBody(def)
    local shape = physics.CircleShape.new(10)
    local fdef = physics.FixtureDefinition.new()
    fdef:setShape(shape)
    fdef:setIsSensor(true)
    fdef:setFixtureID(2)
    fdef:addCollisionMaskCategory(1)
    body:createFixture(fdef)
    return body
end
mistake("changes from a contact callback", function(frame)
    if frame == 1 then
        a = sensorBody(-400, 21)
        b = sensorBody(-395, 22)
        victim = coloured(space, 30, 40, 10, 10, 1, 0, 1)
        doomed = scenegraph.scene.new(sharedSoundManager, sharedAssetManager)
        contactHooks[#contactHooks + 1] = function(fa, fb)
            local id = fa:body():actorID()
            if id ~= 21 and id ~= 22 then return end
            world:destroyBody(a)
            world:destroyBody(a)
            seen = a:actorID()
            space:removeNode(victim)
            doomed:delete()
            world:step(1 / 60, 8, 3)
            created = world:createBody(physics.BodyDefinition.new())
        end
    elseif frame == 3 then
        local x = a:position()
        return seen == 21 and x == 0 and a:actorID() == -1 and b:actorID() == 22 and created == nil
    end
end)
