#include "bridge/runtime/TNNumber.h"

#include <cstdio>

#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"

namespace {
const TNNumber& self(TNInvocation& inv) { return *static_cast<TNNumber*>(inv.target()); }
}

double TNNumber::doubleValue() const
{
    switch (kind_) {
    case Kind::Real: return real_;
    case Kind::Unsigned: return static_cast<double>(static_cast<uint64_t>(integer_));
    default: return static_cast<double>(integer_);
    }
}

int64_t TNNumber::longLongValue() const
{
    return kind_ == Kind::Real ? static_cast<int64_t>(real_) : integer_;
}

std::string TNNumber::description() const
{
    char text[64];
    switch (kind_) {
    case Kind::Real: std::snprintf(text, sizeof text, "%.17g", real_); break;
    case Kind::Unsigned: std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(integer_)); break;
    default: std::snprintf(text, sizeof text, "%lld", static_cast<long long>(integer_)); break;
    }
    return text;
}

bool TNNumber::isEqual(const TNObject* other) const
{
    auto* n = dynamic_cast<const TNNumber*>(other);
    return n && n->doubleValue() == doubleValue();
}

TNClass* TNNumber::runtimeClass()
{
    static TNClass* cls = [] {
        TNClass* c = TNClass::define("TNNumber", TNObject::runtimeClass());
        c->addClassMethod("numberWithInt:", "@#:i", [](TNInvocation& inv) {
            inv.setReturnObject(TNNumber::withInt(inv.intArgument(2)).get());
        });
        c->addClassMethod("numberWithUnsignedInt:", "@#:I", [](TNInvocation& inv) {
            inv.setReturnObject(TNNumber::withUnsigned(inv.unsignedIntArgument(2)).get());
        });
        c->addClassMethod("numberWithDouble:", "@#:d", [](TNInvocation& inv) {
            inv.setReturnObject(TNNumber::withDouble(inv.doubleArgument(2)).get());
        });
        c->addClassMethod("numberWithFloat:", "@#:f", [](TNInvocation& inv) {
            inv.setReturnObject(TNNumber::withDouble(inv.floatArgument(2)).get());
        });
        c->addInstanceMethod("intValue", "i@:", [](TNInvocation& inv) { inv.setReturnInt(self(inv).intValue()); });
        c->addInstanceMethod("unsignedIntValue", "I@:", [](TNInvocation& inv) {
            inv.setReturnUnsignedInt(self(inv).unsignedIntValue());
        });
        c->addInstanceMethod("doubleValue", "d@:", [](TNInvocation& inv) {
            inv.setReturnDouble(self(inv).doubleValue());
        });
        c->addInstanceMethod("floatValue", "f@:", [](TNInvocation& inv) {
            inv.setReturnFloat(self(inv).floatValue());
        });
        c->addInstanceMethod("boolValue", "c@:", [](TNInvocation& inv) { inv.setReturnBool(self(inv).boolValue()); });
        c->addInstanceMethod("longLongValue", "q@:", [](TNInvocation& inv) {
            inv.setReturnLongLong(self(inv).longLongValue());
        });
        return c;
    }();
    return cls;
}
