#include "bridge/LuaArray.h"

#include "bridge/LuaObject.h"
#include "bridge/runtime/TNNumber.h"

namespace {
TNRef<TNObject> number(size_t n) { return TNNumber::withUnsigned(n); }
}

LuaArray::LuaArray(LuaObject* object) : object_(object) {}

size_t LuaArray::count()
{
    TNRef<LuaObject> table = object();
    TNRef<TNObject> n = table ? table->invokeMethod("count") : nullptr;
    auto* value = dynamic_cast<TNNumber*>(n.get());
    return value ? static_cast<size_t>(value->unsignedIntValue()) : 0;
}

size_t LuaArray::indexOfObject(TNObject* element)
{
    TNRef<LuaObject> table = object();
    TNRef<TNObject> n = table ? table->invokeMethod("indexOfObject", {element}) : nullptr;
    auto* value = dynamic_cast<TNNumber*>(n.get());
    const int64_t index = value ? value->longLongValue() : 0;
    return index == 0 ? NotFound : static_cast<size_t>(index - 1);
}

TNRef<TNObject> LuaArray::objectAtIndex(size_t index)
{
    TNRef<LuaObject> table = object();
    return table ? table->valueAtIndex(static_cast<int>(index) + 1) : nullptr;
}

void LuaArray::insertObject(TNObject* element, size_t index)
{
    if (TNRef<LuaObject> table = object())
        table->invokeMethod("addObjectAtIndex", {element, number(index + 1)});
}

void LuaArray::removeObjectAtIndex(size_t index)
{
    if (TNRef<LuaObject> table = object())
        table->invokeMethod("removeObjectAtIndex", {number(index + 1)});
}

void LuaArray::replaceObjectAtIndex(size_t index, TNObject* element)
{
    if (TNRef<LuaObject> table = object())
        table->invokeMethod("setObjectForKey", {element, number(index + 1)});
}

void LuaArray::removeLastObject()
{
    const size_t n = count();
    if (n > 0)
        removeObjectAtIndex(n - 1);
}

TNRef<TNObject> LuaArray::objectKeyOf(TNObject* element)
{
    auto* proxy = dynamic_cast<LuaObject*>(element);
    return proxy ? proxy->valueForKey("objectKey") : nullptr;
}

void LuaArray::addObjectAtIndex(TNObject* element, size_t luaIndex, TNObject* key)
{
    if (TNRef<LuaObject> table = object())
        table->invokeMethod("addObjectAtIndex", {element, number(luaIndex), key});
}

void LuaArray::moveObjectAtIndex(size_t from, size_t to)
{
    TNRef<TNObject> element = objectAtIndex(from);
    TNRef<TNObject> key = objectKeyOf(element.get());
    removeObjectAtIndex(from);
    addObjectAtIndex(element.get(), (from < to ? to - 1 : to) + 1, key.get());
}

// Each element named by the set is moved from wherever it stands by then.
void LuaArray::moveObjectsAtIndexes(const std::vector<size_t>& indexes, size_t to)
{
    TNObjectList elements;
    for (size_t index : indexes)
        elements.push_back(objectAtIndex(index));
    for (const TNRef<TNObject>& element : elements) {
        const size_t current = indexOfObject(element.get());
        if (current != NotFound)
            moveObjectAtIndex(current, to);
    }
}

void LuaArray::setArray(const TNObjectList& objects)
{
    for (size_t n = count(); n > 0; --n)
        removeObjectAtIndex(n - 1);
    for (size_t p = 0; p < objects.size(); ++p)
        addObjectAtIndex(objects[p].get(), p + 1, objectKeyOf(objects[p].get()).get());
}

TNRef<LuaObject> LuaArray::object() const
{
    return object_.lock();
}
