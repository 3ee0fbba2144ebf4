#include "physics/tnContactListener.h"

#include "box2d/b2_body.h"
#include "box2d/b2_contact.h"
#include "box2d/b2_fixture.h"
#include "log/TNLog.h"
#include "physics/wrap_Physics.h"
#include "physics/tnFixtureUserData.h"

namespace {

const int kSensorFixtureID = 2;

bool isSensorFixture(b2Fixture* fixture)
{
    tnFixtureUserData* data = tnFixtureUserData::of(fixture);
    return data && data->fixtureID() == kSensorFixtureID;
}

// A contact is reported only when each side is a sensor fixture or belongs
// to a body that has one.
bool isReported(b2Fixture* fixture)
{
    return isSensorFixture(fixture) || getSensorFixture(fixture->GetBody()) != nullptr;
}

struct CallbackCall {
    const char* name;
    tnPhysicsWorld* world;
    b2Fixture* first;
    b2Fixture* second;
};

// Runs under lua_cpcall, so that running out of memory while pushing the
// arguments cannot unwind through Box2D.
int runCallback(lua_State* L)
{
    auto* call = static_cast<CallbackCall*>(lua_touserdata(L, 1));
    lua_getfield(L, LUA_GLOBALSINDEX, call->name);
    // A game without the callback is told nothing.
    if (!lua_isfunction(L, -1))
        return 0;
    pushFixture(L, call->world, call->first);
    pushFixture(L, call->world, call->second);
    // An error in the callback is reported like any other from the script;
    // the step goes on.
    if (lua_pcall(L, 2, 0, 0) != 0) {
        const char* message = lua_tostring(L, -1);
        TNLog("Lua Error: %s", message ? message : "(error object is not a string)");
        lua_pop(L, 1);
    }
    return 0;
}

void callCallback(lua_State* L, const char* name, tnPhysicsWorld* world, b2Fixture* first, b2Fixture* second)
{
    if (!L)
        return;
    CallbackCall call{name, world, first, second};
    const int top = lua_gettop(L);
    try {
        if (lua_cpcall(L, runCallback, &call) != 0)
            lua_pop(L, 1);
    } catch (...) {
        // Nothing may leave a Box2D callback.
    }
    lua_settop(L, top);
}

}  // namespace

b2Fixture* getSensorFixture(b2Body* body)
{
    for (b2Fixture* fixture = body->GetFixtureList(); fixture; fixture = fixture->GetNext()) {
        if (isSensorFixture(fixture))
            return fixture;
    }
    return nullptr;
}

void callCollisionBeganCallback(lua_State* L, tnPhysicsWorld* world, b2Contact* contact)
{
    callCallback(L, "fixtureCollisionBegan", world, contact->GetFixtureA(), contact->GetFixtureB());
}

void callCollisionEndedCallback(lua_State* L, tnPhysicsWorld* world, b2Fixture* first, b2Fixture* second)
{
    callCallback(L, "fixtureCollisionEnded", world, first, second);
}

tnContactListener::tnContactListener(tnPhysicsWorld* world)
    : L_(nullptr),
      world_(world)
{
}

std::map<tnContactListener::FixturePair, int>::iterator tnContactListener::findPair(b2Fixture* a, b2Fixture* b)
{
    auto found = contactCounts_.find(FixturePair(a, b));
    if (found == contactCounts_.end())
        found = contactCounts_.find(FixturePair(b, a));
    return found;
}

void tnContactListener::BeginContact(b2Contact* contact)
{
    b2Fixture* a = contact->GetFixtureA();
    b2Fixture* b = contact->GetFixtureB();
    if (!isReported(a) || !isReported(b))
        return;
    auto found = findPair(a, b);
    if (found != contactCounts_.end()) {
        ++found->second;
        return;
    }
    // Count first: the callback may end contacts of this pair itself.
    contactCounts_[FixturePair(a, b)] = 1;
    callCollisionBeganCallback(L_, world_, contact);
}

void tnContactListener::EndContact(b2Contact* contact)
{
    auto found = findPair(contact->GetFixtureA(), contact->GetFixtureB());
    if (found == contactCounts_.end())
        return;
    if (--found->second != 0)
        return;
    const FixturePair pair = found->first;
    contactCounts_.erase(found);
    callCollisionEndedCallback(L_, world_, pair.first, pair.second);
}
