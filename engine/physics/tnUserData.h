// What bodies and fixtures carry for the collision rules: an identifier the
// script gives and a list of integer categories (a body's collision
// categories, a fixture's mask categories), in insertion order, duplicates
// allowed.
//
// One object is shared by the definition that made it and every body or
// fixture created from that definition; each holder keeps one reference.
#ifndef TN_USER_DATA_H
#define TN_USER_DATA_H

#include <vector>

class tnUserData {
public:
    tnUserData(const tnUserData&) = delete;
    tnUserData& operator=(const tnUserData&) = delete;

    void retain() { ++references_; }
    // Gives back one reference; the last one deletes the object.
    void release();

protected:
    tnUserData() = default;
    // Copies the identifier and categories of other, with one reference.
    explicit tnUserData(const tnUserData* other);
    virtual ~tnUserData() = default;

    int identifier() const { return identifier_; }
    void setIdentifier(int id) { identifier_ = id; }
    std::vector<int>& categories() { return categories_; }
    void addCategory(int category);
    // Removes the first element equal to category; nothing if absent.
    void removeCategory(int category);

private:
    int identifier_ = 0;
    std::vector<int> categories_;
    int references_ = 1;
};

#endif
