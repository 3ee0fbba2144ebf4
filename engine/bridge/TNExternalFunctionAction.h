// One named external function: the object that receives the call, the
// selector sent to it and an opaque context passed as its first argument.
#ifndef TN_EXTERNAL_FUNCTION_ACTION_H
#define TN_EXTERNAL_FUNCTION_ACTION_H

#include <mutex>
#include <string>

#include "bridge/runtime/TNObject.h"

class TNExternalFunctionAction : public TNObject {
public:
    TNExternalFunctionAction(TNObject* target, std::string selector, void* context);

    // The target is retained; reading and replacing it is atomic.
    TNRef<TNObject> target() const;
    void setTarget(TNObject* target);
    const std::string& selector() const { return selector_; }
    void setSelector(const std::string& selector) { selector_ = selector; }
    void* context() const { return context_; }
    void setContext(void* context) { context_ = context; }

private:
    mutable std::mutex targetMutex_;
    TNRef<TNObject> target_;
    std::string selector_;
    void* context_;
};

#endif
