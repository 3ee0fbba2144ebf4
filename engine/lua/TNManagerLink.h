// A scene's, space's or node's hold on the sound or asset manager it was
// made with. A script may delete a manager while scenes made with it still
// exist; the link keeps the manager's address with its serial in the list
// of live managers, so get() is null once the manager is gone, without
// touching it, even when a new manager took over the same address.
#ifndef TN_MANAGER_LINK_H
#define TN_MANAGER_LINK_H

#include "lua/TNLiveRegistry.h"

// The sound and asset managers alive now (each lists itself while it lives).
TNLiveRegistry& TNLiveManagers();

template <class Manager>
class TNManagerLink {
public:
    TNManagerLink() = default;
    // Made from the manager itself, so that a manager pointer can be handed
    // where a link is kept; null makes a link that is always null.
    TNManagerLink(Manager* manager) : manager_(manager), serial_(TNLiveManagers().serialOf(manager)) {}

    Manager* get() const { return manager_ && TNLiveManagers().isLive(manager_, serial_) ? manager_ : nullptr; }

private:
    Manager* manager_ = nullptr;
    uint64_t serial_ = 0;
};

#endif
