#include "scenegraph/SGObject.h"

SGObject::SGObject() : refCount_(1), handle_(TNHandleTable::add(this)) {}

SGObject::~SGObject()
{
    TNHandleTable::remove(handle_);
}

void SGObject::release()
{
    if (--refCount_ == 0)
        delete this;
}

SGObject* SGObject::fromHandle(TNHandle handle)
{
    return static_cast<SGObject*>(TNHandleTable::lookup(handle));
}
