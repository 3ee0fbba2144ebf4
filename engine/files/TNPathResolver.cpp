#include "files/TNPathResolver.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/TNFolderListing.h"
#include "log/TNLog.h"

struct TNPathResolver::CachedListing {
    TNFolderListing entries;
    unsigned long long lastUse = 0;
};

namespace {

// How many ambiguous paths are remembered as reported before the record
// starts again (a game asking for ever new ambiguous names).
const size_t kMaxReportedAmbiguities = 4096;

std::string currentFolder()
{
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// The components of path made absolute, with "." and empty components
// dropped and ".." taking away the one before it.
std::vector<std::string> componentsOf(const std::string& path)
{
    const std::string absolute = !path.empty() && path[0] == '/' ? path : currentFolder() + "/" + path;
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= absolute.size()) {
        size_t end = absolute.find('/', start);
        if (end == std::string::npos)
            end = absolute.size();
        const std::string part = absolute.substr(start, end - start);
        if (part == "..") {
            if (!components.empty())
                components.pop_back();
        } else if (!part.empty() && part != ".") {
            components.push_back(part);
        }
        start = end + 1;
    }
    return components;
}

std::string joined(const std::vector<std::string>& components, size_t count)
{
    std::string path;
    for (size_t i = 0; i < count; ++i)
        path += "/" + components[i];
    return path.empty() ? "/" : path;
}

std::string inFolder(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

bool exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

}  // namespace

TNPathResolver::TNPathResolver() = default;
TNPathResolver::~TNPathResolver() = default;

TNPathResolver& TNPathResolver::shared()
{
    // Never destroyed: readers on other threads may still ask while the
    // process exits.
    static TNPathResolver* resolver = new TNPathResolver;
    return *resolver;
}

void TNPathResolver::addRoot(const std::string& folder)
{
    std::vector<std::string> root = componentsOf(folder);
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& known : roots_) {
        if (known == root)
            return;
    }
    roots_.push_back(std::move(root));
}

void TNPathResolver::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    roots_.clear();
    cache_.clear();
    reportedAmbiguities_.clear();
}

size_t TNPathResolver::foldersRead() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return foldersRead_;
}

std::string TNPathResolver::resolve(const std::string& path)
{
    if (path.empty() || exists(path))
        return path;
    return resolveInside(path, false);
}

std::string TNPathResolver::resolveForWriting(const std::string& path)
{
    if (path.empty() || exists(path))
        return path;
    return resolveInside(path, true);
}

std::string TNPathResolver::resolveInside(const std::string& path, bool keepMissingLeaf)
{
    const std::vector<std::string> components = componentsOf(path);
    std::lock_guard<std::mutex> lock(mutex_);
    size_t rootLength = 0;
    if (!findRoot(components, rootLength))
        return path;
    std::string current = joined(components, rootLength);
    bool changed = false;
    for (size_t i = rootLength; i < components.size(); ++i) {
        const std::string& name = components[i];
        const TNFolderListing* entries = listing(current);
        if (!entries)
            return path;
        std::string chosen = name;
        if (!entries->hasEntry(name)) {
            const std::vector<std::string>& candidates = entries->matches(name);
            const bool isLeaf = i + 1 == components.size();
            if (candidates.empty() && !(keepMissingLeaf && isLeaf))
                return path;
            if (!candidates.empty()) {
                chosen = pickMatch(current, name, candidates, path);
                changed = true;
            }
        }
        current = inFolder(current, chosen);
    }
    return changed ? current : path;
}

bool TNPathResolver::findRoot(const std::vector<std::string>& components, size_t& rootLength) const
{
    bool found = false;
    for (const auto& root : roots_) {
        if (root.size() > components.size() || (found && root.size() <= rootLength))
            continue;
        bool isPrefix = true;
        for (size_t i = 0; i < root.size() && isPrefix; ++i)
            isPrefix = root[i] == components[i];
        if (isPrefix) {
            rootLength = root.size();
            found = true;
        }
    }
    return found;
}

const TNFolderListing* TNPathResolver::listing(const std::string& folder)
{
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return nullptr;
    std::unique_ptr<CachedListing>& cached = cache_[folder];
    if (!cached || !cached->entries.isCurrent(info)) {
        auto fresh = std::make_unique<CachedListing>();
        ++foldersRead_;
        if (!fresh->entries.read(folder, info)) {
            cache_.erase(folder);
            return nullptr;
        }
        cached = std::move(fresh);
    }
    cached->lastUse = ++clock_;
    const TNFolderListing* entries = &cached->entries;
    if (cache_.size() > kMaxCachedFolders)
        evictOldest();
    return entries;
}

void TNPathResolver::evictOldest()
{
    auto oldest = cache_.begin();
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->second->lastUse < oldest->second->lastUse)
            oldest = it;
    }
    cache_.erase(oldest);
}

std::string TNPathResolver::pickMatch(const std::string& folder, const std::string& name,
                                      const std::vector<std::string>& candidates, const std::string& asked)
{
    if (candidates.size() > 1 && reportedAmbiguities_.insert(asked).second) {
        if (reportedAmbiguities_.size() > kMaxReportedAmbiguities) {
            reportedAmbiguities_.clear();
            reportedAmbiguities_.insert(asked);
        }
        std::string list;
        for (const std::string& candidate : candidates)
            list += (list.empty() ? "" : ", ") + candidate;
        TNLog("\"%s\": several files in %s match \"%s\" ignoring case (%s); reading %s, the first by byte order",
              asked.c_str(), folder.c_str(), name.c_str(), list.c_str(), candidates.front().c_str());
    }
    return candidates.front();
}
