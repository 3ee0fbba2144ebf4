#include "FuzzSupport.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "log/TNLog.h"

namespace tern_fuzz {

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW* where)
{
    if (where->level > 0)
        remove(path);
    return 0;
}

void removeScratchFolder()
{
    emptyFolder(scratchFolder());
    rmdir(scratchFolder().c_str());
}

// Points fd at /dev/null and returns a copy of what it was.
int redirectToNull(int fd)
{
    fflush(fd == 1 ? stdout : stderr);
    const int saved = dup(fd);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, fd);
    close(null);
    return saved;
}

void restore(int fd, int saved)
{
    if (saved < 0)
        return;
    fflush(fd == 1 ? stdout : stderr);
    dup2(saved, fd);
    close(saved);
}

}  // namespace

const std::string& scratchFolder()
{
    static const std::string folder = [] {
        const char* base = getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tern-fuzz-XXXXXX";
        if (!mkdtemp(&pattern[0])) {
            TNLog("fuzz: cannot make a scratch folder %s", pattern.c_str());
            abort();
        }
        return pattern;
    }();
    static const bool removedAtExit = atexit(removeScratchFolder) == 0;
    (void)removedAtExit;
    return folder;
}

std::string writeScratchFile(const std::string& name, const uint8_t* data, size_t size)
{
    // Plain write(2): a stdio stream would allocate (and the sanitizer fill)
    // a buffer for every input.
    const std::string path = scratchFolder() + "/" + name;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool written = fd >= 0;
    for (size_t done = 0; written && done < size;) {
        const ssize_t count = write(fd, data + done, size - done);
        written = count > 0;
        done += written ? size_t(count) : 0;
    }
    if (fd >= 0 && close(fd) != 0)
        written = false;
    if (!written) {
        TNLog("fuzz: cannot write %s", path.c_str());
        abort();
    }
    return path;
}

void emptyFolder(const std::string& folder)
{
    // Most inputs leave the folder empty: removing and remaking it is two
    // calls where walking it is several.
    if (rmdir(folder.c_str()) == 0 && mkdir(folder.c_str(), 0700) == 0)
        return;
    nftw(folder.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

Silenced::Silenced()
{
    static const bool verbose = getenv("TERN_FUZZ_VERBOSE") != nullptr;
    if (verbose)
        return;
    savedOut_ = redirectToNull(1);
    savedErr_ = redirectToNull(2);
}

Silenced::~Silenced()
{
    restore(1, savedOut_);
    restore(2, savedErr_);
}

}  // namespace tern_fuzz
