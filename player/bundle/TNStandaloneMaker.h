// Makes a game folder that runs on any desktop Linux without installing
// anything: OUTDIR/ holds
//   NAME                the launcher: runs the game from any working folder,
//                       passing its arguments on to the player
//   NAME.app/           the game bundle
//   NAME.desktop        a desktop entry, NAME.png its icon (from Default.png)
//   install-desktop-entry   puts the entry, pointing at this folder, in the
//                       user's application menu
//   bin/tern-player     the player, which finds its libraries in ../lib
//   lib/                the shared libraries the system does not provide
//   share/fonts/        the player's fonts and their configuration
// and OUTDIR.tar.gz holds the folder. NAME is the game's name made safe
// for a file name ("Tern Breakout" → "Tern-Breakout").
#ifndef TN_STANDALONE_MAKER_H
#define TN_STANDALONE_MAKER_H

#include <string>
#include <vector>

#include "bundle/TNBundleMaker.h"

// A file or folder the player reads at run time besides its libraries and
// the game bundle, copied into the game folder (a folder with its contents).
struct TNStandaloneFile {
    std::string source;       // absolute path on this machine
    std::string destination;  // relative to the game folder
};

// The extra files every game folder carries besides the player at
// playerPath: the player's fonts (share/fonts).
std::vector<TNStandaloneFile> TNStandaloneExtraFiles(const std::string& playerPath);

// The game's name as a file name: letters, digits, '.', '_' and '-' kept,
// every other run of characters one '-', no '-' or '.' at either end;
// "game" when nothing is left.
std::string TNStandaloneName(const std::string& gameName);

// Makes the folder at outputFolder (replacing it) and outputFolder.tar.gz,
// with the bundle the recipe describes (its outputPath is ignored) and the
// player at playerPath. Returns false with a one-line reason in error.
bool TNMakeStandalone(const TNBundleRecipe& recipe, const std::string& playerPath,
                      const std::string& outputFolder, std::string& error);

#endif
