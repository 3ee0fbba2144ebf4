// The asset check over real files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "TestSupport.h"
#include "bundle/TNAssetChecker.h"
#include "bundle/TNCrypto.h"

using tern_test::TempDir;
using tern_test::writeFile;

namespace {

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

TEST(Crypto, ReadErrorGivesNoDigest)
{
    std::istringstream stream("abc");
    stream.setstate(std::ios::badbit);
    EXPECT_TRUE(TNCrypto::createDigestForData(stream).empty());
}

// The shipped movie (14 whole reads and a part) passes against its stored
// SHA-1 digest; one changed byte anywhere fails.
TEST(AssetChecker, TheShippedMoviePassesAndOneChangedByteFails)
{
    TempDir dir;
    EXPECT_TRUE(TNAssetChecker::defaultAssetChecker(shippedMovie())->checkAssets());
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

// A digest that does not match is the changed movie's case above.
TEST(AssetChecker, ChecksEveryFileOfTheList)
{
    TempDir dir;
    writeFile(dir.file("a"), "abc");
    std::vector<unsigned char> abc = digestOf(dir.file("a"));
    EXPECT_TRUE(TNAssetChecker({dir.file("a"), dir.file("a")}, {abc, abc}).checkAssets());
    EXPECT_FALSE(TNAssetChecker({dir.file("a"), dir.file("missing")}, {abc, abc}).checkAssets());
}
