// A game folder made by `tern-bundle --standalone` from the demo, played the
// way a player would: unpacked elsewhere, from another working folder, with
// an empty environment.
#include <gtest/gtest.h>

#include <cairo.h>

#include <filesystem>
#include <set>
#include <string>

#include "TestSupport.h"
#include "bundle/TNSharedLibraries.h"

namespace fs = std::filesystem;
using tern_test::CommandResult;
using tern_test::runCommand;
using tern_test::TempDir;

namespace {

const std::string kDemoResources = std::string(TERN_BUILD_DIR) + "/Demo.app/Contents/Resources";

std::string shellQuoted(const std::string& text)
{
    return "'" + text + "'";
}

class StandaloneFolder : public ::testing::Test {
protected:
    // One folder for the suite; the name has a space, as game names do.
    static void SetUpTestSuite()
    {
        work_ = new TempDir();
        folder_ = work_->path() + "/Tern Breakout";
        make_ = runCommand(std::string(TERN_BUILD_DIR) + "/tern-bundle --name 'Tern Breakout'"
                           " --engine " TERN_SOURCE_DIR "/games/demo/engine/engine.lua"
                           " --project " + kDemoResources + "/Demo.gameproj"
                           " --loading-image " + kDemoResources + "/Default.png"
                           " --standalone -o " + shellQuoted(folder_) + " 2>&1");
    }
    static void TearDownTestSuite()
    {
        delete work_;
        work_ = nullptr;
    }
    void SetUp() override { ASSERT_EQ(make_.status, 0) << make_.out; }

    static std::string in(const std::string& relative) { return folder_ + "/" + relative; }

    static TempDir* work_;
    static std::string folder_;
    static CommandResult make_;
};

TempDir* StandaloneFolder::work_ = nullptr;
std::string StandaloneFolder::folder_;
CommandResult StandaloneFolder::make_;

TEST_F(StandaloneFolder, HoldsTheLauncherBundlePlayerLibrariesEntryIconAndArchive)
{
    EXPECT_EQ(make_.out, "");
    // The launcher, the player, the entry, its installer and the icon are
    // run or read by the tests below, from the folder or the archive.
    for (const char* file : {"Tern-Breakout.app/Contents/Info.plist", "Tern-Breakout.app/Contents/Resources/Default.png",
                             "share/fonts/tern-fonts.conf", "share/fonts/LiberationSans-Regular.ttf"})
        EXPECT_TRUE(fs::is_regular_file(in(file))) << file;
    EXPECT_FALSE(fs::is_empty(in("lib")));
    CommandResult listing = runCommand("tar -tzf " + shellQuoted(folder_ + ".tar.gz"));
    ASSERT_EQ(listing.status, 0);
    EXPECT_NE(listing.out.find("Tern Breakout/lib/libSDL2-2.0.so.0\n"), std::string::npos) << listing.out;
}

// Unpacked somewhere else and started from a third folder with nothing in
// the environment: the launcher finds its folder, passes its arguments on
// (the screenshot lands in the working folder) and the game plays.
TEST_F(StandaloneFolder, UnpackedCopyPlaysFromAnotherFolderWithAnEmptyEnvironment)
{
    TempDir elsewhere, workingFolder;
    ASSERT_EQ(runCommand("tar -xzf " + shellQuoted(folder_ + ".tar.gz") + " -C " + elsewhere.path()).status, 0);
    // A launcher that loses the arguments would play on without end.
    CommandResult play = runCommand("cd " + workingFolder.path() + " && timeout 120 env -i " +
                                    shellQuoted(elsewhere.path() + "/Tern Breakout/Tern-Breakout") +
                                    " --headless --frames 60 --fixed-step --screenshot shot.png 2>&1");
    EXPECT_EQ(play.status, 0) << play.out;
    EXPECT_EQ(play.out, "");  // no script error, and the carried fonts are found
    EXPECT_TRUE(fs::is_regular_file(workingFolder.file("shot.png")));

    CommandResult version = runCommand("timeout 120 env -i " + shellQuoted(elsewhere.path() + "/Tern Breakout/Tern-Breakout") + " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tern-player ", 0), 0u) << version.out;
}

