#include "libs/runtime/TNNull.h"

#include "libs/runtime/TNClass.h"
#include "libs/runtime/TNInvocation.h"

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
