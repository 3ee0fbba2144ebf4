#include "launch/TNSavePath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::optional<std::string> dataFolder()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    // Relative values are invalid and ignored.
    if (xdg && xdg[0] == '/')
        return std::string(xdg);
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/share";
    return std::nullopt;
}

// mkdir -p; errno is left from the failing step.
bool makeFolders(const std::string& path)
{
    for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
        std::string prefix = slash == std::string::npos ? path : path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

} // namespace

std::string TNSafeFolderName(const std::string& applicationName)
{
    std::string name = applicationName;
    for (char& c : name) {
        if (c == '/' || c == '\0')
            c = '_';
    }
    if (name.empty() || name == "." || name == "..")
        name = "_" + name;
    return name;
}

std::optional<std::string> TNSavePath(const std::string& applicationName, std::string& warning)
{
    std::optional<std::string> base = dataFolder();
    if (!base)
        return std::nullopt;
    std::string folder = *base + "/" + TNSafeFolderName(applicationName);
    if (!makeFolders(folder))
        warning = "could not create the save folder " + folder + ": " + std::strerror(errno) + "; playing without saving";
    else if (access(folder.c_str(), W_OK | X_OK) != 0)
        warning = "the save folder " + folder + " is not writable; playing without saving";
    return folder + "/save.data";
}
