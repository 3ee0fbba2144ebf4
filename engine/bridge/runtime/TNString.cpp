#include "bridge/runtime/TNString.h"

#include <cctype>
#include <cstdlib>

#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"

namespace {

const TNString& self(TNInvocation& inv) { return *static_cast<TNString*>(inv.target()); }

// The text of an object argument: a string's own text, another object's
// description, nothing for null.
std::string textOf(TNObject* object) { return object ? object->description() : std::string(); }

std::string mapped(const std::string& text, int (*f)(int))
{
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(f(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

bool TNString::isEqual(const TNObject* other) const
{
    auto* s = dynamic_cast<const TNString*>(other);
    return s && s->text_ == text_;
}

TNClass* TNString::runtimeClass()
{
    static TNClass* cls = [] {
        TNClass* c = TNClass::define("TNString", TNObject::runtimeClass());
        c->addClassMethod("stringWithString:", "@#:@", [](TNInvocation& inv) {
            inv.setReturnObject(TNString::create(textOf(inv.objectArgument(2))).get());
        });
        c->addInstanceMethod("length", "I@:", [](TNInvocation& inv) {
            inv.setReturnUnsignedInt(static_cast<uint32_t>(self(inv).length()));
        });
        c->addInstanceMethod("stringByAppendingString:", "@@:@", [](TNInvocation& inv) {
            inv.setReturnObject(TNString::create(self(inv).str() + textOf(inv.objectArgument(2))).get());
        });
        c->addInstanceMethod("uppercaseString", "@@:", [](TNInvocation& inv) {
            inv.setReturnObject(TNString::create(mapped(self(inv).str(), ::toupper)).get());
        });
        c->addInstanceMethod("lowercaseString", "@@:", [](TNInvocation& inv) {
            inv.setReturnObject(TNString::create(mapped(self(inv).str(), ::tolower)).get());
        });
        c->addInstanceMethod("isEqualToString:", "c@:@", [](TNInvocation& inv) {
            inv.setReturnBool(self(inv).isEqual(inv.objectArgument(2)));
        });
        c->addInstanceMethod("intValue", "i@:", [](TNInvocation& inv) {
            inv.setReturnInt(std::atoi(self(inv).UTF8String()));
        });
        c->addInstanceMethod("doubleValue", "d@:", [](TNInvocation& inv) {
            inv.setReturnDouble(std::strtod(self(inv).UTF8String(), nullptr));
        });
        return c;
    }();
    return cls;
}
