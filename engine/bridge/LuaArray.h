// A mutable array over a proxied table that implements the list protocol
// "count", "indexOfObject", "addObjectAtIndex", "removeObjectAtIndex" and
// "setObjectForKey". Indexes here are 0-based, in the table 1-based.
#ifndef LUA_ARRAY_H
#define LUA_ARRAY_H

#include <cstdint>
#include <vector>

#include "bridge/runtime/TNWeak.h"

class LuaObject;

class LuaArray : public TNObject {
public:
    static constexpr size_t NotFound = static_cast<size_t>(INT64_MAX);

    explicit LuaArray(LuaObject* object);

    TNRef<LuaObject> object() const;
    size_t count();
    size_t indexOfObject(TNObject* object);
    TNRef<TNObject> objectAtIndex(size_t index);
    void insertObject(TNObject* object, size_t index);
    void removeObjectAtIndex(size_t index);
    void replaceObjectAtIndex(size_t index, TNObject* object);
    void addObject(TNObject* object) { insertObject(object, count()); }
    void removeLastObject();
    void moveObjectAtIndex(size_t from, size_t to);
    void moveObjectsAtIndexes(const std::vector<size_t>& indexes, size_t to);
    void setArray(const TNObjectList& objects);

private:
    // The element's "objectKey" value when it is a proxy, else null.
    static TNRef<TNObject> objectKeyOf(TNObject* element);
    void addObjectAtIndex(TNObject* object, size_t luaIndex, TNObject* key);

    TNWeak<LuaObject> object_;
};

#endif
