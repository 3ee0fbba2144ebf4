// A mutable map from objects to objects, keys compared with isEqual/hash.
// Not locked: one thread uses a dictionary at a time.
#ifndef TN_DICTIONARY_H
#define TN_DICTIONARY_H

#include <string>
#include <unordered_map>

#include "bridge/runtime/TNObject.h"

class TNDictionary : public TNObject {
public:
    static TNRef<TNDictionary> create() { return TNMake<TNDictionary>(); }

    size_t count() const { return entries_.size(); }
    // Null when the key is absent.
    TNObject* objectForKey(const TNObject* key) const;
    TNObject* objectForKey(const std::string& key) const;
    void setObject(TNObject* value, TNObject* key);
    void setObject(TNObject* value, const std::string& key);
    void removeObjectForKey(const TNObject* key);
    TNObjectList allKeys() const;

    static TNClass* runtimeClass();
    TNClass* objectClass() const override { return runtimeClass(); }
    std::string description() const override;

private:
    struct KeyHash {
        size_t operator()(const TNRef<TNObject>& k) const { return k ? k->hash() : 0; }
    };
    struct KeyEqual {
        bool operator()(const TNRef<TNObject>& a, const TNRef<TNObject>& b) const
        {
            return a == b || (a && b && a->isEqual(b.get()));
        }
    };
    std::unordered_map<TNRef<TNObject>, TNRef<TNObject>, KeyHash, KeyEqual> entries_;
};

#endif
