// One posted notification: a name, the object it is about, optional details.
#ifndef TN_NOTIFICATION_H
#define TN_NOTIFICATION_H

#include <string>

#include "bridge/runtime/TNDictionary.h"

class TNNotification : public TNObject {
public:
    TNNotification(std::string name, TNObject* object, TNDictionary* userInfo)
        : name_(std::move(name)), object_(object), userInfo_(userInfo) {}

    const std::string& name() const { return name_; }
    TNObject* object() const { return object_.get(); }
    TNDictionary* userInfo() const { return userInfo_.get(); }

private:
    std::string name_;
    TNRef<TNObject> object_;
    TNRef<TNDictionary> userInfo_;
};

#endif
