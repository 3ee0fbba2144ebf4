// Checks that protected asset files of a bundle are unchanged: each path
// must name an existing file whose SHA-1 digest equals the stored one.
#ifndef TN_ASSET_CHECKER_H
#define TN_ASSET_CHECKER_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The SHA-1 digest of the intro movie the player ships in every bundle.
extern const unsigned char intro_mac_hash[20];
// Its size in bytes: a file of any other size fails before it is read.
extern const uint64_t intro_mac_size;

class TNAssetChecker {
public:
    // The checker of the intro movie. introMoviePath is where the bundle's
    // "intro-mac.mov" is (or would be): a missing file fails the check.
    static std::unique_ptr<TNAssetChecker> defaultAssetChecker(const std::string& introMoviePath);

    // assetHashes[i] is the digest assetPaths[i] must have; both lists have
    // the same length. assetSizes, when given, holds each file's size, which
    // is compared before anything is read.
    TNAssetChecker(std::vector<std::string> assetPaths, std::vector<std::vector<unsigned char>> assetHashes,
                   std::vector<uint64_t> assetSizes = {});

    // True when every file exists and hashes to its digest; stops at the
    // first missing or changed file. An empty list passes.
    bool checkAssets() const;

    const std::vector<std::string>& assetPaths() const { return assetPaths_; }

private:
    std::vector<std::string> assetPaths_;
    std::vector<std::vector<unsigned char>> assetHashes_;
    std::vector<uint64_t> assetSizes_;
};

#endif
