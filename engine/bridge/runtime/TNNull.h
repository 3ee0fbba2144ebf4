// The null marker: one shared object standing for "no value" where an
// object is required (inside arrays and dictionaries).
#ifndef TN_NULL_H
#define TN_NULL_H

#include "bridge/runtime/TNObject.h"

class TNNull : public TNObject {
public:
    static TNNull* null();
    static bool isNull(const TNObject* object) { return object && object == null(); }

    static TNClass* runtimeClass();
    TNClass* objectClass() const override { return runtimeClass(); }
    std::string description() const override { return "<null>"; }

private:
    TNNull() = default;
};

#endif
