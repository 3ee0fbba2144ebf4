// The intrusive reference count under nodes and scenes.
#ifndef SG_OBJECT_H
#define SG_OBJECT_H

#include <cstdint>

#include "lua/TNHandle.h"

class SGNode;

// Starts with one reference; release() destroys the object when the last one
// goes. Every object also holds a handle from TNHandleTable for its whole
// life, so a script object keeping the handle can tell whether the object
// still exists without touching it.
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

    TNHandle handle() const { return handle_; }
    // The object the handle names while it lives, else null.
    static SGObject* fromHandle(TNHandle handle);
    // This object as a node, or null when it is none (a cheap dynamic_cast).
    virtual SGNode* asNode() { return nullptr; }

private:
    int32_t refCount_;
    TNHandle handle_;
};

#endif
