// TN_ExtractGameAtPath: unpacks a zip archive into the current directory.
#include <minizip/unzip.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "files/TNRegularFile.h"
#include "host/TNArchiveFile.h"
#include "host/TNEngine.h"
#include "log/TNLog.h"

namespace {

const size_t kPieceSize = 8192;

// An entry may only name a place inside the target directory: no absolute
// path, no ".." component, no backslashes standing for separators.
bool isSafeEntryName(const std::string& name)
{
    if (name.empty() || name[0] == '/' || name.find('\\') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2)
            return false;
        start = end + 1;
    }
    return true;
}

bool makeDirectory(const std::string& path)
{
    return mkdir(path.c_str(), 0775) == 0 || errno == EEXIST;
}

bool makeParentDirectories(const std::string& path)
{
    for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        if (slash > 0 && !makeDirectory(path.substr(0, slash)))
            return false;
    }
    return true;
}

bool writeCurrentEntry(unzFile zip, const std::string& name)
{
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        TNLog("TN_ExtractGameAtPath: cannot open entry %s", name.c_str());
        return false;
    }
    bool ok = makeParentDirectories(name);
    FILE* out = ok ? std::fopen(name.c_str(), "wb") : nullptr;
    if (!out) {
        TNLog("TN_ExtractGameAtPath: cannot write %s", name.c_str());
        unzCloseCurrentFile(zip);
        return false;
    }
    std::vector<char> piece(kPieceSize);
    int read;
    while ((read = unzReadCurrentFile(zip, piece.data(), static_cast<unsigned>(piece.size()))) > 0) {
        if (std::fwrite(piece.data(), 1, static_cast<size_t>(read), out) != static_cast<size_t>(read)) {
            read = -1;
            break;
        }
    }
    if (read < 0)
        TNLog("TN_ExtractGameAtPath: failed while extracting %s", name.c_str());
    std::fclose(out);
    return unzCloseCurrentFile(zip) == UNZ_OK && read == 0;
}

bool extractCurrentEntry(unzFile zip)
{
    char nameBuffer[4096];
    unz_file_info info;
    if (unzGetCurrentFileInfo(zip, &info, nameBuffer, sizeof nameBuffer, nullptr, 0, nullptr, 0) != UNZ_OK) {
        TNLog("TN_ExtractGameAtPath: cannot read an entry's header");
        return false;
    }
    const std::string name(nameBuffer);
    if (!isSafeEntryName(name)) {
        TNLog("TN_ExtractGameAtPath: refusing entry %s: it names a place outside the target folder", name.c_str());
        return false;
    }
    if (name.back() == '/')
        return makeParentDirectories(name);
    return writeCurrentEntry(zip, name);
}

std::string mebibytes(uint64_t bytes)
{
    return std::to_string(bytes / (1024 * 1024)) + " MiB";
}

// "" when the archive's directory keeps within limits, else why not.
std::string overLimit(unzFile zip, const TNArchiveLimits& limits)
{
    unz_global_info64 global;
    if (unzGetGlobalInfo64(zip, &global) != UNZ_OK)
        return "its directory cannot be read";
    if (global.number_entry > limits.maxEntries)
        return std::to_string(global.number_entry) + " entries, more than " + std::to_string(limits.maxEntries);
    uint64_t total = 0;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            return "an entry's header cannot be read";
        const uint64_t size = info.uncompressed_size;
        if (size > limits.ratioFloorBytes && size / limits.maxRatio >= info.compressed_size)
            return "an entry unpacks to more than " + std::to_string(limits.maxRatio) + " times its packed size";
        total += size;
        if (total > limits.maxTotalBytes || total < size)
            return "it unpacks to more than " + mebibytes(limits.maxTotalBytes);
    }
    return "";
}

}  // namespace

const TNArchiveLimits TNDefaultArchiveLimits = {
    1024ull * 1024 * 1024,  // a gigabyte unpacked
    65536,                  // entries
    200,                    // times the packed size, for entries over
    1024 * 1024,            // a megabyte
};

int TN_ExtractGameAtPath(const char* zipPath)
{
    return TN_ExtractArchive(zipPath, TNDefaultArchiveLimits);
}

int TN_ExtractArchive(const char* zipPath, const TNArchiveLimits& limits)
{
    std::string reason;
    if (!TNIsRegularFile(zipPath, reason)) {
        TNLog("TN_ExtractGameAtPath: cannot open archive %s: %s", zipPath, reason.c_str());
        return 0;
    }
    zlib_filefunc64_def functions = TNArchiveFile::minizipFunctions();
    unzFile zip = unzOpen2_64(zipPath, &functions);
    if (!zip) {
        TNLog("TN_ExtractGameAtPath: cannot open archive %s", zipPath);
        return 0;
    }
    const std::string refusal = overLimit(zip, limits);
    if (!refusal.empty()) {
        TNLog("TN_ExtractGameAtPath: refusing archive %s: %s", zipPath, refusal.c_str());
        unzClose(zip);
        return 0;
    }
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        if (!extractCurrentEntry(zip))
            break;
    }
    unzClose(zip);
    return 0;
}
