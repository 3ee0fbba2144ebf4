#include "files/TNFolderListing.h"

#include <dirent.h>
#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

bool TNFolderListing::keyOf(const std::string& name, std::string& key)
{
    // Decompose, fold case (the full folding: "ß" and "ss" fold alike), then
    // compose again: the result is the NFC form of the folded name. A name
    // that is not valid UTF-8 gives a negative result.
    utf8proc_uint8_t* folded = nullptr;
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(name.data()), static_cast<utf8proc_ssize_t>(name.size()),
                     &folded, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_CASEFOLD));
    if (length < 0)
        return false;
    key.assign(reinterpret_cast<const char*>(folded), static_cast<size_t>(length));
    std::free(folded);
    return true;
}

bool TNFolderListing::read(const std::string& path, const struct stat& info)
{
    DIR* folder = opendir(path.c_str());
    if (!folder)
        return false;
    device_ = info.st_dev;
    inode_ = info.st_ino;
    modified_ = info.st_mtim;
    names_.clear();
    byKey_.clear();
    std::string key;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        names_.insert(name);
        if (keyOf(name, key))
            byKey_[key].push_back(name);
    }
    closedir(folder);
    // Sorted so that the first of several matches never depends on the
    // order the folder lists its entries in.
    for (auto& entry : byKey_)
        std::sort(entry.second.begin(), entry.second.end());
    return true;
}

bool TNFolderListing::isCurrent(const struct stat& info) const
{
    return info.st_dev == device_ && info.st_ino == inode_ && info.st_mtim.tv_sec == modified_.tv_sec &&
           info.st_mtim.tv_nsec == modified_.tv_nsec;
}

const std::vector<std::string>& TNFolderListing::matches(const std::string& name) const
{
    static const std::vector<std::string> none;
    std::string key;
    if (!keyOf(name, key))
        return none;
    const auto found = byKey_.find(key);
    return found == byKey_.end() ? none : found->second;
}
