// The user data of a fixture: the fixture identifier the script gave it
// (2 marks a body's sensor fixture) and the mask categories naming the
// bodies it collides with.
#ifndef TN_FIXTURE_USER_DATA_H
#define TN_FIXTURE_USER_DATA_H

#include "physics/tnUserData.h"

class b2Fixture;

class tnFixtureUserData : public tnUserData {
public:
    tnFixtureUserData() = default;
    // Copies the identifier and mask categories of other.
    explicit tnFixtureUserData(const tnFixtureUserData* other) : tnUserData(other) {}

    // The user data of fixture, or null once destroyFixture has detached it.
    static tnFixtureUserData* of(b2Fixture* fixture);

    int fixtureID() const { return identifier(); }
    void setFixtureID(int id) { setIdentifier(id); }

    std::vector<int>& maskCategories() { return categories(); }
    void addCollisionMaskCategory(int category) { addCategory(category); }
    void removeCollisionMaskCategory(int category) { removeCategory(category); }

private:
    ~tnFixtureUserData() override = default;  // deleted by release()
};

#endif
