#include "bundle/TNAssetChecker.h"

#include <sys/stat.h>

#include <fstream>

#include "bundle/TNCrypto.h"

const unsigned char intro_mac_hash[20] = {
    0x17, 0xe0, 0x1e, 0x43, 0xc8, 0xe6, 0x7f, 0x28, 0x16, 0x29,
    0x63, 0x70, 0x1d, 0xbb, 0xf7, 0xf2, 0x38, 0x79, 0x9c, 0x3f,
};
const uint64_t intro_mac_size = 14620;

namespace {

// True for a regular file of the given size (any size when expected is null).
bool fileHasSize(const std::string& path, const uint64_t* expected)
{
    struct stat info;
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    return !expected || static_cast<uint64_t>(info.st_size) == *expected;
}

} // namespace

std::unique_ptr<TNAssetChecker> TNAssetChecker::defaultAssetChecker(const std::string& introMoviePath)
{
    std::vector<unsigned char> hash(intro_mac_hash, intro_mac_hash + sizeof intro_mac_hash);
    return std::make_unique<TNAssetChecker>(std::vector<std::string>{introMoviePath},
                                            std::vector<std::vector<unsigned char>>{hash},
                                            std::vector<uint64_t>{intro_mac_size});
}

TNAssetChecker::TNAssetChecker(std::vector<std::string> assetPaths,
                               std::vector<std::vector<unsigned char>> assetHashes,
                               std::vector<uint64_t> assetSizes)
    : assetPaths_(std::move(assetPaths)), assetHashes_(std::move(assetHashes)), assetSizes_(std::move(assetSizes))
{
}

bool TNAssetChecker::checkAssets() const
{
    for (size_t i = 0; i < assetPaths_.size(); ++i) {
        // A changed file of another size fails here, before gigabytes of it
        // would be hashed.
        if (!fileHasSize(assetPaths_[i], i < assetSizes_.size() ? &assetSizes_[i] : nullptr))
            return false;
        std::ifstream stream(assetPaths_[i], std::ios::binary);
        if (!stream)
            return false;
        // A read error gives an empty digest, which never matches: the file
        // counts as changed.
        if (i >= assetHashes_.size() || TNCrypto::createDigestForData(stream) != assetHashes_[i])
            return false;
    }
    return true;
}
