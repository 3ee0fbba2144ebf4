// The sound and asset managers alive now, each with a serial number that is
// never reused. A script may delete a manager while scenes made with it
// still exist; their spaces and nodes hold a TNManagerLink instead of a bare
// pointer, and so can tell that the manager is gone without touching it,
// even when a new manager took over the same address.
#ifndef TN_MANAGER_REGISTRY_H
#define TN_MANAGER_REGISTRY_H

#include <cstdint>

class TNManagerRegistry {
public:
    // Called by a manager's constructor and destructor; add returns its serial.
    static uint64_t add(const void* manager);
    static void remove(const void* manager);
    // True when the manager at address is alive and carries serial. Never
    // dereferences address.
    static bool isLive(const void* manager, uint64_t serial);
    // Number of managers alive now (for leak checks).
    static int liveCount();
};

// A manager's address with its serial; get() is null once the manager is
// destroyed. Made from a live manager (or null), so that scenes, spaces and
// nodes can be given the manager itself.
template <class Manager>
class TNManagerLink {
public:
    TNManagerLink() = default;
    TNManagerLink(Manager* manager) : manager_(manager), serial_(manager ? manager->liveSerial() : 0) {}

    Manager* get() const
    {
        return manager_ && TNManagerRegistry::isLive(manager_, serial_) ? manager_ : nullptr;
    }

private:
    Manager* manager_ = nullptr;
    uint64_t serial_ = 0;
};

#endif
