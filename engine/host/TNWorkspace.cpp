#include "host/TNWorkspace.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <strings.h>
#include <thread>

#include "log/TNLog.h"

extern char** environ;

namespace {

bool startsWithNoCase(const std::string& text, const char* prefix)
{
    return strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

bool hasControlCharacters(const std::string& text)
{
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f)
            return true;
    }
    return false;
}

// The URL as it can be shown on one line of the log.
std::string printable(const std::string& url)
{
    std::string shown = url.substr(0, 200);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    }
    return url.size() > shown.size() ? shown + "..." : shown;
}

}  // namespace

bool TNWorkspace::isOpenableURL(const std::string& url)
{
    if (hasControlCharacters(url))
        return false;
    const bool web = (startsWithNoCase(url, "http://") || startsWithNoCase(url, "https://"));
    const bool mail = startsWithNoCase(url, "mailto:") && url.size() > std::strlen("mailto:");
    return web || mail;
}

bool TNWorkspace::openURL(const std::string& url)
{
    if (!isOpenableURL(url)) {
        TNLog("openExternalURL: refused \"%s\": only http, https and mailto addresses are opened",
              printable(url).c_str());
        return false;
    }
    char program[] = "xdg-open";
    std::string argument = url;
    char* argv[] = {program, argument.data(), nullptr};
    pid_t pid = 0;
    const int status = posix_spawnp(&pid, program, nullptr, nullptr, argv, environ);
    if (status != 0) {
        TNLog("openExternalURL: cannot run xdg-open: %s", std::strerror(status));
        return false;
    }
    // Reap the child when it ends so no zombie is left behind.
    std::thread([pid] {
        int ignored = 0;
        while (waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}
