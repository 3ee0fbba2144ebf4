// The command line of tern-player: [options] [BUNDLE].
#ifndef TN_PLAYER_OPTIONS_H
#define TN_PLAYER_OPTIONS_H

#include <cstdint>
#include <string>

struct TNPlayerOptions {
    bool help = false;
    bool version = false;
    bool fullscreen = false;
    bool headless = false;
    bool fixedStep = false;
    // Game controllers drive the arrow keys, space, escape and return
    // unless turned off (headless runs never use them).
    bool noGamepad = false;
    // Quit after this many frames; 0 plays until the game ends.
    uint64_t frames = 0;
    std::string screenshotPath;
    // Scripted input to play (see TNInputScript.h); empty for none.
    std::string inputPath;
    // Print resident memory every this many frames (and after the last
    // with --frames); 0 for never.
    uint64_t memoryReportInterval = 0;
    // Empty: the built-in demo bundle.
    std::string bundlePath;
};

// Parses argv. Returns false with a one-line reason in error on an unknown
// option, a missing or bad value, or a second bundle.
bool TNParsePlayerOptions(int argc, const char* const* argv, TNPlayerOptions& options, std::string& error);

// Reads text made only of decimal digits into value; false for anything
// else or a number too large for 64 bits.
bool TNParseWholeNumber(const std::string& text, uint64_t& value);

// The text of --help.
std::string TNPlayerUsage(const std::string& programName);

#endif
