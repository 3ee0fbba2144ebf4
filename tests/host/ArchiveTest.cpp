// Game archive extraction, including archives that try to escape.
#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <unistd.h>

#include <sys/stat.h>

#include <climits>
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
void extractInto(const std::string& dir, const std::string& archive)
{
    char previous[PATH_MAX];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    EXPECT_EQ(TN_ExtractGameAtPath(archive.c_str()), 0);
    ASSERT_EQ(chdir(previous), 0);
}

TEST(GameArchive, ExtractsEntriesWithTheirFolders)
{
    TempDir dir;
    const std::string big(20000, 'x');  // several 8 KiB pieces
    makeArchive(dir.file("game.zip"), {{"Game.app/", ""},
                                       {"Game.app/Contents/Resources/engine64.luo", big},
                                       {"Game.app/Contents/Info.plist", "<plist/>"}});
    tern_test::writeFile(dir.file("Game.app.old"), "");
    extractInto(dir.path(), dir.file("game.zip"));
    EXPECT_EQ(tern_test::readFile(dir.file("Game.app/Contents/Resources/engine64.luo")), big);
    EXPECT_EQ(tern_test::readFile(dir.file("Game.app/Contents/Info.plist")), "<plist/>");
}

TEST(GameArchive, RefusesEntriesOutsideTheTargetFolder)
{
    TempDir outer;
    const std::string target = outer.file("target");
    ASSERT_EQ(mkdir(target.c_str(), 0775), 0);
    makeArchive(outer.file("evil.zip"), {{"../escaped.txt", "pwned"}, {"inside.txt", "fine"}});
    testing::internal::CaptureStderr();
    extractInto(target, outer.file("evil.zip"));
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(tern_test::fileExists(outer.file("escaped.txt")));
    EXPECT_NE(printed.find("refusing entry ../escaped.txt"), std::string::npos) << printed;
    // Extraction stops at the first failing entry.
    EXPECT_FALSE(tern_test::fileExists(target + "/inside.txt"));

    TempDir absolute;
    makeArchive(outer.file("abs.zip"), {{absolute.file("abs.txt"), "pwned"}, {"a/../../b.txt", "pwned"}});
    testing::internal::CaptureStderr();
    extractInto(target, outer.file("abs.zip"));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(tern_test::fileExists(absolute.file("abs.txt")));
    EXPECT_FALSE(tern_test::fileExists(outer.file("b.txt")));
}

TEST(GameArchive, MissingOrCorruptArchiveIsReported)
{
    TempDir dir;
    tern_test::writeFile(dir.file("broken.zip"), "this is not a zip file");
    testing::internal::CaptureStderr();
    extractInto(dir.path(), dir.file("broken.zip"));
    extractInto(dir.path(), dir.file("missing.zip"));
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("cannot open archive"), std::string::npos);
}

}  // namespace
