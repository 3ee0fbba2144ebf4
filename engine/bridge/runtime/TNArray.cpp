#include "bridge/runtime/TNArray.h"

#include <stdexcept>

#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"

namespace {

TNArray& self(TNInvocation& inv) { return *static_cast<TNArray*>(inv.target()); }

void checkIndex(size_t index, size_t limit)
{
    if (index >= limit)
        throw std::out_of_range("TNArray: index " + std::to_string(index) + " beyond bounds of " +
                                std::to_string(limit) + " elements");
}

}  // namespace

TNObject* TNArray::objectAtIndex(size_t index) const
{
    checkIndex(index, items_.size());
    return items_[index].get();
}

void TNArray::insertObject(TNObject* object, size_t index)
{
    checkIndex(index, items_.size() + 1);
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), TNRef<TNObject>(object));
}

void TNArray::removeObjectAtIndex(size_t index)
{
    checkIndex(index, items_.size());
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::string TNArray::description() const
{
    std::string text = "(";
    for (size_t i = 0; i < items_.size(); ++i)
        text += (i ? ", " : "") + (items_[i] ? items_[i]->description() : std::string("(null)"));
    return text + ")";
}

TNClass* TNArray::runtimeClass()
{
    static TNClass* cls = [] {
        TNClass* c = TNClass::define("TNArray", TNObject::runtimeClass());
        c->addClassMethod("array", "@#:", [](TNInvocation& inv) { inv.setReturnObject(TNArray::create().get()); });
        c->addInstanceMethod("count", "I@:", [](TNInvocation& inv) {
            inv.setReturnUnsignedInt(static_cast<uint32_t>(self(inv).count()));
        });
        c->addInstanceMethod("objectAtIndex:", "@@:I", [](TNInvocation& inv) {
            inv.setReturnObject(self(inv).objectAtIndex(inv.unsignedIntArgument(2)));
        });
        c->addInstanceMethod("addObject:", "v@:@", [](TNInvocation& inv) {
            self(inv).addObject(inv.objectArgument(2));
        });
        c->addInstanceMethod("insertObject:atIndex:", "v@:@I", [](TNInvocation& inv) {
            self(inv).insertObject(inv.objectArgument(2), inv.unsignedIntArgument(3));
        });
        c->addInstanceMethod("removeObjectAtIndex:", "v@:I", [](TNInvocation& inv) {
            self(inv).removeObjectAtIndex(inv.unsignedIntArgument(2));
        });
        c->addInstanceMethod("removeAllObjects", "v@:", [](TNInvocation& inv) { self(inv).removeAllObjects(); });
        return c;
    }();
    return cls;
}
