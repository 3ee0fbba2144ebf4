// Read-only access to an archive file for minizip. The file's size is taken
// once when it is opened; a seek only moves a position and a read is served
// from one cached block. Walking an archive's directory then costs one read
// of the file per block instead of a seek and a read for every header, and
// reading past the end of the file costs nothing: minizip reads a damaged
// header's fields two bytes at a time, and a header claiming 64 KiB of extra
// field at the end of the file used to mean tens of thousands of calls.
#ifndef TN_ARCHIVE_FILE_H
#define TN_ARCHIVE_FILE_H

#include <minizip/ioapi.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class TNArchiveFile {
public:
    static const size_t kDefaultBlockSize = 64 * 1024;

    // nullptr when path cannot be opened for reading or is not a regular file.
    static TNArchiveFile* open(const char* path, size_t blockSize = kDefaultBlockSize);
    ~TNArchiveFile();
    TNArchiveFile(const TNArchiveFile&) = delete;
    TNArchiveFile& operator=(const TNArchiveFile&) = delete;

    // Copies up to count bytes from the current position and moves past them;
    // fewer at the end of the file or when the file cannot be read.
    size_t read(void* to, size_t count);
    // origin is SEEK_SET, SEEK_CUR or SEEK_END; a position before the start
    // is refused (false) and leaves the position as it was.
    bool seek(int64_t offset, int origin);
    uint64_t tell() const { return position_; }
    uint64_t size() const { return size_; }
    // True once reading the file has failed (not merely reached its end).
    bool failed() const { return failed_; }

    // Callbacks for unzOpen2_64 opening archives through this class.
    static zlib_filefunc64_def minizipFunctions();

private:
    TNArchiveFile(int fd, uint64_t size, size_t blockSize);
    bool blockHolds(uint64_t position) const;
    bool loadBlockAt(uint64_t position);

    int fd_;
    uint64_t size_;
    uint64_t position_ = 0;
    size_t blockSize_;
    std::vector<uint8_t> block_;
    uint64_t blockStart_ = 0;
    bool failed_ = false;
};

#endif
