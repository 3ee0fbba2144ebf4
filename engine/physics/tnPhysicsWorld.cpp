#include "physics/tnPhysicsWorld.h"

#include <vector>

#include "b2_exception.h"
#include "box2d/b2_body.h"
#include "box2d/b2_fixture.h"
#include "box2d/b2_world.h"
#include "log/TNLog.h"
#include "physics/tnActorUserData.h"
#include "physics/tnContactFilter.h"
#include "physics/tnContactListener.h"
#include "physics/tnFixtureUserData.h"

// Marks the world busy for the lifetime of the scope; leaving the outermost
// scope applies what was postponed meanwhile.
class tnPhysicsWorld::BusyScope {
public:
    BusyScope(tnPhysicsWorld& owner, lua_State* L)
        : owner_(owner)
    {
        if (owner_.busy_++ == 0 && L)
            owner_.listener_->setLuaState(L);
    }
    ~BusyScope()
    {
        if (--owner_.busy_ == 0 && !owner_.applying_)
            owner_.applyPostponedChanges();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    tnPhysicsWorld& owner_;
};

tnPhysicsWorld::tnPhysicsWorld(const b2Vec2& gravity, bool allowSleeping)
    : world_(new b2World(gravity)),
      listener_(new tnContactListener(this)),
      filter_(new tnContactFilter),
      busy_(0),
      applying_(false),
      closeRequested_(false),
      stoppedByAssertion_(false)
{
    world_->SetAllowSleeping(allowSleeping);
    world_->SetContactListener(listener_);
    world_->SetContactFilter(filter_);
}

tnPhysicsWorld::~tnPhysicsWorld()
{
    closeNow();
}

TNHandle tnPhysicsWorld::add(void* object)
{
    const TNHandle handle = TNHandleTable::add(object);
    handles_[object] = handle;
    return handle;
}

TNHandle tnPhysicsWorld::addBody(b2Body* body)
{
    return add(body);
}

TNHandle tnPhysicsWorld::addFixture(b2Fixture* fixture)
{
    return add(fixture);
}

TNHandle tnPhysicsWorld::handleOf(const void* object) const
{
    auto found = handles_.find(object);
    return found == handles_.end() ? TNHandle() : found->second;
}

b2Body* tnPhysicsWorld::body(TNHandle handle)
{
    return static_cast<b2Body*>(TNHandleTable::lookup(handle));
}

b2Fixture* tnPhysicsWorld::fixture(TNHandle handle)
{
    return static_cast<b2Fixture*>(TNHandleTable::lookup(handle));
}

void tnPhysicsWorld::forget(const void* object)
{
    auto found = handles_.find(object);
    if (found == handles_.end())
        return;
    TNHandleTable::remove(found->second);
    handles_.erase(found);
}

void tnPhysicsWorld::step(lua_State* L, float timeStep, int velocityIterations, int positionIterations)
{
    BusyScope busy(*this, L);
    try {
        world_->Step(timeStep, velocityIterations, positionIterations);
    } catch (const b2Exception&) {
        // Box2D stopped half-way through the step: the world stays locked
        // and its stack allocator unbalanced, so nothing more may be asked
        // of it. It is closed as the busy scope ends; what was postponed is
        // dropped. The close runs while this failure unwinds, so the
        // assertions Box2D's destructors fail print instead of throwing.
        postponed_.clear();
        stoppedByAssertion_ = true;
        closeRequested_ = true;
        throw;
    }
}

void tnPhysicsWorld::destroyBody(lua_State* L, b2Body* body)
{
    if (isBusy()) {
        postponed_.push_back(Change{Change::DestroyBody, handleOf(body), b2Vec2_zero, 0.0f});
        return;
    }
    BusyScope busy(*this, L);
    applyDestroyBody(body);
}

void tnPhysicsWorld::destroyFixture(lua_State* L, b2Fixture* fixture)
{
    if (isBusy()) {
        postponed_.push_back(Change{Change::DestroyFixture, handleOf(fixture), b2Vec2_zero, 0.0f});
        return;
    }
    BusyScope busy(*this, L);
    applyDestroyFixture(fixture);
}

void tnPhysicsWorld::setTransform(b2Body* body, const b2Vec2& position, float angle)
{
    if (isBusy()) {
        postponed_.push_back(Change{Change::SetTransform, handleOf(body), position, angle});
        return;
    }
    body->SetTransform(position, angle);
}

// The body's user data is detached first, so collision-ended callbacks run
// by the destruction see no actor; its fixtures keep theirs until the end.
void tnPhysicsWorld::applyDestroyBody(b2Body* body)
{
    tnActorUserData* actor = tnActorUserData::of(body);
    std::vector<b2Fixture*> fixtures;
    for (b2Fixture* fixture = body->GetFixtureList(); fixture; fixture = fixture->GetNext())
        fixtures.push_back(fixture);

    body->GetUserData().pointer = nullptr;
    try {
        world_->DestroyBody(body);
    } catch (...) {
        body->GetUserData().pointer = actor;
        throw;
    }
    if (actor)
        actor->release();
    for (b2Fixture* fixture : fixtures) {
        if (tnFixtureUserData* data = tnFixtureUserData::of(fixture))
            data->release();
        forget(fixture);
    }
    forget(body);
}

void tnPhysicsWorld::applyDestroyFixture(b2Fixture* fixture)
{
    tnFixtureUserData* data = tnFixtureUserData::of(fixture);
    fixture->GetUserData().pointer = nullptr;
    try {
        fixture->GetBody()->DestroyFixture(fixture);
    } catch (...) {
        fixture->GetUserData().pointer = data;
        throw;
    }
    if (data)
        data->release();
    forget(fixture);
}

void tnPhysicsWorld::apply(const Change& change)
{
    BusyScope busy(*this, nullptr);
    switch (change.kind) {
    case Change::DestroyBody:
        if (b2Body* target = body(change.target))
            applyDestroyBody(target);
        break;
    case Change::DestroyFixture:
        if (b2Fixture* target = fixture(change.target))
            applyDestroyFixture(target);
        break;
    case Change::SetTransform:
        if (b2Body* target = body(change.target))
            target->SetTransform(change.position, change.angle);
        break;
    }
}

// Changes made by callbacks of these changes are queued again and applied
// by this same loop.
void tnPhysicsWorld::applyPostponedChanges()
{
    applying_ = true;
    while (!postponed_.empty() && world_) {
        const Change change = postponed_.front();
        postponed_.pop_front();
        try {
            apply(change);
        } catch (const b2Exception& failure) {
            TNLogStdout("%s", failure.what());
        }
    }
    postponed_.clear();
    applying_ = false;
    if (closeRequested_)
        closeNow();
}

void tnPhysicsWorld::close()
{
    if (isBusy() || applying_) {
        closeRequested_ = true;
        return;
    }
    closeNow();
}

// Box2D's world destructor runs no callbacks; the user data references held
// by bodies and fixtures are released here.
void tnPhysicsWorld::closeNow()
{
    if (!world_)
        return;
    for (b2Body* body = world_->GetBodyList(); body; body = body->GetNext()) {
        for (b2Fixture* fixture = body->GetFixtureList(); fixture; fixture = fixture->GetNext()) {
            if (tnFixtureUserData* data = tnFixtureUserData::of(fixture))
                data->release();
        }
        if (tnActorUserData* actor = tnActorUserData::of(body))
            actor->release();
    }
    delete world_;
    world_ = nullptr;
    delete listener_;
    listener_ = nullptr;
    delete filter_;
    filter_ = nullptr;
    for (const auto& entry : handles_)
        TNHandleTable::remove(entry.second);
    handles_.clear();
    postponed_.clear();
    closeRequested_ = false;
}
