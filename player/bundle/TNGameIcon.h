// Square PNG icons for desktop entries: a game's icon made from its loading
// picture, and the player's own icon.
#ifndef TN_GAME_ICON_H
#define TN_GAME_ICON_H

#include <string>

// The side of every icon written here, in pixels.
constexpr int kTNIconSize = 256;

// Writes the picture at picturePath (a PNG) scaled to fit a square of
// kTNIconSize, centred on transparency, to iconPath. Returns false with a
// one-line reason in error when the picture cannot be read or the icon
// cannot be written.
bool TNWriteIconFromPicture(const std::string& picturePath, const std::string& iconPath, std::string& error);

// Writes the player's own icon (a tern over a dusk sky) to iconPath.
bool TNWritePlayerIcon(const std::string& iconPath, std::string& error);

#endif
