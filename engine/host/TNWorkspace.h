// Opens addresses in the user's default browser or mail program.
#ifndef TN_WORKSPACE_H
#define TN_WORKSPACE_H

#include <string>

class TNWorkspace {
public:
    // Whether a game may have the desktop open url: an http, https or
    // mailto address without control characters. Local paths, file: URLs,
    // other schemes and text that could pass for a command option are not.
    static bool isOpenableURL(const std::string& url);

    // Hands an openable url to xdg-open (looked up on PATH) as its one
    // argument, without a shell, and does not wait for it. False, with one
    // printed line, when the URL is refused or xdg-open cannot be started.
    static bool openURL(const std::string& url);
};

#endif