// Every library the folder ships is the one the player loads, and every one
// it leaves out is the system's.
TEST_F(StandaloneFolder, PlayerLoadsTheShippedLibrariesFromTheFolder)
{
    CommandResult report = runCommand("ldd " + shellQuoted(in("bin/tern-player")));
    ASSERT_EQ(report.status, 0) << report.out;
    EXPECT_EQ(report.out.find("not found"), std::string::npos) << report.out;
    std::set<std::string> shipped;
    for (const fs::directory_entry& entry : fs::directory_iterator(in("lib")))
        shipped.insert(entry.path().filename().string());
    std::set<std::string> loadedFromFolder;
    for (const TNSharedLibrary& library : TNParseLddOutput(report.out)) {
        // The loader reports the rpath as it reads: FOLDER/bin/../lib/...
        bool inFolder = fs::path(library.path).lexically_normal().string().rfind(in("lib/"), 0) == 0;
        EXPECT_EQ(inFolder, shipped.count(library.soname) > 0) << library.soname << " at " << library.path;
        if (inFolder)
            loadedFromFolder.insert(library.soname);
    }
    EXPECT_EQ(loadedFromFolder, shipped) << "a shipped library the player does not load";
    // The system's own stay out, by name (StandaloneNamesTest pins which
    // names) and as what the system's libraries load.
    for (const char* soname : {"libc.so.6", "libstdc++.so.6", "libGL.so.1", "libX11.so.6", "libxcb.so.1",
                               "libfontconfig.so.1", "libfreetype.so.6", "libz.so.1", "libexpat.so.1",
                               // Needed by Mesa's drivers and by PulseAudio, which the player opens at
                               // run time: the system's own copies must be the ones loaded.
                               "libxml2.so.2", "libvorbis.so.0", "libsndfile.so.1"})
        EXPECT_EQ(shipped.count(soname), 0u) << soname << " is the system's";
}

TEST_F(StandaloneFolder, DesktopEntriesAreValidAndNameTheFoldersLauncher)
{
    // The user's copy is the folder's entry with its own Exec and Icon.
    TempDir data;
    CommandResult install = runCommand("env -i XDG_DATA_HOME=" + data.path() + " " +
                                       shellQuoted(in("install-desktop-entry")) + " 2>&1");
    ASSERT_EQ(install.status, 0) << install.out;
    std::string entry = data.path() + "/applications/Tern-Breakout.desktop";
    CommandResult check = runCommand("desktop-file-validate " + entry + " 2>&1");
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_EQ(check.out, "");
    std::string text = tern_test::readFile(entry);
    EXPECT_NE(text.find("Name=Tern Breakout\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Exec=\"" + in("Tern-Breakout") + "\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Icon=" + in("Tern-Breakout.png") + "\n"), std::string::npos) << text;
}

// The icon is the loading picture scaled into a square: the picture's middle
// is the icon's middle, and the bands above and below it are transparent.
TEST_F(StandaloneFolder, IconIsTheLoadingPictureFittedIntoASquare)
{
    cairo_surface_t* icon = cairo_image_surface_create_from_png(in("Tern-Breakout.png").c_str());
    cairo_surface_t* picture = cairo_image_surface_create_from_png((kDemoResources + "/Default.png").c_str());
    ASSERT_EQ(cairo_surface_status(icon), CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(cairo_surface_status(picture), CAIRO_STATUS_SUCCESS);
    const int size = cairo_image_surface_get_width(icon);
    EXPECT_EQ(std::to_string(size) + "x" + std::to_string(cairo_image_surface_get_height(icon)), "256x256");
    int pictureWidth = cairo_image_surface_get_width(picture), pictureHeight = cairo_image_surface_get_height(picture);
    ASSERT_GT(pictureWidth, pictureHeight) << "the demo's loading picture is wider than tall";

    auto pixel = [](cairo_surface_t* surface, int x, int y) {
        const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const uint32_t*>(row)[x];
    };
    uint32_t middle = pixel(icon, size / 2, size / 2);
    uint32_t expected = pixel(picture, pictureWidth / 2, pictureHeight / 2);
    for (int shift = 0; shift < 32; shift += 8)
        EXPECT_NEAR(int((middle >> shift) & 0xff), int((expected >> shift) & 0xff), 24) << "channel at bit " << shift;
    int band = (size - size * pictureHeight / pictureWidth) / 2;
    EXPECT_EQ(pixel(icon, size / 2, band / 2) >> 24, 0u) << "above the picture";
    EXPECT_EQ(pixel(icon, size / 2, size - 1 - band / 2) >> 24, 0u) << "below the picture";
    EXPECT_EQ(pixel(icon, size / 2, band + 4) >> 24, 255u) << "the picture's top rows";
    cairo_surface_destroy(icon);
    cairo_surface_destroy(picture);
}

TEST(Standalone, BrokenInputStopsWithOneLineAndLeavesNoArchive)
{
    TempDir work;
    CommandResult make = runCommand(std::string(TERN_BUILD_DIR) + "/tern-bundle --name Broken"
                                    " --engine " TERN_SOURCE_DIR "/games/demo/engine/engine.lua"
                                    " --project " + work.file("missing.gameproj") +
                                    " --standalone -o " + work.file("out") + " 2>&1");
    EXPECT_EQ(make.status, 1);
    EXPECT_EQ(make.out, "tern-bundle: no project folder at " + work.file("missing.gameproj") + "\n");
    EXPECT_FALSE(fs::exists(work.file("out.tar.gz")));
}

} // namespace
