#include "files/TNRegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files/TNPathResolver.h"

const char* const TNNotARegularFile = "is not a regular file";

namespace {

int openExact(const char* path, std::string& reason)
{
    // O_NONBLOCK makes opening a FIFO without a writer return at once; it is
    // cleared again once fstat has shown a regular file, where it means
    // nothing anyway.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = std::string("cannot be opened (") + std::strerror(errno) + ")";
        return -1;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        reason = TNNotARegularFile;
        return -1;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

}  // namespace

int TNOpenRegularFile(const char* path, std::string& reason)
{
    return openExact(TNPathResolver::shared().resolve(path).c_str(), reason);
}

FILE* TNOpenRegularFileStream(const char* path, std::string& reason)
{
    const int fd = TNOpenRegularFile(path, reason);
    if (fd < 0)
        return nullptr;
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        reason = std::string("cannot be opened (") + std::strerror(errno) + ")";
        close(fd);
    }
    return file;
}

bool TNIsRegularFile(const char* path, std::string& reason)
{
    const int fd = openExact(path, reason);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

bool TNIsRegularFileOrMissing(const char* path, std::string& reason)
{
    struct stat info;
    if (stat(path, &info) != 0) {
        if (errno == ENOENT)
            return true;
        reason = std::string("cannot be opened (") + std::strerror(errno) + ")";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = TNNotARegularFile;
        return false;
    }
    return true;
}
