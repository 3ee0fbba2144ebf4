// The registry of runtime classes by name. The value classes, the
// notification centre and the script bridge's own classes are registered
// on first use; their platform names ("NSString", "NSMutableArray", ...) are
// registered as aliases so scripts written against those names work.
#ifndef TN_RUNTIME_H
#define TN_RUNTIME_H

#include <string>

class TNClass;

namespace TNRuntime {

void registerClass(TNClass* cls);
// Makes name find an already registered class as well.
void registerAlias(const std::string& alias, TNClass* cls);
// The class of that name, or null.
TNClass* classNamed(const std::string& name);

}  // namespace TNRuntime

#endif
