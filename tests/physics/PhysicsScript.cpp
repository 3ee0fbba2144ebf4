#include "PhysicsScript.h"

#include "physics/wrap_Physics.h"

namespace tern_test {

namespace {

const char* const kHelpers = R"lua(
-- A body with one box fixture, from options (defaults in brackets): type
-- [2, dynamic], x, y [0], actor id [0], categories [{1}]; the box's half
-- sizes w, h [10], density [1], fixtureID [1], masks [{1}]. With the
-- defaults everything collides, as in a plain Box2D world. sensor = true
-- adds a sensor fixture (identifier 2, no mask) far below, where it never
-- touches anything but makes the body's contacts reported.
function makeBody(world, o)
    local def = physics.BodyDefinition.new()
    def:setType(o.type or 2)
    def:setPosition(o.x or 0, o.y or 0)
    def:setActorID(o.id or 0)
    for _, c in ipairs(o.categories or {1}) do def:addCollisionCategory(c) end
    local body = world:createBody(def)
    local shape = physics.PolygonShape.new()
    shape:setAsBox(o.w or 10, o.h or 10)
    local fdef = physics.FixtureDefinition.new()
    fdef:setShape(shape)
    fdef:setDensity(o.density or 1)
    fdef:setFixtureID(o.fixtureID or 1)
    for _, m in ipairs(o.masks or {1}) do fdef:addCollisionMaskCategory(m) end
    local fixture = body:createFixture(fdef)
    if o.sensor then
        local far = physics.PolygonShape.new()
        far:addVertex(0, -5000)
        far:addVertex(10, -5000)
        far:addVertex(10, -4990)
        local sdef = physics.FixtureDefinition.new()
        sdef:setShape(far)
        sdef:setIsSensor(true)
        sdef:setFixtureID(2)
        body:createFixture(sdef)
    end
    return body, fixture
end
-- The error message of f(...), or "ok".
function failure(f, ...)
    local ok, message = pcall(f, ...)
    return ok and "ok" or tostring(message)
end
)lua";

}  // namespace

PhysicsScript::PhysicsScript() : lua_({luaopen_physics})
{
    lua_.run(kHelpers);
}

void PhysicsScript::expectValues(const std::vector<std::pair<std::string, std::string>>& expected)
{
    for (const auto& [expression, value] : expected)
        EXPECT_EQ(eval(expression), value) << expression;
}

}  // namespace tern_test
