// physics.BodyDefinition: what a body is made from, with the actor user
// data that every body made from it shares.
#include "box2d/b2_body.h"
#include "lua/TNGone.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "physics/tnActorUserData.h"
#include "physics/wrap_PhysicsInternal.h"

namespace tn_physics {

const TNLuaType kBodyDefinition = {"BodyDefinition", "physics.BodyDefMT"};

b2BodyDef* liveBodyDefinition(lua_State* L, int index, const char* func)
{
    auto* box = tn_checkblock<BodyDefinitionBox>(L, index, kBodyDefinition, func);
    if (!box->def)
        tn_gone(L, func, "the body definition (collected)");
    return box->def;
}

namespace {

tnActorUserData* actorOf(b2BodyDef* def)
{
    return static_cast<tnActorUserData*>(def->userData.pointer);
}

int bodyDefinition_new(lua_State* L)
{
    auto* box = tn_newblock<BodyDefinitionBox>(L, kBodyDefinition);
    box->def = new b2BodyDef;
    box->def->type = b2_staticBody;
    box->def->userData.pointer = new tnActorUserData;
    return 1;
}

// 0 static, 1 kinematic, 2 dynamic; any other value keeps the type.
int bodyDefinition_setType(lua_State* L)
{
    const char* func = "BodyDefinition.setType";
    b2BodyDef* def = liveBodyDefinition(L, 1, func);
    const int type = integerAt(L, 2, func);
    if (def && (type == b2_staticBody || type == b2_kinematicBody || type == b2_dynamicBody))
        def->type = static_cast<b2BodyType>(type);
    return 0;
}

int bodyDefinition_setPosition(lua_State* L)
{
    const char* func = "BodyDefinition.setPosition";
    b2BodyDef* def = liveBodyDefinition(L, 1, func);
    const b2Vec2 position = pixelsAt(L, 2, func);
    if (def)
        def->position = position;
    return 0;
}

int bodyDefinition_setAngle(lua_State* L)
{
    const char* func = "BodyDefinition.setAngle";
    b2BodyDef* def = liveBodyDefinition(L, 1, func);
    const float angle = tn_tofinite(L, 2, func);
    if (def)
        def->angle = angle;
    return 0;
}

int bodyDefinition_setFixedRotation(lua_State* L)
{
    b2BodyDef* def = liveBodyDefinition(L, 1, "BodyDefinition.setFixedRotation");
    if (!def)
        return 0;
    def->fixedRotation = tn_toboolean(L, 2);
    return 0;
}

int bodyDefinition_setActorID(lua_State* L)
{
    const char* func = "BodyDefinition.setActorID";
    b2BodyDef* def = liveBodyDefinition(L, 1, func);
    const int id = integerAt(L, 2, func);
    if (def)
        actorOf(def)->setActorID(id);
    return 0;
}

int bodyDefinition_addCollisionCategory(lua_State* L)
{
    const char* func = "BodyDefinition.addCollisionCategory";
    b2BodyDef* def = liveBodyDefinition(L, 1, func);
    const int category = integerAt(L, 2, func);
    if (def)
        actorOf(def)->addCollisionCategory(category);
    return 0;
}

}  // namespace

// The definition holds one reference to its user data; bodies made from it
// hold their own.
int bodyDefinition_gc(lua_State* L)
{
    auto* box = tn_toblock<BodyDefinitionBox>(L, 1, kBodyDefinition);
    if (box && box->def) {
        if (tnActorUserData* actor = actorOf(box->def))
            actor->release();
        delete box->def;
        box->def = nullptr;
    }
    return 0;
}

extern const luaL_Reg bodyDefinition_functions[] = {
    {"new", tn_guarded<bodyDefinition_new>},
    {"setType", bodyDefinition_setType},
    {"setPosition", bodyDefinition_setPosition},
    {"setAngle", bodyDefinition_setAngle},
    {"setFixedRotation", bodyDefinition_setFixedRotation},
    {"setActorID", bodyDefinition_setActorID},
    {"addCollisionCategory", tn_guarded<bodyDefinition_addCollisionCategory>},
    {nullptr, nullptr},
};

}  // namespace tn_physics
