#include "bridge/runtime/TNClass.h"

#include "bridge/runtime/TNRuntime.h"

TNClass::TNClass(std::string name, TNClass* superclass) : name_(std::move(name)), superclass_(superclass) {}

TNClass* TNClass::define(const std::string& name, TNClass* superclass)
{
    // The runtime keeps the first reference for the life of the process.
    TNClass* cls = new TNClass(name, superclass);
    TNRuntime::registerClass(cls);
    return cls;
}

void TNClass::addInstanceMethod(const std::string& selector, const std::string& types, TNMethodImp imp)
{
    std::lock_guard<std::mutex> guard(mutex_);
    instanceMethods_[selector] = TNMethod{selector, TNMethodSignature(types), std::move(imp)};
}

void TNClass::addClassMethod(const std::string& selector, const std::string& types, TNMethodImp imp)
{
    std::lock_guard<std::mutex> guard(mutex_);
    classMethods_[selector] = TNMethod{selector, TNMethodSignature(types), std::move(imp)};
}

// Map nodes never move, so the returned pointers stay valid.
const TNMethod* TNClass::instanceMethod(const std::string& selector) const
{
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = instanceMethods_.find(selector);
    return it == instanceMethods_.end() ? nullptr : &it->second;
}

const TNMethod* TNClass::classMethod(const std::string& selector) const
{
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = classMethods_.find(selector);
    return it == classMethods_.end() ? nullptr : &it->second;
}

bool TNClass::isSubclassOf(const TNClass* other) const
{
    for (const TNClass* c = this; c; c = c->superclass_) {
        if (c == other)
            return true;
    }
    return false;
}

const TNMethod* TNClass::methodForSelector(const std::string& selector) const
{
    for (const TNClass* c = this; c; c = c->superclass_) {
        if (const TNMethod* m = c->classMethod(selector))
            return m;
    }
    return nullptr;
}
