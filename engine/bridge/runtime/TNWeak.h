// A non-owning reference that reads as null once its object is destroyed.
#ifndef TN_WEAK_H
#define TN_WEAK_H

#include <memory>

#include "bridge/runtime/TNObject.h"

template <class T>
class TNWeak {
public:
    TNWeak() = default;
    TNWeak(T* object) : link_(object ? object->weakLink() : nullptr) {}

    // A strong reference, or null when the object is gone (or never was).
    TNRef<T> lock() const
    {
        if (!link_)
            return nullptr;
        return TNRef<T>::adopt(static_cast<T*>(link_->retainObject()));
    }

private:
    std::shared_ptr<TNWeakLink> link_;
};

#endif
