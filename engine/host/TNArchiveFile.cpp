#include "host/TNArchiveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

TNArchiveFile* TNArchiveFile::open(const char* path, size_t blockSize)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || blockSize == 0) {
        close(fd);
        return nullptr;
    }
    return new TNArchiveFile(fd, static_cast<uint64_t>(status.st_size), blockSize);
}

TNArchiveFile::TNArchiveFile(int fd, uint64_t size, size_t blockSize)
    : fd_(fd), size_(size), blockSize_(blockSize)
{
}

TNArchiveFile::~TNArchiveFile()
{
    close(fd_);
}

bool TNArchiveFile::blockHolds(uint64_t position) const
{
    return position >= blockStart_ && position - blockStart_ < block_.size();
}

bool TNArchiveFile::loadBlockAt(uint64_t position)
{
    block_.resize(blockSize_);
    ssize_t count;
    do {
        count = pread(fd_, block_.data(), blockSize_, static_cast<off_t>(position));
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        failed_ = true;
    block_.resize(count > 0 ? static_cast<size_t>(count) : 0);
    blockStart_ = position;
    return count > 0;
}

size_t TNArchiveFile::read(void* to, size_t count)
{
    auto* out = static_cast<uint8_t*>(to);
    size_t done = 0;
    while (done < count && position_ < size_) {
        if (!blockHolds(position_) && !loadBlockAt(position_))
            break;
        const size_t offset = static_cast<size_t>(position_ - blockStart_);
        const size_t piece = std::min(count - done, block_.size() - offset);
        std::memcpy(out + done, block_.data() + offset, piece);
        done += piece;
        position_ += piece;
    }
    return done;
}

bool TNArchiveFile::seek(int64_t offset, int origin)
{
    int64_t base;
    switch (origin) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = static_cast<int64_t>(position_); break;
    case SEEK_END: base = static_cast<int64_t>(size_); break;
    default: return false;
    }
    if (offset < -base)
        return false;
    position_ = static_cast<uint64_t>(base + offset);
    return true;
}

namespace {

TNArchiveFile* file(voidpf stream)
{
    return static_cast<TNArchiveFile*>(stream);
}

voidpf openFile(voidpf, const void* path, int mode)
{
    const int access = mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER;
    if (!path || access != ZLIB_FILEFUNC_MODE_READ || (mode & ZLIB_FILEFUNC_MODE_CREATE))
        return nullptr;
    return TNArchiveFile::open(static_cast<const char*>(path));
}

uLong readFile(voidpf, voidpf stream, void* buffer, uLong size)
{
    return static_cast<uLong>(file(stream)->read(buffer, size));
}

uLong writeFile(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T tellFile(voidpf, voidpf stream)
{
    return file(stream)->tell();
}

long seekFile(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    int whence;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: whence = SEEK_SET; break;
    case ZLIB_FILEFUNC_SEEK_CUR: whence = SEEK_CUR; break;
    case ZLIB_FILEFUNC_SEEK_END: whence = SEEK_END; break;
    default: return -1;
    }
    // minizip passes offsets unsigned; the ones it means as negative
    // (from the end) arrive as their two's complement.
    return file(stream)->seek(static_cast<int64_t>(offset), whence) ? 0 : -1;
}

int closeFile(voidpf, voidpf stream)
{
    delete file(stream);
    return 0;
}

int errorFile(voidpf, voidpf stream)
{
    return file(stream)->failed() ? 1 : 0;
}

}  // namespace

zlib_filefunc64_def TNArchiveFile::minizipFunctions()
{
    zlib_filefunc64_def functions;
    functions.zopen64_file = openFile;
    functions.zread_file = readFile;
    functions.zwrite_file = writeFile;
    functions.ztell64_file = tellFile;
    functions.zseek64_file = seekFile;
    functions.zclose_file = closeFile;
    functions.zerror_file = errorFile;
    functions.opaque = nullptr;
    return functions;
}
