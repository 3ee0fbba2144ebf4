// A scene's, space's or node's hold on the sound or asset manager it was
// made with. A script may delete a manager while scenes made with it still
// exist; the link keeps the manager's handle, so get() is null once the
// manager is gone, without touching it, even when a new manager took over
// the same address.
#ifndef TN_MANAGER_LINK_H
#define TN_MANAGER_LINK_H

#include "lua/TNHandle.h"

// Manager must have `TNHandle handle() const`, taken when it is made and
// given back when it is destroyed.
template <class Manager>
class TNManagerLink {
public:
    TNManagerLink() = default;
    // Made from the manager itself, so that a manager pointer can be handed
    // where a link is kept; null makes a link that is always null.
    TNManagerLink(Manager* manager) : handle_(manager ? manager->handle() : TNHandle()) {}

    Manager* get() const { return static_cast<Manager*>(TNHandleTable::lookup(handle_)); }

private:
    TNHandle handle_;
};

#endif
