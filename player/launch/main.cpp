// tern-player [options] [BUNDLE]: plays a game bundle, by default the
// built-in demo.
#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

#include "window/TNApplication.h"
#include "bundle/TNBundle.h"
#include "launch/TNFailureAlert.h"
#include "launch/TNFreedMemory.h"
#include "launch/TNQuitDeadline.h"
#include "launch/TNInputScript.h"
#include "launch/TNPlayerOptions.h"
#include "launch/Tern_PlayerAppDelegate.h"
#include "log/TNLog.h"
#include "window/TNGameView.h"

#ifndef TERN_PLAYER_VERSION
#define TERN_PLAYER_VERSION "0.0.0"
#endif

namespace {

// The demo bundle beside the program, or installed in the share folder
// beside bin/.
std::string defaultBundlePath()
{
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = ".";
    if (length > 0) {
        self[length] = '\0';
        folder = self;
        folder = folder.substr(0, folder.find_last_of('/'));
    }
    std::string besideProgram = folder + "/" TERN_DEFAULT_BUNDLE;
    std::string installed = folder + "/../share/tern-player/" TERN_DEFAULT_BUNDLE;
    return access(besideProgram.c_str(), F_OK) != 0 && access(installed.c_str(), F_OK) == 0 ? installed : besideProgram;
}

// Headless: no window system and no sound output, unless the user chose a
// driver or an OpenAL configuration.
void useHeadlessDrivers()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!std::getenv("ALSOFT_CONF"))
        setenv("ALSOFT_DRIVERS", "null", 0);
}

// Game controllers play the arrow keys and a few others; headless runs
// keep to their scripted input.
void startGameControllers(const TNPlayerOptions& options)
{
    if (options.noGamepad || options.headless)
        return;
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        TNLog("tern-player: game controllers cannot be used: %s", SDL_GetError());
}

} // namespace

int main(int argc, char** argv)
{
    TNKeepFreedMemory();
    TNPlayerOptions options;
    std::string error;
    if (!TNParsePlayerOptions(argc, argv, options, error)) {
        TNLog("tern-player: %s", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(TNPlayerUsage("tern-player").c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("tern-player %s\n", TERN_PLAYER_VERSION);
        return 0;
    }
    // What the script prints reaches standard output line by line.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    av_log_set_level(AV_LOG_FATAL);

    TNInputScript inputScript;
    if (!options.inputPath.empty() && !inputScript.load(options.inputPath, error)) {
        TNLog("tern-player: %s", error.c_str());
        return 2;
    }

    std::string bundlePath = options.bundlePath.empty() ? defaultBundlePath() : options.bundlePath;
    std::optional<TNBundle> bundle = TNBundle::open(bundlePath, error);
    if (!bundle) {
        TNReportLaunchFailure(error, options, nullptr);
        return 1;
    }

    if (options.headless)
        useHeadlessDrivers();
    TNGameView::prepareWindowSystem();
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        TNReportLaunchFailure(std::string("cannot start the video system: ") + SDL_GetError() +
                                  (options.headless ? "" : " (try --headless)"),
                              options, nullptr);
        return 1;
    }
    TNInstallQuitSignalHandlers();
    startGameControllers(options);
    IMG_Init(IMG_INIT_PNG);

    int status = 0;
    {
        TNApplication application;
        Tern_PlayerAppDelegate delegate(application, std::move(*bundle), options);
        delegate.setInputScript(std::move(inputScript));
        delegate.applicationDidFinishLaunching();
        application.run([&](const SDL_Event& event) { delegate.handleEvent(event); },
                        [&] { return delegate.tick(); });
        delegate.applicationWillTerminate();
        status = application.exitStatus();
        if (status == 0 && !options.screenshotPath.empty() && !delegate.writeScreenshot())
            status = 1;
        // The engine is not released at quit: the script's shutdownEngine
        // runs only when a game is replaced.
        std::fflush(stdout);
        std::_Exit(status);
    }
}
