// Reading bundles, making them with the bundle maker, and the save path.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "bundle/TNBundle.h"
#include "bundle/TNBundleMaker.h"
#include "files/TNPathResolver.h"
#include "launch/TNSavePath.h"
#include "TestSupport.h"

using tern_test::ScopedEnv;
using tern_test::TempDir;
using tern_test::writeFile;

namespace {

std::string makeBundleFolders(const TempDir& dir, const std::string& name)
{
    std::string bundle = dir.file(name);
    std::filesystem::create_directories(bundle + "/Contents/Resources");
    return bundle;
}

std::string plist(const std::string& entries)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + entries + "</dict></plist>\n";
}

// Writes the Python value (a literal) as a binary property list, the way a
// Mac's tools store Info.plist, with Python's own writer.
void writeBinaryPlist(const std::string& path, const std::string& value)
{
    const std::string script = "import plistlib; f = open('" + path + "', 'wb'); plistlib.dump(" + value +
                               ", f, fmt=plistlib.FMT_BINARY); f.close()";
    const tern_test::CommandResult result = tern_test::runCommand("python3 -c \"" + script + "\" 2>&1");
    ASSERT_EQ(result.status, 0) << result.out;
}

} // namespace

// With the bundle among the resolver's roots (as the player makes it), its
// resources are found by names in another case.
TEST(Bundle, ReadsInformationKeysAndResources)
{
    TempDir dir;
    std::string path = makeBundleFolders(dir, "Game.app");
    writeFile(path + "/Contents/Info.plist",
              plist("<key>CFBundleName</key><string>Space</string><key>TNStartFullscreen</key><true/>"));
    std::filesystem::create_directories(path + "/Contents/Resources/b.gameproj");
    std::filesystem::create_directories(path + "/Contents/Resources/a.gameproj");
    writeFile(path + "/Contents/Resources/Engine64.LUO", "x");

    std::string error;
    std::optional<TNBundle> bundle = TNBundle::open(path + "/", error);
    ASSERT_TRUE(bundle) << error;
    EXPECT_EQ(bundle->bundleName(), "Space");
    EXPECT_TRUE(bundle->infoBool("TNStartFullscreen"));
    EXPECT_TRUE(bundle->hasInfoKey("TNStartFullscreen") && !bundle->hasInfoKey("Missing"));
    EXPECT_EQ(bundle->pathsForResourcesOfType("gameproj"),
              (std::vector<std::string>{path + "/Contents/Resources/a.gameproj", path + "/Contents/Resources/b.gameproj"}));
    TNPathResolver::shared().addRoot(path);
    EXPECT_EQ(bundle->pathForResource("engine64", "luo"), path + "/Contents/Resources/Engine64.LUO");
    EXPECT_EQ(bundle->pathForResource("intro-mac", "mov"), "");
    TNPathResolver::shared().clear();

    // Without an Info.plist the name is the folder's.
    bundle = TNBundle::open(makeBundleFolders(dir, "Plain.app"), error);
    ASSERT_TRUE(bundle) << error;
    EXPECT_EQ(bundle->bundleName(), "Plain");
    EXPECT_FALSE(bundle->infoBool("TNStartFullscreen"));
}

// What an Info.plist may hold, in the XML form or the binary one, and
// still be read.
TEST(Bundle, ReadsInfoPlistsAsAMacDoes)
{
    struct Case {
        const char* what;
        std::string text;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"later duplicate wins", plist("<key>A</key><string>1</string><key>A</key><string>2</string>"), "A", "2"},
        {"comments and doctype",
         "<?xml version=\"1.0\"?>\n<!-- made by hand -->\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\"><dict><key>A</key>"
         "<!-- a note --><string>x</string></dict></plist>",
         "A", "x"},
        {"integer", plist("<key>A</key><integer>3</integer>"), "A", "3"},
        {"real", plist("<key>A</key><real>0.25</real>"), "A", "0.25"},
        {"date", plist("<key>A</key><date>2020-01-02T03:04:05Z</date>"), "A", "2020-01-02T03:04:05Z"},
        {"entity", plist("<key>A</key><string>&lt;b&gt; &amp;</string>"), "A", "<b> &"},
        {"key with a value in an inner dict", plist("<key>D</key><dict><key>B</key><true/></dict><key>A</key><false/>"),
         "A", "false"},
        {"array", plist("<key>A</key><array><string>x</string></array>"), "A", ""},
    };
    TempDir dir;
    std::string error;
    for (const Case& c : cases) {
        const std::string path = makeBundleFolders(dir, std::string(c.what) + ".app");
        writeFile(path + "/Contents/Info.plist", c.text);
        std::optional<TNBundle> bundle = TNBundle::open(path, error);
        ASSERT_TRUE(bundle) << c.what << ": " << error;
        EXPECT_EQ(bundle->infoString(c.key), c.value) << c.what;
    }

    // The binary form, written by Python's own writer as a Mac's tools store
    // it: keys of inner dictionaries stay inside, and NUL characters in keys
    // and strings are legal.
    const std::string path = makeBundleFolders(dir, "Binary.app");
    writeBinaryPlist(path + "/Contents/Info.plist", "{'S': 'Caf\\u00e9 & Co', 'T': True, 'N': -3, 'R': 1.5, "
                                                    "'D': {'A': 'b'}, 'Z': 'Nu\\0ll', 'K\\0ey': 'v'}");
    std::optional<TNBundle> bundle = TNBundle::open(path, error);
    ASSERT_TRUE(bundle) << error;
    std::string values;
    for (const char* key : {"S", "T", "N", "R", "A", "Z"})
        values += bundle->infoString(key) + "|";
    EXPECT_EQ(values, "Caf\xc3\xa9 & Co|true|-3|1.5||Nu|");
}

