// tern-bundle: makes a game bundle from an engine script, a project folder,
// an optional loading image and the player's intro movie; with
// --standalone, a game folder that carries the player too.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bundle/TNBundleMaker.h"
#include "bundle/TNStandaloneMaker.h"
#include "log/TNLog.h"

namespace {

const char* kUsage =
    "Usage: tern-bundle --name NAME --engine ENGINE.lua --project FOLDER [options] -o NAME.app\n"
    "       tern-bundle --name NAME --engine ENGINE.lua --project FOLDER [options] --standalone -o FOLDER\n"
    "Makes a game bundle for tern-player, or a game folder that runs on any desktop Linux.\n"
    "\n"
    "  --name NAME            the game's name (window title and save folder)\n"
    "  --engine FILE          the engine script's Lua source, compiled into engine64.luo\n"
    "  --project FOLDER       the project folder, copied as a .gameproj resource\n"
    "  --loading-image FILE   a PNG shown while the game loads (Default.png)\n"
    "  --intro-movie FILE     the intro movie to ship (default: the player's own)\n"
    "  --fullscreen           start the game in full-screen mode\n"
    "  --standalone           make a game folder: the bundle, the player, the libraries\n"
    "                         the system may lack, a launcher named after the game, a\n"
    "                         desktop entry and icon, and FOLDER.tar.gz of it all\n"
    "  -o, --output PATH      the bundle or folder to make (replaced when it exists)\n"
    "  --help                 show this help\n";

// The player installed beside this program, which a game folder carries.
std::string playerBesideProgram()
{
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return "tern-player";
    std::string path(self, size_t(length));
    return path.substr(0, path.find_last_of('/') + 1) + "tern-player";
}

} // namespace

int main(int argc, char** argv)
{
    TNBundleRecipe recipe;
    bool standalone = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                TNLog("tern-bundle: %s needs a value", arg.c_str());
                return nullptr;
            }
            return argv[++i];
        };
        const char* v = nullptr;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--fullscreen") {
            recipe.startFullscreen = true;
            continue;
        } else if (arg == "--standalone") {
            standalone = true;
            continue;
        } else if (arg == "--name" || arg == "--engine" || arg == "--project" || arg == "--loading-image"
                   || arg == "--intro-movie" || arg == "-o" || arg == "--output") {
            if (!(v = value()))
                return 2;
        } else {
            TNLog("tern-bundle: unknown argument %s (see --help)", arg.c_str());
            return 2;
        }
        if (arg == "--name") recipe.name = v;
        else if (arg == "--engine") recipe.engineSource = v;
        else if (arg == "--project") recipe.projectFolder = v;
        else if (arg == "--loading-image") recipe.loadingImage = v;
        else if (arg == "--intro-movie") recipe.introMovie = v;
        else recipe.outputPath = v;
    }
    if (recipe.name.empty() || recipe.engineSource.empty() || recipe.projectFolder.empty() || recipe.outputPath.empty()) {
        TNLog("tern-bundle: --name, --engine, --project and -o are required (see --help)");
        return 2;
    }
    if (recipe.introMovie.empty()) {
        recipe.introMovie = TNShippedIntroMoviePath();
        if (recipe.introMovie.empty()) {
            TNLog("tern-bundle: the player's intro movie (share/intro-mac.mov) is missing");
            return 1;
        }
    }
    std::string error;
    bool made = standalone ? TNMakeStandalone(recipe, playerBesideProgram(), recipe.outputPath, error)
                           : TNMakeBundle(recipe, error);
    if (!made) {
        TNLog("tern-bundle: %s", error.c_str());
        return 1;
    }
    return 0;
}
