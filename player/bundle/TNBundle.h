// A game bundle on disk: Name.app/Contents/Info.plist (an XML or binary
// property list) and the resources in Name.app/Contents/Resources.
#ifndef TN_BUNDLE_H
#define TN_BUNDLE_H

#include <optional>
#include <string>
#include <vector>

#include "bundle/TNInfoPlist.h"

class TNBundle {
public:
    // Opens the bundle at path. Returns nothing, with a one-line reason in
    // error, when the folder is missing or unreadable, has no resource
    // folder, or its Info.plist is not a well-formed property list. A bundle
    // without an Info.plist is accepted with no information keys.
    static std::optional<TNBundle> open(const std::string& path, std::string& error);

    const std::string& bundlePath() const { return bundlePath_; }
    const std::string& resourcePath() const { return resourcePath_; }

    // The file Resources/name.type, empty when there is none.
    std::string pathForResource(const std::string& name, const std::string& type) const;
    // The entries of the resource folder whose name ends in ".type", sorted
    // by name.
    std::vector<std::string> pathsForResourcesOfType(const std::string& type) const;

    // Information keys: strings as written, booleans as "true"/"false",
    // numbers as their text. Empty when absent.
    std::string infoString(const std::string& key) const;
    bool infoBool(const std::string& key) const;
    bool hasInfoKey(const std::string& key) const { return info_.hasKey(key); }

    // "CFBundleName", else the bundle folder's name without ".app".
    std::string bundleName() const;

private:
    bool readInfoPlist(const std::string& path, std::string& error);

    std::string bundlePath_;
    std::string resourcePath_;
    TNInfoPlist info_;
};

#endif
