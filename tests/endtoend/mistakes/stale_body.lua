-- Bodies and fixtures used after destroyBody and destroyFixture, on later
-- frames: reads give 0 (nil for a body, -1 for identifiers), writes do
-- nothing, a second destruction is ignored.
local body, fixture, other, otherFixture
local function makeBody(x, id)
    local def = physics.BodyDefinition.new()
    def:setType(2)
    def:setPosition(x, 300)
    def:setActorID(id)
    local b = world:createBody(def)
    local shape = physics.PolygonShape.new()
    shape:setAsBox(4, 4)
    local fdef = physics.FixtureDefinition.new()
    fdef:setShape(shape)
    fdef:setDensity(1)
    fdef:setFixtureID(1)
    return b, b:createFixture(fdef)
end
mistake("stale body", function(frame)
    if frame == 1 then
        body, fixture = makeBody(1000, 7)
        other, otherFixture = makeBody(2000, 8)
        world:destroyBody(body)
        other:destroyFixture(otherFixture)
        return nil
    end
    world:destroyBody(body)
    other:destroyFixture(otherFixture)
    body:setLinearVelocity(10, 10)
    body:applyForce(1, 1, 0, 0)
    local x, y = body:position()
    if x ~= 0 or y ~= 0 or body:actorID() ~= -1 or fixture:fixtureID() ~= -1 or fixture:body() ~= nil then
        return false
    end
    if otherFixture:testPoint(2000, 300) ~= false or other:actorID() ~= 8 then return false end
    if frame == 4 then
        world:destroyBody(other)
        return true
    end
end)
