#include "bridge/runtime/TNInvocation.h"

#include <stdexcept>

#include "bridge/runtime/TNClass.h"

TNInvocation::TNInvocation(const TNMethodSignature& signature)
    : signature_(signature), arguments_(signature.numberOfArguments())
{
}

TNInvocation::Slot& TNInvocation::slot(size_t index)
{
    if (index >= arguments_.size())
        throw std::out_of_range("TNInvocation: argument " + std::to_string(index) + " is beyond the signature \"" +
                                signature_.types() + "\"");
    return arguments_[index];
}

const TNInvocation::Slot& TNInvocation::slot(size_t index) const
{
    return const_cast<TNInvocation*>(this)->slot(index);
}

void TNInvocation::setObject(size_t index, TNObject* value) { slot(index).object = value; }
void TNInvocation::setInt(size_t index, int32_t value) { slot(index).integer = value; }
void TNInvocation::setUnsignedInt(size_t index, uint32_t value) { slot(index).integer = value; }
void TNInvocation::setLongLong(size_t index, int64_t value) { slot(index).integer = value; }
void TNInvocation::setDouble(size_t index, double value) { slot(index).real = value; }
void TNInvocation::setFloat(size_t index, float value) { slot(index).real = value; }
void TNInvocation::setPointer(size_t index, void* value) { slot(index).pointer = value; }

TNObject* TNInvocation::objectArgument(size_t index) const { return slot(index).object.get(); }
int32_t TNInvocation::intArgument(size_t index) const { return static_cast<int32_t>(slot(index).integer); }
uint32_t TNInvocation::unsignedIntArgument(size_t index) const { return static_cast<uint32_t>(slot(index).integer); }
int64_t TNInvocation::longLongArgument(size_t index) const { return slot(index).integer; }
double TNInvocation::doubleArgument(size_t index) const { return slot(index).real; }
float TNInvocation::floatArgument(size_t index) const { return static_cast<float>(slot(index).real); }
void* TNInvocation::pointerArgument(size_t index) const { return slot(index).pointer; }

TNClass* TNInvocation::classArgument(size_t index) const
{
    return dynamic_cast<TNClass*>(slot(index).object.get());
}

void TNInvocation::invoke()
{
    if (!target_)
        throw std::runtime_error("TNInvocation: no target for selector " + selector_);
    const TNMethod* method = target_->methodForSelector(selector_);
    if (!method)
        throw std::runtime_error("TNInvocation: " + target_->description() + " does not respond to selector " +
                                 selector_);
    method->imp(*this);
}
