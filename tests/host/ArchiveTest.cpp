// Game archive extraction, including archives that try to escape.
#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <unistd.h>

#include <sys/stat.h>

#include <climits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "host/TNEngine.h"
#include "TestSupport.h"

using tern_test::TempDir;

namespace {

void makeArchive(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, contents] : entries) {
        zip_fileinfo info{};
        ASSERT_EQ(zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                      Z_DEFAULT_COMPRESSION),
                  ZIP_OK);
        if (!contents.empty())
            zipWriteInFileInZip(zip, contents.data(), static_cast<unsigned>(contents.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
}

// Runs the extraction with the current directory set to dir.
void extractInto(const std::string& dir, const std::string& archive,
                 const TNArchiveLimits& limits = TNDefaultArchiveLimits)
{
    char previous[PATH_MAX];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    EXPECT_EQ(TN_ExtractArchive(archive.c_str(), limits), 0);
    ASSERT_EQ(chdir(previous), 0);
}

// Bytes that deflate hardly at all.
std::string noise(size_t size)
{
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

TEST(GameArchive, ExtractsEntriesWithTheirFolders)
{
    TempDir dir;
    const std::string big(20000, 'x');  // several 8 KiB pieces
    makeArchive(dir.file("game.zip"), {{"Game.app/", ""},
                                       {"Game.app/Contents/Resources/engine64.luo", big},
                                       {"Game.app/Contents/Info.plist", "<plist/>"}});
    extractInto(dir.path(), dir.file("game.zip"));
    EXPECT_EQ(tern_test::readFile(dir.file("Game.app/Contents/Resources/engine64.luo")), big);
    EXPECT_EQ(tern_test::readFile(dir.file("Game.app/Contents/Info.plist")), "<plist/>");
}

// Entries that would land outside the target folder are refused and
// extraction stops at the first; a missing or corrupt archive is reported.
TEST(GameArchive, RefusesEscapingEntriesAndBadArchives)
{
    TempDir outer, absolute;
    const std::string target = outer.file("target");
    ASSERT_EQ(mkdir(target.c_str(), 0775), 0);
    makeArchive(outer.file("evil.zip"), {{"../escaped.txt", "pwned"}, {"inside.txt", "fine"}});
    makeArchive(outer.file("abs.zip"), {{absolute.file("abs.txt"), "pwned"}});
    makeArchive(outer.file("up.zip"), {{"a/../../b.txt", "pwned"}});
    tern_test::writeFile(outer.file("broken.zip"), "this is not a zip file");
    testing::internal::CaptureStderr();
    for (const char* archive : {"evil.zip", "abs.zip", "up.zip", "broken.zip", "missing.zip"})
        extractInto(target, outer.file(archive));
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("refusing entry ../escaped.txt"), std::string::npos) << printed;
    EXPECT_NE(printed.find("cannot open archive"), std::string::npos) << printed;
    for (const std::string& path : {outer.file("escaped.txt"), target + "/inside.txt", absolute.file("abs.txt"),
                                    outer.file("b.txt")})
        EXPECT_FALSE(tern_test::fileExists(path)) << path;
}

// An archive over a limit is refused whole, with one line, before any
// entry is written; the same archive under the limits unpacks.
TEST(GameArchive, ArchivesOverTheLimitsAreRefusedWhole)
{
    TempDir dir;
    // 16 MB of zeros deflate to some 16 KB: a bomb by the default limits.
    makeArchive(dir.file("bomb.zip"), {{"small.txt", "fine"}, {"zeros.bin", std::string(16 << 20, '\0')}});
    makeArchive(dir.file("three.zip"), {{"a", noise(400000)}, {"b", noise(400000)}, {"c", noise(400000)}});
    const struct {
        const char* archive;
        TNArchiveLimits limits;
        const char* words;
    } cases[] = {
        {"bomb.zip", TNDefaultArchiveLimits, "an entry unpacks to more than 200 times its packed size"},
        {"three.zip", {1 << 20, 100, 200, 1 << 20}, "it unpacks to more than 1 MiB"},
        {"three.zip", {1 << 30, 2, 200, 1 << 20}, "3 entries, more than 2"},
        {"three.zip", {1 << 30, 100, 200, 100000}, ""},
        {"three.zip", {1 << 30, 100, 200, 1 << 20}, ""},
    };
    for (const auto& c : cases) {
        TempDir target;
        testing::internal::CaptureStderr();
        extractInto(target.path(), dir.file(c.archive), c.limits);
        const std::string printed = testing::internal::GetCapturedStderr();
        if (*c.words) {
            EXPECT_EQ(printed, "TN_ExtractGameAtPath: refusing archive " + dir.file(c.archive) + ": " + c.words + "\n");
            EXPECT_FALSE(tern_test::fileExists(target.file("small.txt")));
            EXPECT_FALSE(tern_test::fileExists(target.file("a")));
        } else {
            EXPECT_EQ(printed, "");
            EXPECT_EQ(tern_test::readFile(target.file("c")), noise(400000));
        }
    }
}

}  // namespace
