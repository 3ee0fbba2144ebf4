// An ordered, mutable list of objects (null entries are kept as given).
// Not locked: one thread uses an array at a time.
#ifndef TN_ARRAY_H
#define TN_ARRAY_H

#include "bridge/runtime/TNObject.h"

class TNArray : public TNObject {
public:
    static TNRef<TNArray> create(TNObjectList items = {}) { return TNMake<TNArray>(std::move(items)); }
    explicit TNArray(TNObjectList items) : items_(std::move(items)) {}

    size_t count() const { return items_.size(); }
    // Throws std::out_of_range for an index past the end.
    TNObject* objectAtIndex(size_t index) const;
    void addObject(TNObject* object) { items_.emplace_back(object); }
    void insertObject(TNObject* object, size_t index);
    void removeObjectAtIndex(size_t index);
    void removeAllObjects() { items_.clear(); }
    const TNObjectList& items() const { return items_; }

    static TNClass* runtimeClass();
    TNClass* objectClass() const override { return runtimeClass(); }
    std::string description() const override;

private:
    TNObjectList items_;
};

#endif
