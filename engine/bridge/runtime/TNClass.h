// A runtime class: a name, a superclass, and methods by selector, each with
// a type-code signature. Classes live as long as the process and are objects
// themselves, so they can travel where objects do ("#" slots).
#ifndef TN_CLASS_H
#define TN_CLASS_H

#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "bridge/runtime/TNMethodSignature.h"
#include "bridge/runtime/TNObject.h"

class TNInvocation;

using TNMethodImp = std::function<void(TNInvocation&)>;

struct TNMethod {
    std::string selector;
    TNMethodSignature signature;
    TNMethodImp imp;
};

class TNClass : public TNObject {
public:
    // Makes a class and registers it with the runtime under its name.
    static TNClass* define(const std::string& name, TNClass* superclass);

    const std::string& name() const { return name_; }
    TNClass* superclass() const { return superclass_; }

    // types is the signature: return code, then "@:" for receiver and
    // selector, then one code per argument ("v@:i", "@#:@").
    void addInstanceMethod(const std::string& selector, const std::string& types, TNMethodImp imp);
    void addClassMethod(const std::string& selector, const std::string& types, TNMethodImp imp);
    const TNMethod* instanceMethod(const std::string& selector) const;
    const TNMethod* classMethod(const std::string& selector) const;

    bool isSubclassOf(const TNClass* other) const;

    // Messages sent to a class find its class methods (and its superclasses').
    const TNMethod* methodForSelector(const std::string& selector) const override;
    std::string description() const override { return name_; }

private:
    TNClass(std::string name, TNClass* superclass);

    std::string name_;
    TNClass* superclass_;
    mutable std::mutex mutex_;
    std::map<std::string, TNMethod> instanceMethods_;
    std::map<std::string, TNMethod> classMethods_;
};

#endif
