#include "bundle/TNSharedLibraries.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <system_error>

#include "bundle/TNProgram.h"

namespace fs = std::filesystem;

namespace {

// Library names every desktop Linux provides, by the conventions of the
// builders of self-contained Linux applications.
const char* const kSystemLibraryPatterns[] = {
    // The C library, its loader and its parts.
    "ld-linux*", "libc.so.*", "libm.so.*", "libdl.so.*", "libpthread.so.*", "librt.so.*",
    "libresolv.so.*", "libutil.so.*", "libanl.so.*", "libnsl.so.*", "libmvec.so.*", "libcrypt.so.*",
    // The C++ runtime: the loader's glibc floor already implies a GCC 12-era
    // runtime, and Mesa's drivers need the system's (often newer) one.
    "libstdc++.so.*", "libgcc_s.so.*",
    // OpenGL, EGL, Vulkan and the kernel's display drivers.
    "libGL.so.*", "libGLX*.so.*", "libGLdispatch.so.*", "libEGL*.so.*", "libOpenGL.so.*",
    "libGLES*.so.*", "libglapi.so.*", "libdrm*.so.*", "libgbm.so.*", "libvulkan.so.*",
    // X11 and Wayland clients. (libdecor, Wayland's window decorations, is
    // not on every desktop: it is shipped, and finds no plugins where the
    // system keeps them elsewhere, leaving SDL to decorate.)
    "libX*.so.*", "libxcb*.so.*", "libxkbcommon*.so.*", "libxshmfence.so.*", "libSM.so.*",
    "libICE.so.*", "libwayland-*.so.*",
    // The common sound servers' clients (sndio, which Debian's OpenAL links,
    // is not common: it is shipped).
    "libasound.so.*", "libpulse*.so*", "libjack*.so.*", "libpipewire-*.so.*",
    // Fonts.
    "libfontconfig.so.*", "libfreetype.so.*",
};

std::string trimmed(const std::string& text)
{
    size_t start = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t\r");
    return start == std::string::npos ? std::string() : text.substr(start, end - start + 1);
}

// "PATH (0x...)" without the address.
std::string withoutAddress(const std::string& text)
{
    size_t address = text.rfind(" (0x");
    return trimmed(address == std::string::npos ? text : text.substr(0, address));
}

// The folder the C library was found in: where the system keeps its
// libraries and Mesa its drivers ("dri/").
std::string systemLibraryFolder(const std::vector<TNSharedLibrary>& libraries)
{
    for (const TNSharedLibrary& library : libraries)
        if (library.soname.rfind("libc.so.", 0) == 0 && !library.path.empty())
            return fs::path(library.path).parent_path().string();
    return "/usr/lib";
}

// Every file the system's share of the program comes to: the libraries it
// links and Mesa's drivers, which libGL opens at run time. (Debian's SDL and
// OpenAL link their sound and Wayland back ends rather than open them.)
std::vector<std::string> systemEntryPoints(const std::vector<TNSharedLibrary>& linked)
{
    std::vector<std::string> entries;
    for (const TNSharedLibrary& library : linked)
        if (!library.path.empty() && TNIsSystemLibrary(library.soname))
            entries.push_back(library.path);
    std::error_code code;
    for (const fs::directory_entry& driver : fs::directory_iterator(systemLibraryFolder(linked) + "/dri", code))
        if (driver.path().extension() == ".so")
            entries.push_back(driver.path().string());
    return entries;
}

// The sonames of the entries and of everything they load.
bool systemClosure(const std::vector<std::string>& entries, std::set<std::string>& sonames, std::string& error)
{
    // By device and inode: Mesa's drivers are one file under many names.
    std::set<std::pair<dev_t, ino_t>> scanned;
    for (const std::string& entry : entries) {
        sonames.insert(fs::path(entry).filename().string());
        struct stat info;
        if (stat(entry.c_str(), &info) != 0 || !scanned.insert({info.st_dev, info.st_ino}).second)
            continue;
        std::vector<TNSharedLibrary> needs;
        if (!TNListSharedLibraries(entry, needs, error))
            return false;
        for (const TNSharedLibrary& need : needs)
            sonames.insert(need.soname);
    }
    return true;
}

} // namespace

std::vector<TNSharedLibrary> TNParseLddOutput(const std::string& text)
{
    std::vector<TNSharedLibrary> libraries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = trimmed(line);
        if (line.empty())
            continue;
        size_t arrow = line.find(" => ");
        if (arrow != std::string::npos) {
            std::string target = withoutAddress(line.substr(arrow + 4));
            libraries.push_back({trimmed(line.substr(0, arrow)), target == "not found" ? "" : target});
        } else if (line[0] == '/') {
            std::string path = withoutAddress(line);
            libraries.push_back({fs::path(path).filename().string(), path});
        }
    }
    return libraries;
}

bool TNIsSystemLibrary(const std::string& soname)
{
    for (const char* pattern : kSystemLibraryPatterns)
        if (fnmatch(pattern, soname.c_str(), 0) == 0)
            return true;
    return false;
}

bool TNListSharedLibraries(const std::string& program, std::vector<TNSharedLibrary>& libraries,
                           std::string& error)
{
    std::string report;
    if (!TNRunProgram({"ldd", program}, &report, error)) {
        error = "could not list the libraries of " + program + ": " + error;
        return false;
    }
    libraries = TNParseLddOutput(report);
    return true;
}

bool TNSplitSharedLibraries(const std::string& program, std::vector<TNSharedLibrary>& ship,
                            std::vector<TNSharedLibrary>& system, std::string& error)
{
    std::vector<TNSharedLibrary> linked;
    if (!TNListSharedLibraries(program, linked, error))
        return false;
    for (const TNSharedLibrary& library : linked) {
        if (library.path.empty()) {
            error = program + " needs " + library.soname + ", which is not installed";
            return false;
        }
    }
    std::set<std::string> systemNames;
    if (!systemClosure(systemEntryPoints(linked), systemNames, error))
        return false;
    ship.clear();
    system.clear();
    for (const TNSharedLibrary& library : linked) {
        bool systems = TNIsSystemLibrary(library.soname) || systemNames.count(library.soname) > 0;
        (systems ? system : ship).push_back(library);
    }
    return true;
}
