#include "bundle/TNStandaloneMaker.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "bundle/TNGameIcon.h"
#include "bundle/TNProgram.h"
#include "bundle/TNSharedLibraries.h"
#include "log/TNLog.h"
#include "text/TNFontConfiguration.h"

namespace fs = std::filesystem;

namespace {

const fs::perms kExecutable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                              | fs::perms::others_read | fs::perms::others_exec;
const fs::perms kReadable = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read
                            | fs::perms::others_read;

bool writeText(const fs::path& path, const std::string& text, fs::perms permissions, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    std::error_code code;
    if (out.flush())
        fs::permissions(path, permissions, code);
    if (!out || code) {
        error = "could not write " + path.string();
        return false;
    }
    return true;
}

bool copyInto(const fs::path& from, const fs::path& to, fs::perms permissions, std::string& error)
{
    std::error_code code;
    fs::create_directories(to.parent_path(), code);
    if (!code && fs::is_directory(from))
        fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, code);
    else if (!code)
        fs::copy_file(from, to, fs::copy_options::overwrite_existing, code);
    if (!code && !fs::is_directory(to))
        fs::permissions(to, permissions, code);
    if (code) {
        error = "could not copy " + from.string() + " to " + to.string() + ": " + code.message();
        return false;
    }
    return true;
}

// Replaces every "@NAME@" in a script template by name.
std::string filledIn(std::string text, const std::string& name)
{
    for (size_t at = text.find("@NAME@"); at != std::string::npos; at = text.find("@NAME@", at + name.size()))
        text.replace(at, 6, name);
    return text;
}

// The launcher resolves its own folder (through any symbolic link to it) so
// that it runs from any working folder and with an empty environment. The
// player takes its options before the bundle.
const char* const kLauncherScript = R"SH(#!/bin/sh
# Plays the game with the player and libraries of this folder.
# Arguments go to the player: ./@NAME@ --fullscreen
here=$(dirname "$(readlink -f "$0")")
exec "$here/bin/tern-player" "$@" "$here/@NAME@.app"
)SH";

// The user's copy of the desktop entry names this folder's launcher and
// icon; a path a desktop entry cannot hold unescaped is refused.
const char* const kInstallEntryScript = R"SH(#!/bin/sh
# Adds the game to the user's application menu, pointing at this folder
# (run it again after moving the folder).
set -eu
here=$(dirname "$(readlink -f "$0")")
case $here in
    *[\"\`\$%]*)
        echo "install-desktop-entry: a desktop entry cannot name the folder $here" >&2
        exit 1 ;;
esac
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
mkdir -p "$apps"
{
    grep -v -e '^Exec=' -e '^Icon=' "$here/@NAME@.desktop"
    printf 'Exec="%s/@NAME@"\nIcon=%s/@NAME@.png\n' "$here" "$here"
} > "$apps/@NAME@.desktop"
echo "Added $apps/@NAME@.desktop"
)SH";

// Desktop entry values are one line; a backslash starts an escape.
std::string desktopValue(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n' || c == '\r') out += ' ';
        else if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out;
}

// Exec and Icon name the launcher and icon as if they were installed; the
// folder's install-desktop-entry writes the user's copy with their paths.
std::string desktopEntry(const std::string& gameName, const std::string& name)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" + desktopValue(gameName) + "\n"
           "Comment=Play " + desktopValue(gameName) + "\n"
           "Exec=" + name + "\n"
           "Icon=" + name + "\n"
           "Terminal=false\n"
           "Categories=Game;\n";
}

bool shipLibraries(const std::string& playerPath, const fs::path& folder, std::string& error)
{
    std::vector<TNSharedLibrary> ship, system;
    if (!TNSplitSharedLibraries(playerPath, ship, system, error))
        return false;
    for (const TNSharedLibrary& library : ship) {
        std::error_code code;
        fs::path real = fs::canonical(library.path, code);
        if (code) {
            error = "could not find " + library.path + ": " + code.message();
            return false;
        }
        if (!copyInto(real, folder / "lib" / library.soname, kReadable, error))
            return false;
    }
    return true;
}

