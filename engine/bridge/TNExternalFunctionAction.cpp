#include "bridge/TNExternalFunctionAction.h"

TNExternalFunctionAction::TNExternalFunctionAction(TNObject* target, std::string selector, void* context)
    : target_(target), selector_(std::move(selector)), context_(context)
{
}

TNRef<TNObject> TNExternalFunctionAction::target() const
{
    std::lock_guard<std::mutex> guard(targetMutex_);
    return target_;
}

void TNExternalFunctionAction::setTarget(TNObject* target)
{
    TNRef<TNObject> old;
    {
        std::lock_guard<std::mutex> guard(targetMutex_);
        old = target_;
        target_ = target;
    }
}
