#include "bundle/TNBundle.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/TNRegularFile.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

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

bool isElement(const xmlNode* node, const char* name)
{
    return node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

std::string textOf(const xmlNode* node)
{
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

const xmlNode* nextElement(const xmlNode* node)
{
    while (node && node->type != XML_ELEMENT_NODE)
        node = node->next;
    return node;
}

// The text form of a scalar property-list value; arrays, dictionaries and
// data are kept as present but empty.
std::string scalarValue(const xmlNode* value)
{
    if (isElement(value, "true"))
        return "true";
    if (isElement(value, "false"))
        return "false";
    if (isElement(value, "string") || isElement(value, "integer") || isElement(value, "real")
        || isElement(value, "date"))
        return textOf(value);
    return "";
}

// The whole of a regular file; false with the reason otherwise.
bool readRegularFile(const std::string& path, std::string& text, std::string& reason)
{
    if (!TNIsRegularFile(path.c_str(), reason))
        return false;
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    if (!file || !(contents << file.rdbuf())) {
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
    // Read here rather than by libxml2, whose input layer prints its own
    // messages for a file it cannot open.
    std::string text, reason;
    if (!readRegularFile(path, text, reason)) {
        error = "cannot read Info.plist " + path + ": " + reason;
        return false;
    }
    xmlDoc* document = xmlReadMemory(text.data(), static_cast<int>(text.size()), path.c_str(), nullptr,
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!document) {
        const xmlError* last = xmlGetLastError();
        reason = last && last->message ? last->message : "not well-formed XML";
        // Some of the XML reader's messages add a second line (the bad bytes).
        reason = reason.substr(0, reason.find('\n'));
        error = "malformed Info.plist " + path + ": " + reason;
        return false;
    }
    const xmlNode* root = xmlDocGetRootElement(document);
    const xmlNode* dict = root && isElement(root, "plist") ? nextElement(root->children) : nullptr;
    if (!dict || !isElement(dict, "dict")) {
        xmlFreeDoc(document);
        error = "malformed Info.plist " + path + ": expected <plist> holding a <dict>";
        return false;
    }
    for (const xmlNode* key = nextElement(dict->children); key; key = nextElement(key->next)) {
        const xmlNode* value = nextElement(key->next);
        if (!isElement(key, "key") || !value) {
            xmlFreeDoc(document);
            error = "malformed Info.plist " + path + ": a <dict> entry is not a <key> followed by a value";
            return false;
        }
        info_[textOf(key)] = scalarValue(value);
        key = value;
    }
    xmlFreeDoc(document);
    return true;
}

std::string TNBundle::pathForResource(const std::string& name, const std::string& type) const
{
    std::string path = resourcePath_ + "/" + name + (type.empty() ? "" : "." + type);
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
    auto found = info_.find(key);
    return found == info_.end() ? std::string() : found->second;
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
