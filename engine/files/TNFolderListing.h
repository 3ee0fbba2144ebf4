// One folder's entries grouped by their matching key: the NFC form of the
// Unicode case fold of the name, so "Hero.PNG", "hero.png" and a name
// spelled with a combining accent where another has the precomposed letter
// share a key. Names that are not valid UTF-8 have no key and are found
// only by their exact bytes. A listing remembers the folder's identity
// (device, inode, modification time) so a cache can tell when it is stale.
#ifndef TN_FOLDER_LISTING_H
#define TN_FOLDER_LISTING_H

#include <sys/stat.h>

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class TNFolderListing {
public:
    // The matching key of name, or false for a name that is not valid UTF-8.
    static bool keyOf(const std::string& name, std::string& key);

    // Reads the folder at path, whose stat is info. False when it cannot be
    // opened as a folder.
    bool read(const std::string& path, const struct stat& info);

    // True while info (a fresh stat of the same path) shows the folder as it
    // was when read: same device, inode and modification time.
    bool isCurrent(const struct stat& info) const;

    bool hasEntry(const std::string& name) const { return names_.count(name) != 0; }

    // The entries whose key is the key of name, sorted by byte order; empty
    // when name has no key or nothing matches.
    const std::vector<std::string>& matches(const std::string& name) const;

    size_t size() const { return names_.size(); }

private:
    dev_t device_ = 0;
    ino_t inode_ = 0;
    struct timespec modified_ = {0, 0};
    std::unordered_set<std::string> names_;
    std::unordered_map<std::string, std::vector<std::string>> byKey_;
};

#endif
