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
    // Called by a manager's constructor and destructor.
    static void add(const void* manager);
    static void remove(const void* manager);
    // The serial of the live manager at address; 0 for null or an address
    // that holds no manager.
    static uint64_t serialOf(const void* manager);
    // True when the manager at address is alive and carries serial. Never
    // dereferences address.
    static bool isLive(const void* manager, uint64_t serial);
    // Number of managers alive now (for leak checks).
    static int liveCount();
};

// A manager's address with its serial; get() is null once the manager is
// destroyed (or when made from null). Made from the manager itself, so that
// scenes, spaces and nodes can be handed a manager pointer.
template <class Manager>
class TNManagerLink {
public:
    TNManagerLink() = default;
    TNManagerLink(Manager* manager) : manager_(manager), serial_(TNManagerRegistry::serialOf(manager)) {}

    Manager* get() const
    {
        return manager_ && TNManagerRegistry::isLive(manager_, serial_) ? manager_ : nullptr;
    }

private:
    Manager* manager_ = nullptr;
    uint64_t serial_ = 0;
};

#endif
