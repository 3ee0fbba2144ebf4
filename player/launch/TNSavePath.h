// Where a game's saved values live: the user's data folder
// ($XDG_DATA_HOME, else ~/.local/share), a folder named after the game, and
// in it "save.data".
#ifndef TN_SAVE_PATH_H
#define TN_SAVE_PATH_H

#include <optional>
#include <string>

// The save file of the game called applicationName, creating its folder
// with intermediate folders when missing. Nothing when there is no data
// folder at all (no XDG_DATA_HOME and no HOME). When the folder cannot be
// created or written, warning receives one line and the path is still
// returned: the game plays on and its stores are lost.
std::optional<std::string> TNSavePath(const std::string& applicationName, std::string& warning);

// The folder name used for applicationName: path separators and names
// that would climb out of the data folder are replaced.
std::string TNSafeFolderName(const std::string& applicationName);

#endif
