// The asset check over real files, against sha1sum's digests.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "TestSupport.h"
#include "bundle/TNAssetChecker.h"
#include "bundle/TNCrypto.h"

using tern_test::TempDir;
using tern_test::writeFile;

namespace {

std::string hex(const std::vector<unsigned char>& bytes)
{
    std::string out;
    char digits[3];
    for (unsigned char b : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", b);
        out += digits;
    }
    return out;
}

std::string sha1sum(const std::string& path)
{
    const tern_test::CommandResult result = tern_test::runCommand("sha1sum '" + path + "'");
    EXPECT_EQ(result.status, 0) << "sha1sum did not run";
    return result.out.substr(0, 40);
}

std::vector<unsigned char> digestOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return TNCrypto::createDigestForData(in);
}

std::string shippedMovie()
{
    return std::string(TERN_SOURCE_DIR) + "/player/intro/Resources/intro-mac.mov";
}

} // namespace

TEST(Crypto, DigestsMatchSha1sumAtAndAroundWholeReads)
{
    TempDir dir;
    for (size_t size : std::initializer_list<size_t>{0, 1, 1023, 1024, 1025, 1024 * 5, 1024 * 64 + 7}) {
        std::string data;
        for (size_t i = 0; i < size; ++i)
            data += static_cast<char>((i * 131 + size) & 0xff);
        std::string path = dir.file("data" + std::to_string(size));
        writeFile(path, data);
        std::vector<unsigned char> digest = digestOf(path);
        ASSERT_EQ(digest.size(), 20u) << size;
        EXPECT_EQ(hex(digest), sha1sum(path)) << size << " bytes";
    }
}

TEST(Crypto, ReadErrorGivesNoDigest)
{
    std::istringstream stream("abc");
    stream.setstate(std::ios::badbit);
    EXPECT_TRUE(TNCrypto::createDigestForData(stream).empty());
}

// The shipped movie passes: every headless run of the player tests checks it.
TEST(AssetChecker, OneChangedByteFails)
{
    TempDir dir;
    std::string movie = tern_test::readFile(shippedMovie());
    for (size_t at : {size_t(0), movie.size() / 2, movie.size() - 1}) {
        std::string changed = movie;
        changed[at] = static_cast<char>(changed[at] ^ 0x01);
        writeFile(dir.file("intro-mac.mov"), changed);
        EXPECT_FALSE(TNAssetChecker::defaultAssetChecker(dir.file("intro-mac.mov"))->checkAssets()) << at;
    }
}

TEST(AssetChecker, MissingFileFailsAndAFolderOrFifoIsNotAFile)
{
    TempDir dir;
    EXPECT_FALSE(TNAssetChecker::defaultAssetChecker(dir.file("intro-mac.mov"))->checkAssets());
    EXPECT_FALSE(TNAssetChecker::defaultAssetChecker("")->checkAssets());
    EXPECT_FALSE(TNAssetChecker::defaultAssetChecker(dir.path())->checkAssets());
    ASSERT_EQ(mkfifo(dir.file("intro-mac.mov").c_str(), 0600), 0);
    EXPECT_FALSE(TNAssetChecker::defaultAssetChecker(dir.file("intro-mac.mov"))->checkAssets());
}

// A 1 TB movie (sparse, so it takes no room) fails on its size alone;
// hashing it first would take far longer than the test's time limit.
TEST(AssetChecker, AnOversizedMovieFailsWithoutBeingRead)
{
    TempDir dir;
    const std::string movie = dir.file("intro-mac.mov");
    writeFile(movie, tern_test::readFile(shippedMovie()));
    if (truncate(movie.c_str(), 1LL << 40) != 0)
        GTEST_SKIP() << "no sparse files here";
    EXPECT_FALSE(TNAssetChecker::defaultAssetChecker(movie)->checkAssets());
}

TEST(AssetChecker, StopsAtTheFirstFailureAndPassesAnEmptyList)
{
    TempDir dir;
    writeFile(dir.file("a"), "abc");
    std::vector<unsigned char> abc = digestOf(dir.file("a"));
    EXPECT_TRUE(TNAssetChecker({}, {}).checkAssets());
    EXPECT_TRUE(TNAssetChecker({dir.file("a"), dir.file("a")}, {abc, abc}).checkAssets());
    EXPECT_FALSE(TNAssetChecker({dir.file("a"), dir.file("missing")}, {abc, abc}).checkAssets());
    EXPECT_FALSE(TNAssetChecker({dir.file("a")}, {std::vector<unsigned char>(20, 0)}).checkAssets());
}
