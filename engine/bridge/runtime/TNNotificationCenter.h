// Delivers posted notifications to the blocks observing them, by name and
// object. Safe to use from any thread: blocks run on the posting thread,
// outside the centre's lock.
#ifndef TN_NOTIFICATION_CENTER_H
#define TN_NOTIFICATION_CENTER_H

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "bridge/runtime/TNNotification.h"

class TNNotificationCenter : public TNObject {
public:
    using Block = std::function<void(const TNNotification&)>;

    static TNNotificationCenter* defaultCenter();

    // An empty name matches every name, a null object every object. The
    // object is compared by identity and not retained. Returns a token for
    // removeObserver.
    uint64_t addObserver(const std::string& name, const TNObject* object, Block block);
    void removeObserver(uint64_t token);
    void postNotification(const std::string& name, TNObject* object, TNDictionary* userInfo = nullptr);

    static TNClass* runtimeClass();
    TNClass* objectClass() const override { return runtimeClass(); }

private:
    struct Observer {
        uint64_t token;
        std::string name;
        const TNObject* object;
        Block block;
    };
    std::mutex mutex_;
    uint64_t nextToken_ = 1;
    std::vector<Observer> observers_;
};

#endif
