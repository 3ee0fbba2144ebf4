// Turns the path of a game's file into the path of the file on disk. Games
// are made on a file system that ignores letter case and Unicode
// normalisation, so a script may ask for "images/hero.png" while the file
// is "Images/Hero.PNG", or spell "café" with a precomposed "é" while the
// file name holds "e" and a combining accent.
//
// A path that exists is taken as it is (one stat). Otherwise, when the path
// lies inside one of the resolver's roots (the game's bundle, its save
// folder), each component below the root is matched against its folder's
// entries: an entry of exactly that name first, else the entries whose
// names equal it after Unicode case folding and NFC composition
// (TNFolderListing). When several entries match and none exactly, the one
// first in byte order is taken (so "A.png" before "a.png") and one line on
// standard error names the asked-for name and the candidates, once per
// asked path. Paths outside every root are left exactly as given.
//
// Folder listings are cached, each checked against a stat of its folder
// (device, inode, modification time) on every use, so files created since
// are found. The cache holds a bounded number of folders; all members are
// safe to call from any thread.
#ifndef TN_PATH_RESOLVER_H
#define TN_PATH_RESOLVER_H

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class TNFolderListing;

class TNPathResolver {
public:
    // How many folder listings the cache keeps at most.
    static const size_t kMaxCachedFolders = 64;

    TNPathResolver();
    ~TNPathResolver();
    TNPathResolver(const TNPathResolver&) = delete;
    TNPathResolver& operator=(const TNPathResolver&) = delete;

    // The resolver every reader of game files uses.
    static TNPathResolver& shared();

    // Adds a folder whose files are found regardless of case and Unicode
    // form. A relative root is taken from the current folder.
    void addRoot(const std::string& folder);
    // Forgets every root and every cached listing.
    void clear();

    // The path of an existing file or folder that path names, or path itself
    // when nothing matches every component or path is outside the roots.
    std::string resolve(const std::string& path);

    // For a file about to be written: the resolved path when one exists;
    // otherwise the resolved folder with the last component kept as given,
    // so a new file is made in the folder the game means. Path itself when
    // the folder is not found or is outside the roots.
    std::string resolveForWriting(const std::string& path);

    // The number of folders read from disk so far (for tests of the cache).
    size_t foldersRead() const;

private:
    struct CachedListing;

    std::string resolveInside(const std::string& path, bool keepMissingLeaf);
    bool findRoot(const std::vector<std::string>& components, size_t& rootLength) const;
    const TNFolderListing* listing(const std::string& folder);
    // The first of several candidates by byte order; the first time a path
    // is asked for with several, one line names them.
    std::string pickMatch(const std::string& folder, const std::string& name,
                          const std::vector<std::string>& candidates, const std::string& asked);
    void evictOldest();

    mutable std::mutex mutex_;
    std::vector<std::vector<std::string>> roots_;
    std::map<std::string, std::unique_ptr<CachedListing>> cache_;
    std::set<std::string> reportedAmbiguities_;
    unsigned long long clock_ = 0;
    size_t foldersRead_ = 0;
};

#endif
