// tern-bundle: makes a game bundle from an engine script, a project folder,
// an optional loading image and the player's intro movie.
#include <cstdio>
#include <cstring>
#include <string>

#include "bundle/TNBundleMaker.h"
#include "log/TNLog.h"

namespace {

const char* kUsage =
    "Usage: tern-bundle --name NAME --engine ENGINE.lua --project FOLDER [options] -o NAME.app\n"
    "Makes a game bundle for tern-player.\n"
    "\n"
    "  --name NAME            the game's name (window title and save folder)\n"
    "  --engine FILE          the engine script's Lua source, compiled into engine64.luo\n"
    "  --project FOLDER       the project folder, copied as a .gameproj resource\n"
    "  --loading-image FILE   a PNG shown while the game loads (Default.png)\n"
    "  --intro-movie FILE     the intro movie to ship (default: the player's own)\n"
    "  --fullscreen           start the game in full-screen mode\n"
    "  -o, --output PATH      the bundle to make (replaced when it exists)\n"
    "  --help                 show this help\n";

} // namespace

int main(int argc, char** argv)
{
    TNBundleRecipe recipe;
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
    if (!TNMakeBundle(recipe, error)) {
        TNLog("tern-bundle: %s", error.c_str());
        return 1;
    }
    return 0;
}
