// physics.PolygonShape and physics.CircleShape: the shapes a fixture
// definition points at, copied by Box2D when a fixture is made.
#include "box2d/b2_circle_shape.h"
#include "box2d/b2_polygon_shape.h"
#include "log/TNLog.h"
#include "lua/TNGone.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "physics/wrap_PhysicsInternal.h"

namespace tn_physics {

const TNLuaType kPolygonShape = {"PolygonShape", "physics.PolygonShapeMT"};
const TNLuaType kCircleShape = {"CircleShape", "physics.CircleShapeMT"};

b2PolygonShape* livePolygonShape(lua_State* L, int index, const char* func)
{
    auto* box = tn_checkblock<PolygonShapeBox>(L, index, kPolygonShape, func);
    if (!box->shape)
        tn_gone(L, func, "the shape (collected)");
    return box->shape;
}

namespace {

const float kMinBoxHalfExtent = 0.01f;  // metres

int polygonShape_new(lua_State* L)
{
    auto* box = tn_newblock<PolygonShapeBox>(L, kPolygonShape);
    box->shape = new b2PolygonShape;
    return 1;
}

int polygonShape_setAsBox(lua_State* L)
{
    const char* func = "PolygonShape.setAsBox";
    b2PolygonShape* shape = livePolygonShape(L, 1, func);
    const b2Vec2 half = pixelsAt(L, 2, func);
    if (shape)
        shape->SetAsBox(b2Max(half.x, kMinBoxHalfExtent), b2Max(half.y, kMinBoxHalfExtent));
    return 0;
}

// Stores the vertex only; normals and centroid are computed when a fixture
// is made from the shape.
int polygonShape_addVertex(lua_State* L)
{
    const char* func = "PolygonShape.addVertex";
    b2PolygonShape* shape = livePolygonShape(L, 1, func);
    const b2Vec2 vertex = pixelsAt(L, 2, func);
    if (!shape)
        return 0;
    if (shape->m_count >= b2_maxPolygonVertices) {
        TNLogStdout("PolygonShape.addVertex: a polygon holds at most %d vertices; vertex ignored",
                    b2_maxPolygonVertices);
        return 0;
    }
    shape->m_vertices[shape->m_count] = vertex;
    shape->m_normals[shape->m_count].SetZero();
    ++shape->m_count;
    return 0;
}

// Reads the radius from the top, so that both call styles work. A missing
// or negative radius makes a circle of radius 0, after one line.
int circleShape_new(lua_State* L)
{
    const char* func = "CircleShape.new";
    float radius = tn_tofinite(L, tn_fromtop(L, 1, 1), func);
    if (radius < 0.0f) {
        if (tn_firstreport(L, "CircleShape.new (negative)"))
            TNLog("%s: a negative radius (%g) makes a circle of radius 0 (said once)", func, radius);
        radius = 0.0f;
    }
    auto* box = tn_newblock<CircleShapeBox>(L, kCircleShape);
    box->shape = new b2CircleShape;
    box->shape->m_radius = radius * kToMetres;
    return 1;
}

}  // namespace

int polygonShape_gc(lua_State* L)
{
    if (auto* box = tn_toblock<PolygonShapeBox>(L, 1, kPolygonShape)) {
        delete box->shape;
        box->shape = nullptr;
    }
    return 0;
}

int circleShape_gc(lua_State* L)
{
    if (auto* box = tn_toblock<CircleShapeBox>(L, 1, kCircleShape)) {
        delete box->shape;
        box->shape = nullptr;
    }
    return 0;
}

extern const luaL_Reg polygonShape_functions[] = {
    {"new", tn_guarded<polygonShape_new>},
    {"setAsBox", polygonShape_setAsBox},
    {"addVertex", polygonShape_addVertex},
    {nullptr, nullptr},
};

extern const luaL_Reg circleShape_functions[] = {
    {"new", tn_guarded<circleShape_new>},
    {nullptr, nullptr},
};

}  // namespace tn_physics
