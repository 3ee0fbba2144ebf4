// The player's own fontconfig configuration: tern-fonts.conf and the font
// files carried beside it in a folder near the program (share/fonts). It
// binds every font name a game may ask for to one carried family, so that
// text looks the same on any machine; the system's fonts serve only for
// characters the carried ones lack.
#ifndef TN_FONT_CONFIGURATION_H
#define TN_FONT_CONFIGURATION_H

#include <string>
#include <vector>

typedef struct _FcConfig FcConfig;

class TNFontConfiguration {
public:
    static constexpr const char* kFileName = "tern-fonts.conf";

    // The configuration every text layout uses, loaded on first use from
    // the folder found for this program. Null when there is none or it does
    // not load (said once on standard error): the system's fontconfig then
    // chooses the fonts.
    static FcConfig* shared();
    // The folder shared() loaded from; empty when it loaded none.
    static std::string sharedFolder();

    // The folders, in order, where the fonts of a program in programFolder
    // may be: share/fonts beside it (the build folder, a standalone game
    // folder), share/fonts one folder up (the tests' and tools' programs, a
    // game folder with bin/), share/tern-player/fonts one folder up (an
    // installed player).
    static std::vector<std::string> candidateFolders(const std::string& programFolder);
    // The first candidate folder holding tern-fonts.conf; empty when none.
    static std::string findFolder(const std::string& programFolder);

    // A new configuration from folder/tern-fonts.conf, with the font files
    // of that folder added and accepted. Null (and one line on standard
    // error) when the file does not load. The caller owns the result
    // (FcConfigDestroy).
    static FcConfig* load(const std::string& folder);
};

#endif
