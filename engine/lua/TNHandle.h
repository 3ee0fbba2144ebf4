// Handles: how the script side names an engine object without keeping a
// pointer it may not use. Every object the script can hold (scene graph
// objects, managers, physics worlds, bodies and fixtures) takes a handle
// from TNHandleTable when it is made and gives it back when it goes. A
// handle names a slot and the slot's generation; giving the handle back
// bumps the generation, so a stale handle finds nothing, without touching
// the object it once named, even after a new object took over the slot.
//
// add() and remove() take a lock and may run on any thread. lookup() takes
// none: slots live in blocks that never move, and their fields are atomic.
#ifndef TN_HANDLE_H
#define TN_HANDLE_H

#include <cstdint>

struct TNHandle {
    uint32_t index = 0;       // slot number plus one; 0 is the null handle
    uint32_t generation = 0;

    bool isNull() const { return index == 0; }
    bool operator==(const TNHandle& other) const
    {
        return index == other.index && generation == other.generation;
    }
    bool operator!=(const TNHandle& other) const { return !(*this == other); }
};

class TNHandleTable {
public:
    // A new handle naming object (which must not be null).
    static TNHandle add(void* object);
    // Ends the handle: lookups of it find nothing from now on. A null or
    // already ended handle is ignored.
    static void remove(TNHandle handle);
    // The object the handle names, or null once it is gone.
    static void* lookup(TNHandle handle);
    // How many handles are alive now.
    static int liveCount();
};

#endif
