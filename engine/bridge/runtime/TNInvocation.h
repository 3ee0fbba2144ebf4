// A message ready to send: a target, a selector, typed argument slots and a
// return slot, laid out by a method signature. Slots start at zero; object
// slots retain what they hold.
#ifndef TN_INVOCATION_H
#define TN_INVOCATION_H

#include <cstdint>
#include <string>
#include <vector>

#include "bridge/runtime/TNMethodSignature.h"
#include "bridge/runtime/TNObject.h"

class TNClass;

class TNInvocation {
public:
    explicit TNInvocation(const TNMethodSignature& signature);

    const TNMethodSignature& methodSignature() const { return signature_; }
    void setTarget(TNObject* target) { target_ = target; }
    TNObject* target() const { return target_.get(); }
    void setSelector(const std::string& selector) { selector_ = selector; }
    const std::string& selector() const { return selector_; }

    // Argument setters; index 0 is the receiver and 1 the selector, so the
    // method's own arguments start at 2. An index beyond the signature throws
    // std::out_of_range.
    void setObject(size_t index, TNObject* value);
    void setInt(size_t index, int32_t value);
    void setUnsignedInt(size_t index, uint32_t value);
    void setLongLong(size_t index, int64_t value);
    void setDouble(size_t index, double value);
    void setFloat(size_t index, float value);
    void setPointer(size_t index, void* value);

    TNObject* objectArgument(size_t index) const;
    TNClass* classArgument(size_t index) const;
    int32_t intArgument(size_t index) const;
    uint32_t unsignedIntArgument(size_t index) const;
    int64_t longLongArgument(size_t index) const;
    double doubleArgument(size_t index) const;
    float floatArgument(size_t index) const;
    void* pointerArgument(size_t index) const;

    void setReturnObject(TNObject* value) { return_.object = value; }
    void setReturnInt(int32_t value) { return_.integer = value; }
    void setReturnUnsignedInt(uint32_t value) { return_.integer = value; }
    void setReturnLongLong(int64_t value) { return_.integer = value; }
    void setReturnBool(bool value) { return_.integer = value ? 1 : 0; }
    void setReturnDouble(double value) { return_.real = value; }
    void setReturnFloat(float value) { return_.real = value; }

    TNObject* returnObject() const { return return_.object.get(); }
    int32_t returnInt() const { return static_cast<int32_t>(return_.integer); }
    uint32_t returnUnsignedInt() const { return static_cast<uint32_t>(return_.integer); }
    int64_t returnLongLong() const { return return_.integer; }
    double returnDouble() const { return return_.real; }
    float returnFloat() const { return static_cast<float>(return_.real); }

    // Sends the selector to the target. Throws std::runtime_error when the
    // target is null or does not answer the selector; exceptions of the
    // method pass through.
    void invoke();

private:
    struct Slot {
        TNRef<TNObject> object;
        int64_t integer = 0;
        double real = 0;
        void* pointer = nullptr;
    };
    Slot& slot(size_t index);
    const Slot& slot(size_t index) const;

    TNMethodSignature signature_;
    TNRef<TNObject> target_;
    std::string selector_;
    std::vector<Slot> arguments_;
    Slot return_;
};

#endif
