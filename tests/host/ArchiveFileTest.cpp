// The block-cached archive reader minizip reads archives through.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>

#include "host/TNArchiveFile.h"
#include "TestSupport.h"

using tern_test::TempDir;

namespace {

std::string pattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 % 251);
    return bytes;
}

std::string readSome(TNArchiveFile& file, size_t count)
{
    std::string bytes(count, '\0');
    bytes.resize(file.read(&bytes[0], count));
    return bytes;
}

}  // namespace

// Every step reads what the file holds at the position it reaches, with
// blocks smaller than, equal to and larger than the reads.
TEST(ArchiveFile, ReadsAndSeeksLikeTheFileWithAnyBlockSize)
{
    TempDir dir;
    const std::string content = pattern(1000);
    tern_test::writeFile(dir.file("a.zip"), content);
    const struct {
        int64_t offset;
        int origin;
        size_t count;
        uint64_t expectedStart;  // where the bytes read come from
        size_t expectedCount;
        bool refused;  // a position before the start, or no such origin: nothing moves
    } steps[] = {
        {0, SEEK_SET, 10, 0, 10},
        {0, SEEK_CUR, 100, 10, 100},       // on from the last read, across blocks
        {-50, SEEK_CUR, 20, 60, 20},       // back into an earlier block
        {-3, SEEK_END, 10, 997, 3},        // cut short by the end
        {0, SEEK_CUR, 10, 1000, 0},        // at the end
        {5000, SEEK_SET, 10, 5000, 0},     // past the end: allowed, nothing read
        {-1000, SEEK_END, 1000, 0, 1000},  // all of it in one read
        {999, SEEK_SET, 1, 999, 1},
        {-1001, SEEK_CUR, 0, 1000, 0, true},
        {-1, SEEK_SET, 0, 1000, 0, true},
        {0, 12345, 0, 1000, 0, true},
        {-1000, SEEK_CUR, 3, 0, 3},
    };
    for (size_t blockSize : {size_t(1), size_t(7), size_t(64), size_t(1000), size_t(4096)}) {
        std::unique_ptr<TNArchiveFile> file(TNArchiveFile::open(dir.file("a.zip").c_str(), blockSize));
        ASSERT_TRUE(file);
        for (const auto& step : steps) {
            SCOPED_TRACE("block " + std::to_string(blockSize) + ", offset " + std::to_string(step.offset));
            ASSERT_EQ(file->seek(step.offset, step.origin), !step.refused);
            EXPECT_EQ(file->tell(), step.expectedStart);
            const std::string expected =
                step.expectedCount ? content.substr(step.expectedStart, step.expectedCount) : std::string();
            EXPECT_EQ(readSome(*file, step.count), expected);
            EXPECT_EQ(file->tell(), step.expectedStart + step.expectedCount);
        }
        EXPECT_FALSE(file->failed());
    }
}

// Only a regular file opens; a FIFO is refused without waiting for a writer.
TEST(ArchiveFile, OpensRegularFilesOnly)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo.zip").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(dir.file("folder.zip").c_str(), 0700), 0);
    for (const char* name : {"fifo.zip", "folder.zip", "missing.zip"})
        EXPECT_EQ(TNArchiveFile::open(dir.file(name).c_str()), nullptr) << name;
    tern_test::writeFile(dir.file("empty.zip"), "");
    std::unique_ptr<TNArchiveFile> empty(TNArchiveFile::open(dir.file("empty.zip").c_str()));
    ASSERT_TRUE(empty);
    EXPECT_EQ(readSome(*empty, 10), "");
    EXPECT_FALSE(empty->failed());
}
