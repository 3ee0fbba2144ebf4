// The shared libraries a program loads, and which of them a game folder
// ships beside the player and which it leaves to the system.
//
// The system's share is every desktop Linux's: the C library and its
// loader, the C++ runtime, the OpenGL/EGL/DRM stack, X11 and Wayland client
// libraries, ALSA, PulseAudio and the other sound servers' clients,
// fontconfig and freetype. Whatever one of those libraries needs itself
// stays the system's too (on the machine that makes the folder), so a
// library of ours and the system's copy of it never meet in one process:
// Mesa's drivers, for one, bring their own zlib, libxml2 and expat.
#ifndef TN_SHARED_LIBRARIES_H
#define TN_SHARED_LIBRARIES_H

#include <string>
#include <vector>

struct TNSharedLibrary {
    std::string soname;  // the name the program asks for, "libSDL2-2.0.so.0"
    std::string path;    // where it was found; empty when it was not
};

// The libraries in ldd's report, in its order: "NAME => PATH (ADDRESS)",
// "NAME => not found" (an empty path) and "/PATH (ADDRESS)" (the loader).
// The kernel's virtual library, which has no file, is left out.
std::vector<TNSharedLibrary> TNParseLddOutput(const std::string& text);

// Whether a library of this name is one every desktop Linux provides.
bool TNIsSystemLibrary(const std::string& soname);

// The libraries program loads, through ldd. False with a one-line reason
// when ldd fails.
bool TNListSharedLibraries(const std::string& program, std::vector<TNSharedLibrary>& libraries,
                           std::string& error);

// Splits what program loads into the libraries to ship and those left to the
// system (see above). False with a one-line reason when a library it needs
// is not installed here or ldd fails.
bool TNSplitSharedLibraries(const std::string& program, std::vector<TNSharedLibrary>& ship,
                            std::vector<TNSharedLibrary>& system, std::string& error);

#endif
