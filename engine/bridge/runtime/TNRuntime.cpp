#include "bridge/runtime/TNRuntime.h"

#include <map>
#include <mutex>

#include "bridge/runtime/TNArray.h"
#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNDictionary.h"
#include "bridge/runtime/TNNotificationCenter.h"
#include "bridge/runtime/TNNull.h"
#include "bridge/runtime/TNNumber.h"
#include "bridge/runtime/TNString.h"

namespace {

std::mutex& registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Never destroyed: the classes it holds live for the whole process, and
// must stay reachable from it until the very end.
std::map<std::string, TNClass*>& registry()
{
    static auto* classes = new std::map<std::string, TNClass*>;
    return *classes;
}

// The built-in classes, each with the platform name scripts may use.
void registerBuiltins()
{
    TNRuntime::registerAlias("NSObject", TNObject::runtimeClass());
    TNRuntime::registerAlias("NSString", TNString::runtimeClass());
    TNRuntime::registerAlias("NSNumber", TNNumber::runtimeClass());
    TNRuntime::registerAlias("NSNull", TNNull::runtimeClass());
    TNRuntime::registerAlias("NSArray", TNArray::runtimeClass());
    TNRuntime::registerAlias("NSMutableArray", TNArray::runtimeClass());
    TNRuntime::registerAlias("NSDictionary", TNDictionary::runtimeClass());
    TNRuntime::registerAlias("NSMutableDictionary", TNDictionary::runtimeClass());
    TNRuntime::registerAlias("NSNotificationCenter", TNNotificationCenter::runtimeClass());
}

}  // namespace

void TNRuntime::registerClass(TNClass* cls)
{
    std::lock_guard<std::mutex> guard(registryMutex());
    registry()[cls->name()] = cls;
}

void TNRuntime::registerAlias(const std::string& alias, TNClass* cls)
{
    std::lock_guard<std::mutex> guard(registryMutex());
    registry()[alias] = cls;
}

TNClass* TNRuntime::classNamed(const std::string& name)
{
    static std::once_flag builtins;
    std::call_once(builtins, registerBuiltins);
    std::lock_guard<std::mutex> guard(registryMutex());
    auto it = registry().find(name);
    return it == registry().end() ? nullptr : it->second;
}
