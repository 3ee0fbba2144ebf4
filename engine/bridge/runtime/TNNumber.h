// An immutable number object: an integer (signed or unsigned), a real or a
// boolean, readable as any of them.
#ifndef TN_NUMBER_H
#define TN_NUMBER_H

#include <cstdint>

#include "bridge/runtime/TNObject.h"

class TNNumber : public TNObject {
public:
    enum class Kind { Integer, Unsigned, Real, Boolean };

    static TNRef<TNNumber> withInt(int64_t value) { return TNMake<TNNumber>(Kind::Integer, value, 0.0); }
    static TNRef<TNNumber> withUnsigned(uint64_t value)
    {
        return TNMake<TNNumber>(Kind::Unsigned, static_cast<int64_t>(value), 0.0);
    }
    static TNRef<TNNumber> withDouble(double value) { return TNMake<TNNumber>(Kind::Real, 0, value); }
    static TNRef<TNNumber> withBool(bool value) { return TNMake<TNNumber>(Kind::Boolean, value ? 1 : 0, 0.0); }
    TNNumber(Kind kind, int64_t integer, double real) : kind_(kind), integer_(integer), real_(real) {}

    Kind kind() const { return kind_; }
    double doubleValue() const;
    float floatValue() const { return static_cast<float>(doubleValue()); }
    int64_t longLongValue() const;
    int32_t intValue() const { return static_cast<int32_t>(longLongValue()); }
    uint32_t unsignedIntValue() const { return static_cast<uint32_t>(longLongValue()); }
    bool boolValue() const { return doubleValue() != 0; }

    static TNClass* runtimeClass();
    TNClass* objectClass() const override { return runtimeClass(); }
    std::string description() const override;
    bool isEqual(const TNObject* other) const override;
    size_t hash() const override { return std::hash<double>()(doubleValue()); }

private:
    Kind kind_;
    int64_t integer_;
    double real_;
};

#endif
