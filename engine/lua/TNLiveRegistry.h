// A list of the objects of one kind alive now, each with a serial number
// that is never reused. Whoever keeps an object's address with its serial
// can ask whether that object still exists without touching it, even after
// a new object took over the same address. Safe to use from any thread.
#ifndef TN_LIVE_REGISTRY_H
#define TN_LIVE_REGISTRY_H

#include <cstdint>
#include <mutex>
#include <unordered_map>

class TNLiveRegistry {
public:
    // Lists the object; returns its new serial.
    uint64_t add(const void* object);
    void remove(const void* object);
    // The serial of the live object at address; 0 when none is listed there.
    uint64_t serialOf(const void* object) const;
    // True when the object at address is listed with serial.
    bool isLive(const void* object, uint64_t serial) const;
    int count() const;

private:
    mutable std::mutex lock_;
    std::unordered_map<const void*, uint64_t> serials_;
    uint64_t nextSerial_ = 1;
};

#endif
