// The user data of a fixture: the fixture identifier the script gave it
// (2 marks a body's sensor fixture) and the mask categories naming the
// bodies it collides with.
#ifndef TN_FIXTURE_USER_DATA_H
#define TN_FIXTURE_USER_DATA_H

#include <vector>

class b2Fixture;

class tnFixtureUserData {
public:
    tnFixtureUserData();
    // Copies the identifier and mask categories of other.
    explicit tnFixtureUserData(const tnFixtureUserData* other);
    tnFixtureUserData(const tnFixtureUserData&) = delete;
    tnFixtureUserData& operator=(const tnFixtureUserData&) = delete;

    // The user data of fixture, or null once destroyFixture has detached it.
    static tnFixtureUserData* of(b2Fixture* fixture);

    int fixtureID() const { return fixtureID_; }
    void setFixtureID(int id) { fixtureID_ = id; }

    std::vector<int>& maskCategories() { return maskCategories_; }
    void addCollisionMaskCategory(int category);
    // Removes the first element equal to category; nothing if absent.
    void removeCollisionMaskCategory(int category);

    // Shared by the fixture definition and every fixture made from it; each
    // holder keeps one reference.
    void retain() { ++references_; }
    void release();

private:
    ~tnFixtureUserData() = default;

    int fixtureID_;
    std::vector<int> maskCategories_;
    int references_;
};

#endif
