// Games written by a test, bundled with tern-bundle and played by
// tern-player, for the tests that run the built programs end to end.
#ifndef TERN_TEST_PLAYED_GAME_H
#define TERN_TEST_PLAYED_GAME_H

#include <string>

#include "TestSupport.h"

namespace tern_test {

// The player of the build; whether it and the bundler are built.
std::string playerPath();
bool hasPlayerAndBundler();

// The start of an engine script for a 200 x 100 game: `sg` (scenegraph)
// and `set(node, { port = value })` as locals of the chunk, the devices,
// a Project class with new(), initEngine making sharedSoundManager and
// sharedAssetManager, render() drawing the global scene, stop() printing
// "stopped", and every other handler doing nothing. The script that
// follows defines the Project's paths and load, and the handlers it needs.
extern const char* const kGameScriptStart;

// An 8 x 8 PNG of one opaque colour, its folders made as needed.
void writeColourPNG(const std::string& path, int r, int g, int b);

// Bundles the engine script source (written to folder/engine.lua) and the
// project folder as folder/name.app with tern-bundle's further options;
// the bundler's status and output.
CommandResult bundleGame(const std::string& folder, const std::string& name, const std::string& engineSource,
                         const std::string& project, const std::string& options = "");

}  // namespace tern_test

#endif
