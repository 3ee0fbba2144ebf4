// One physics world as the script sees it: the Box2D world with its contact
// filter and listener, the handles of the bodies and fixtures still alive
// in it, and the changes the script asked for while the world could not
// take them (inside a step or a destruction that runs collision callbacks).
//
// Script-side boxes name bodies and fixtures by handle, never by pointer,
// so a box outliving its body (or its world) finds nothing instead of
// freed memory. Shared ownership lets boxes outlive the world object.
#ifndef TN_PHYSICS_WORLD_H
#define TN_PHYSICS_WORLD_H

#include <deque>
#include <memory>
#include <unordered_map>

#include "box2d/b2_math.h"
#include "lua.h"
#include "lua/TNHandle.h"

class b2Body;
class b2Fixture;
class b2World;
class tnContactFilter;
class tnContactListener;

class tnPhysicsWorld : public std::enable_shared_from_this<tnPhysicsWorld> {
public:
    tnPhysicsWorld(const b2Vec2& gravity, bool allowSleeping);
    ~tnPhysicsWorld();
    tnPhysicsWorld(const tnPhysicsWorld&) = delete;
    tnPhysicsWorld& operator=(const tnPhysicsWorld&) = delete;

    // Null once the world has been closed.
    b2World* world() const { return world_; }
    tnContactListener* listener() const { return listener_; }

    // A body or fixture takes a handle when the world makes it and gives it
    // back when it is destroyed or the world closes.
    TNHandle addBody(b2Body* body);
    TNHandle addFixture(b2Fixture* fixture);
    // The handle of a body or fixture alive in this world; null otherwise.
    TNHandle handleOf(const void* object) const;
    // What a handle names; null once it is gone.
    static b2Body* body(TNHandle handle);
    static b2Fixture* fixture(TNHandle handle);

    // True while Box2D is inside a call that runs collision callbacks; the
    // world must not be changed then.
    bool isBusy() const { return busy_ > 0; }

    // Each may throw b2Exception from a failed Box2D assertion. The changes
    // are postponed until the world is no longer busy; postponed changes
    // that fail print their assertion line. A step that fails closes the
    // world (see stoppedByAssertion) before the exception leaves it.
    void step(lua_State* L, float timeStep, int velocityIterations, int positionIterations);
    void destroyBody(lua_State* L, b2Body* body);
    void destroyFixture(lua_State* L, b2Fixture* fixture);
    void setTransform(b2Body* body, const b2Vec2& position, float angle);

    // True once a step ended at a failed assertion: the world was closed
    // then, and its bodies and fixtures are gone.
    bool stoppedByAssertion() const { return stoppedByAssertion_; }

    // Destroys the Box2D world and forgets every object (now, or when the
    // current busy call returns).
    void close();

private:
    class BusyScope;
    struct Change {
        enum Kind { DestroyBody, DestroyFixture, SetTransform } kind;
        TNHandle target;
        b2Vec2 position;
        float angle;
    };

    void applyDestroyBody(b2Body* body);
    void applyDestroyFixture(b2Fixture* fixture);
    void apply(const Change& change);
    void applyPostponedChanges();
    void closeNow();
    TNHandle add(void* object);
    void forget(const void* object);

    b2World* world_;
    tnContactListener* listener_;
    tnContactFilter* filter_;

    std::unordered_map<const void*, TNHandle> handles_;

    int busy_;
    bool applying_;
    bool closeRequested_;
    bool stoppedByAssertion_;
    std::deque<Change> postponed_;
};

#endif
