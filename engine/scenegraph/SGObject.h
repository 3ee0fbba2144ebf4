// The intrusive reference count under nodes and scenes.
#ifndef SG_OBJECT_H
#define SG_OBJECT_H

#include <cstdint>

class SGNode;

// Starts with one reference; release() destroys the object when the last one
// goes. Every live object is also listed with a serial number that is never
// reused, so a script handle holding (address, serial) can tell whether its
// object still exists, even when a new object took over the same address.
class SGObject {
public:
    SGObject();
    virtual ~SGObject();
    SGObject(const SGObject&) = delete;
    SGObject& operator=(const SGObject&) = delete;

    void retain() { ++refCount_; }
    void release();
    bool isRetained() const { return refCount_ > 1; }
    int32_t retainCount() const { return refCount_; }

    uint64_t serial() const { return serial_; }
    // This object as a node, or null when it is none (a cheap dynamic_cast).
    virtual SGNode* asNode() { return nullptr; }
    // The object at address if it is alive and carries serial, else null.
    // Never dereferences address.
    static SGObject* liveObject(const void* address, uint64_t serial);
    // Number of objects alive now (for leak checks).
    static int liveCount();

private:
    int32_t refCount_;
    uint64_t serial_;
};

#endif
