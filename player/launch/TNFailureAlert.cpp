#include "launch/TNFailureAlert.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "launch/TNPlayerOptions.h"
#include "log/TNLog.h"

const char* const TNFailureAlertTitle = "Tern Player";

namespace {

bool isScreenlessDriver(const char* driver)
{
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

// The driver SDL's video runs on, or the one it is told to start with.
const char* videoDriverInUse()
{
    if (SDL_WasInit(SDL_INIT_VIDEO))
        return SDL_GetCurrentVideoDriver();
    return std::getenv("SDL_VIDEODRIVER");
}

}  // namespace

bool TNFailureAlertWanted(const TNPlayerOptions& options, bool stderrIsTerminal, const char* videoDriver)
{
    if (stderrIsTerminal)
        return false;
    const bool driven = options.headless || options.frames > 0 || !options.inputPath.empty() ||
                        !options.screenshotPath.empty();
    return !driven && !isScreenlessDriver(videoDriver);
}

void TNReportLaunchFailure(const std::string& reason, const TNPlayerOptions& options, SDL_Window* window)
{
    TNLog("tern-player: %s", reason.c_str());
    if (!TNFailureAlertWanted(options, isatty(STDERR_FILENO) != 0, videoDriverInUse()))
        return;
    // Without a window system to show it on, the line above is all there is.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, TNFailureAlertTitle, reason.c_str(), window);
}
