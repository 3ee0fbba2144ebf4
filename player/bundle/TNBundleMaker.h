// Makes a game bundle: Name.app/Contents/Info.plist and Contents/Resources
// with the compiled engine script "engine64.luo", the project folder
// (*.gameproj), an optional "Default.png" and the intro movie
// "intro-mac.mov".
#ifndef TN_BUNDLE_MAKER_H
#define TN_BUNDLE_MAKER_H

#include <string>

struct TNBundleRecipe {
    std::string outputPath;      // the bundle folder to make, usually Name.app
    std::string name;            // CFBundleName
    std::string engineSource;    // Lua source of the engine script
    std::string projectFolder;   // copied as Resources/<folder name>, ".gameproj" added when missing
    std::string loadingImage;    // optional PNG, copied as Resources/Default.png
    std::string introMovie;      // copied as Resources/intro-mac.mov; empty: none
    bool startFullscreen = false;
};

// Compiles Lua source into a chunk for the player's interpreter (32-bit
// float numbers). Returns false with the compiler's message in error.
bool TNCompileEngineScript(const std::string& sourcePath, const std::string& outputPath, std::string& error);

// Makes the bundle, replacing an existing one at outputPath. Returns false
// with a one-line reason in error.
bool TNMakeBundle(const TNBundleRecipe& recipe, std::string& error);

// The intro movie that ships with the player, found beside the program
// (share/intro-mac.mov, or ../share/tern-player/intro-mac.mov when
// installed) or in the source tree. Empty when neither exists.
std::string TNShippedIntroMoviePath();

#endif
