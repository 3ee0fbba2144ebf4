// TN_ExtractGameAtPath: unpacks a zip archive into the current directory.
#include <minizip/unzip.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "files/TNRegularFile.h"
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

}  // namespace

int TN_ExtractGameAtPath(const char* zipPath)
{
    std::string reason;
    if (!TNIsRegularFile(zipPath, reason)) {
        TNLog("TN_ExtractGameAtPath: cannot open archive %s: %s", zipPath, reason.c_str());
        return 0;
    }
    unzFile zip = unzOpen(zipPath);
    if (!zip) {
        TNLog("TN_ExtractGameAtPath: cannot open archive %s", zipPath);
        return 0;
    }
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        if (!extractCurrentEntry(zip))
            break;
    }
    unzClose(zip);
    return 0;
}
