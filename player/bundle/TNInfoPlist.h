// The information keys of a bundle's Info.plist, read with libplist from
// either form a Mac writes: the XML property list or the binary one
// ("bplist00").
#ifndef TN_INFO_PLIST_H
#define TN_INFO_PLIST_H

#include <memory>
#include <optional>
#include <string>

class TNInfoPlist {
public:
    // No keys at all (a bundle without an Info.plist).
    TNInfoPlist() = default;

    // The property list in bytes, or nothing with a one-line reason when it
    // is not a property list holding a dictionary: among others an XML one
    // that is not UTF-8, whose root element is not <plist>, or whose <dict>
    // ends with a key that has no value.
    static std::optional<TNInfoPlist> read(const std::string& bytes, std::string& reason);

    bool hasKey(const std::string& key) const;

    // The value of a top-level key as text: strings as written (up to a NUL
    // character, should one hold one), booleans as "true"/"false", integers
    // and reals as their text, dates as "YYYY-MM-DDTHH:MM:SSZ"; arrays,
    // dictionaries and data give the empty string, as does a missing key.
    std::string value(const std::string& key) const;

private:
    // Values are looked up in libplist's own tree: reading its keys out as
    // strings would stop the process on a key holding a NUL character.
    std::shared_ptr<void> root_;
};

#endif
