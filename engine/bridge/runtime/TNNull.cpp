#include "bridge/runtime/TNNull.h"

#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"

TNNull* TNNull::null()
{
    static TNNull* marker = new TNNull();  // never released
    return marker;
}

TNClass* TNNull::runtimeClass()
{
    static TNClass* cls = [] {
        TNClass* c = TNClass::define("TNNull", TNObject::runtimeClass());
        c->addClassMethod("null", "@#:", [](TNInvocation& inv) { inv.setReturnObject(TNNull::null()); });
        return c;
    }();
    return cls;
}