// DT_RPATH rather than DT_RUNPATH: it holds for the shipped libraries' own
// needs too, so no library path has to be set in the environment (where
// programs the game starts, a web browser, would inherit it).
bool pointPlayerAtLibraries(const fs::path& player, std::string& error)
{
    if (!TNProgramExists("patchelf")) {
        error = "making a game folder needs patchelf (apt-get install patchelf)";
        return false;
    }
    return TNRunProgram({"patchelf", "--force-rpath", "--set-rpath", "$ORIGIN/../lib", player.string()}, nullptr, error);
}

bool writeIcon(const TNBundleRecipe& recipe, const fs::path& icon, std::string& error)
{
    if (recipe.loadingImage.empty())
        return TNWritePlayerIcon(icon.string(), error);
    return TNWriteIconFromPicture(recipe.loadingImage, icon.string(), error);
}

bool writeArchive(const fs::path& folder, std::string& error)
{
    fs::path archive = folder.string() + ".tar.gz";
    std::error_code code;
    fs::remove(archive, code);
    return TNRunProgram({"tar", "-czf", archive.string(), "-C", folder.parent_path().string(),
                         folder.filename().string()}, nullptr, error);
}

} // namespace

std::vector<TNStandaloneFile> TNStandaloneExtraFiles(const std::string& playerPath)
{
    std::vector<TNStandaloneFile> files;
    // The player's fonts, found the way the player finds them; in the game
    // folder they sit in share/fonts, one folder above bin/tern-player.
    const std::string fonts = TNFontConfiguration::findFolder(fs::path(playerPath).parent_path().string());
    if (fonts.empty())
        TNLog("tern-bundle: no fonts found near %s; the game folder will draw text in the system's fonts",
              playerPath.c_str());
    else
        files.push_back({fonts, "share/fonts"});
    return files;
}

std::string TNStandaloneName(const std::string& gameName)
{
    std::string name;
    for (char c : gameName) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-')
            name += c;
        else if (!name.empty() && name.back() != '-')
            name += '-';
    }
    while (!name.empty() && (name.back() == '-' || name.back() == '.'))
        name.pop_back();
    while (!name.empty() && (name.front() == '-' || name.front() == '.'))
        name.erase(name.begin());
    return name.empty() ? "game" : name;
}

bool TNMakeStandalone(const TNBundleRecipe& recipe, const std::string& playerPath,
                      const std::string& outputFolder, std::string& error)
{
    fs::path folder = fs::absolute(fs::path(outputFolder).lexically_normal());
    if (!folder.has_filename())
        folder = folder.parent_path();
    if (!fs::is_regular_file(playerPath)) {
        error = "no player at " + playerPath;
        return false;
    }
    std::error_code code;
    fs::remove_all(folder, code);
    fs::create_directories(folder, code);
    if (code) {
        error = "could not create " + folder.string() + ": " + code.message();
        return false;
    }
    std::string name = TNStandaloneName(recipe.name);
    TNBundleRecipe bundle = recipe;
    bundle.outputPath = (folder / (name + ".app")).string();
    if (!TNMakeBundle(bundle, error))
        return false;

    fs::path player = folder / "bin" / "tern-player";
    if (!copyInto(playerPath, player, kExecutable, error) || !shipLibraries(playerPath, folder, error)
        || !pointPlayerAtLibraries(player, error))
        return false;
    for (const TNStandaloneFile& file : TNStandaloneExtraFiles(playerPath))
        if (!copyInto(file.source, folder / file.destination, kReadable, error))
            return false;

    return writeText(folder / name, filledIn(kLauncherScript, name), kExecutable, error)
           && writeText(folder / (name + ".desktop"), desktopEntry(recipe.name, name), kReadable, error)
           && writeText(folder / "install-desktop-entry", filledIn(kInstallEntryScript, name), kExecutable, error)
           && writeIcon(recipe, folder / (name + ".png"), error)
           && writeArchive(folder, error);
}
