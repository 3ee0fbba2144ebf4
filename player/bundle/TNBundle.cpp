#include "bundle/TNBundle.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bundle/TNInfoPlist.h"
#include "files/TNPathResolver.h"
#include "files/TNRegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

bool isDirectory(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// The whole of a regular file; false with the reason otherwise.
bool readRegularFile(const std::string& path, std::string& text, std::string& reason)
{
    if (!TNIsRegularFile(path.c_str(), reason))
        return false;
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    // Copying from an empty file copies nothing, which the stream counts as
    // a failure.
    const bool empty = file && file.peek() == std::ifstream::traits_type::eof();
    if (!file || (!empty && !(contents << file.rdbuf()))) {
        reason = std::strerror(errno ? errno : EIO);
        return false;
    }
    text = contents.str();
    return true;
}

std::string stripSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::optional<TNBundle> TNBundle::open(const std::string& path, std::string& error)
{
    TNBundle bundle;
    bundle.bundlePath_ = stripSlashes(path);
    if (!isDirectory(bundle.bundlePath_)) {
        error = "no game bundle at " + path;
        return std::nullopt;
    }
    if (access(bundle.bundlePath_.c_str(), R_OK | X_OK) != 0) {
        error = "the game bundle " + path + " is not readable";
        return std::nullopt;
    }
    bundle.resourcePath_ = bundle.bundlePath_ + "/Contents/Resources";
    if (!isDirectory(bundle.resourcePath_) || access(bundle.resourcePath_.c_str(), R_OK | X_OK) != 0) {
        error = "the game bundle " + path + " has no readable Contents/Resources folder";
        return std::nullopt;
    }
    std::string plist = bundle.bundlePath_ + "/Contents/Info.plist";
    if (exists(plist) && !bundle.readInfoPlist(plist, error))
        return std::nullopt;
    return bundle;
}

bool TNBundle::readInfoPlist(const std::string& path, std::string& error)
{
    std::string text, reason;
    if (!readRegularFile(path, text, reason)) {
        error = "cannot read Info.plist " + path + ": " + reason;
        return false;
    }
    std::optional<TNInfoPlist> info = TNInfoPlist::read(text, reason);
    if (!info) {
        error = "malformed Info.plist " + path + ": " + reason;
        return false;
    }
    info_ = *info;
    return true;
}

std::string TNBundle::pathForResource(const std::string& name, const std::string& type) const
{
    std::string path = TNPathResolver::shared().resolve(resourcePath_ + "/" + name + (type.empty() ? "" : "." + type));
    return exists(path) ? path : std::string();
}

std::vector<std::string> TNBundle::pathsForResourcesOfType(const std::string& type) const
{
    std::vector<std::string> names;
    std::string suffix = "." + type;
    if (DIR* dir = opendir(resourcePath_.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> paths;
    for (const std::string& name : names)
        paths.push_back(resourcePath_ + "/" + name);
    return paths;
}

std::string TNBundle::infoString(const std::string& key) const
{
    return info_.value(key);
}

bool TNBundle::infoBool(const std::string& key) const
{
    std::string value = infoString(key);
    return value == "true" || value == "YES" || value == "1";
}

std::string TNBundle::bundleName() const
{
    std::string name = infoString("CFBundleName");
    if (!name.empty())
        return name;
    std::string folder = bundlePath_.substr(bundlePath_.find_last_of('/') + 1);
    const std::string suffix = ".app";
    if (folder.size() > suffix.size() && folder.compare(folder.size() - suffix.size(), suffix.size(), suffix) == 0)
        folder.resize(folder.size() - suffix.size());
    return folder;
}
