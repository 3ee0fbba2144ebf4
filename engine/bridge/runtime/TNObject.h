// The root of the object runtime: an intrusive, thread-safe reference count,
// the class the object belongs to (its methods by selector), weak links,
// equality and description, and key-value observing (will/did-change notices
// delivered to registered observers).
#ifndef TN_OBJECT_H
#define TN_OBJECT_H

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "bridge/runtime/TNRef.h"

class TNClass;
class TNObject;
struct TNMethod;

// Shared between an object and its weak references; cleared when the
// object's count reaches zero.
class TNWeakLink {
public:
    explicit TNWeakLink(TNObject* object) : object_(object) {}
    // Returns the object with one more reference (owned by the caller), or null.
    TNObject* retainObject();
    void clear();

private:
    std::mutex mutex_;
    TNObject* object_;
};

// Option of addObserver: also notify before the change (with isPrior true).
enum { TNKeyValueObservingOptionPrior = 1 };

class TNObject {
public:
    TNObject();
    virtual ~TNObject();
    TNObject(const TNObject&) = delete;
    TNObject& operator=(const TNObject&) = delete;

    void retain();
    void release();
    int retainCount() const { return count_.load(); }

    // The runtime class of the object; subclasses registered with the
    // runtime answer their own.
    virtual TNClass* objectClass() const;
    static TNClass* runtimeClass();

    // The method answering a selector, looked up through the class chain.
    virtual const TNMethod* methodForSelector(const std::string& selector) const;
    bool respondsToSelector(const std::string& selector) const;

    virtual std::string description() const;
    virtual bool isEqual(const TNObject* other) const { return other == this; }
    virtual size_t hash() const { return std::hash<const void*>()(this); }

    // Key-value observing. Observers are not retained; they must be removed
    // before they are destroyed.
    virtual void addObserver(TNObject* observer, const std::string& keyPath, int options, void* context);
    virtual void removeObserver(TNObject* observer, const std::string& keyPath);
    void willChangeValueForKey(const std::string& key);
    void didChangeValueForKey(const std::string& key);
    // Called on an observer for each change of an observed key.
    virtual void observeValueForKeyPath(const std::string& keyPath, TNObject* object, bool isPrior, void* context);

    std::shared_ptr<TNWeakLink> weakLink();

private:
    friend class TNWeakLink;
    struct Observation {
        TNObject* observer;
        std::string keyPath;
        int options;
        void* context;
    };
    struct ObservationList {
        std::mutex mutex;
        std::vector<Observation> entries;
    };
    void notifyObservers(const std::string& key, bool isPrior);

    std::atomic<int> count_;
    std::shared_ptr<TNWeakLink> weakLink_;
    std::once_flag observationOnce_;
    std::unique_ptr<ObservationList> observations_;
};

using TNObjectList = std::vector<TNRef<TNObject>>;

#endif