// Each broken bundle is refused with a one-line reason.
TEST(Bundle, BrokenBundlesGiveOneLineReasons)
{
    namespace fs = std::filesystem;
    struct Case {
        const char* what;
        const char* words;
        std::function<void(const std::string& bundle)> breakIt;
    };
    auto infoPlist = [](const std::string& text) {
        return [text](const std::string& bundle) { writeFile(bundle + "/Contents/Info.plist", text); };
    };
    const Case cases[] = {
        {"a file", "no game bundle", [](auto& bundle) { fs::remove_all(bundle); writeFile(bundle, "x"); }},
        {"Resources a file", "no readable Contents/Resources",
         [](auto& bundle) { fs::remove_all(bundle + "/Contents/Resources"); writeFile(bundle + "/Contents/Resources", ""); }},
        // Read, a FIFO would block the player for good.
        {"Info.plist a FIFO", "cannot read Info.plist",
         [](auto& bundle) { mkfifo((bundle + "/Contents/Info.plist").c_str(), 0600); }},
        {"unclosed", "malformed Info.plist", infoPlist("<plist><dict><key>CFBundleName</key><string>x</dict>")},
        {"no plist", "malformed Info.plist", infoPlist("<dict></dict>")},
        {"key alone", "malformed Info.plist", infoPlist(plist("<key>A</key>"))},
        {"values alone", "malformed Info.plist", infoPlist(plist("<string>x</string><string>y</string>"))},
        // The XML reader's message about bad UTF-8 spans two lines.
        {"not UTF-8", "not proper UTF-8", infoPlist(plist("<key>A</key><string>\xff\xfe</string>"))},
        {"overlong UTF-8", "not proper UTF-8", infoPlist(plist("<key>A</key><string>\xe0\x80\xaf</string>"))},
        {"cut UTF-8", "not proper UTF-8", infoPlist(plist("<key>A</key><string>\xe2\x82</string>"))},
        {"key alone in an inner dict", "malformed Info.plist",
         infoPlist(plist("<key>D</key><dict><key>B</key> <!-- none --> </dict>"))},
        {"root an array", "malformed Info.plist", infoPlist("<plist><array><string>x</string></array></plist>")},
        {"empty", "malformed Info.plist", infoPlist("")},
        {"binary root an array", "binary property list does not hold a dictionary",
         [](auto& bundle) { writeBinaryPlist(bundle + "/Contents/Info.plist", "['a', 'b']"); }},
        {"binary signature alone", "malformed Info.plist", infoPlist("bplist00")},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = makeBundleFolders(dir, std::string(c.what) + ".app");
        c.breakIt(path);
        std::string error;
        EXPECT_FALSE(TNBundle::open(path, error)) << c.what;
        EXPECT_NE(error.find(c.words), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(BundleMaker, MakesABundleThePlayerReads)
{
    TempDir dir;
    writeFile(dir.file("engine.lua"), "function initEngine() x = 1.5 end\n");
    std::filesystem::create_directories(dir.file("project"));

    TNBundleRecipe recipe;
    recipe.outputPath = dir.file("Made.app");
    recipe.name = "Made <1>";
    recipe.engineSource = dir.file("engine.lua");
    recipe.projectFolder = dir.file("project");
    recipe.introMovie = TNShippedIntroMoviePath();
    recipe.startFullscreen = true;
    std::string error;
    ASSERT_TRUE(TNMakeBundle(recipe, error)) << error;

    std::optional<TNBundle> bundle = TNBundle::open(recipe.outputPath, error);
    ASSERT_TRUE(bundle) << error;
    EXPECT_EQ(bundle->bundleName(), "Made <1>");
    EXPECT_TRUE(bundle->infoBool("TNStartFullscreen"));
    EXPECT_EQ(bundle->pathForResource("Default", "png"), "");
    // The copied project and the compiled engine script are played by the
    // player's own tests and the end-to-end games.

    // A second make replaces the first; a syntax error is reported.
    writeFile(dir.file("engine.lua"), "function (\n");
    EXPECT_FALSE(TNMakeBundle(recipe, error));
    EXPECT_NE(error.find("engine.lua"), std::string::npos) << error;
}

TEST(SavePath, UsesXdgDataHomeThenHome)
{
    TempDir dir;
    std::string warning;
    {
        ScopedEnv xdg("XDG_DATA_HOME", dir.file("data").c_str());
        EXPECT_EQ(TNSavePath("My Game", warning), dir.file("data/My Game/save.data"));
        EXPECT_TRUE(warning.empty()) << warning;  // the folder was made
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", "relative/ignored");
        ScopedEnv home("HOME", dir.path().c_str());
        EXPECT_EQ(TNSavePath("G", warning), dir.file(".local/share/G/save.data"));
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        ScopedEnv home("HOME", nullptr);
        EXPECT_FALSE(TNSavePath("G", warning));
    }
    // Names cannot climb out; an unwritable save folder's warning is seen
    // in the player's own runs.
    EXPECT_EQ(TNSafeFolderName("../x"), ".._x");
    EXPECT_EQ(TNSafeFolderName(".."), "_..");
    EXPECT_EQ(TNSafeFolderName(""), "_");
}
