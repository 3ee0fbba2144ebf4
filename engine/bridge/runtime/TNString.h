// An immutable UTF-8 string object.
#ifndef TN_STRING_H
#define TN_STRING_H

#include <string>

#include "bridge/runtime/TNObject.h"

class TNString : public TNObject {
public:
    static TNRef<TNString> create(std::string text) { return TNMake<TNString>(std::move(text)); }
    explicit TNString(std::string text) : text_(std::move(text)) {}

    const std::string& str() const { return text_; }
    const char* UTF8String() const { return text_.c_str(); }
    size_t length() const { return text_.size(); }

    static TNClass* runtimeClass();
    TNClass* objectClass() const override { return runtimeClass(); }
    std::string description() const override { return text_; }
    bool isEqual(const TNObject* other) const override;
    size_t hash() const override { return std::hash<std::string>()(text_); }

private:
    std::string text_;
};

#endif
