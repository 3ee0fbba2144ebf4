// The player's fonts: every display name a game may use resolves to the
// family the player carries for it, from the carried file; the
// metric-compatible ones lay a sentence out exactly as wide as the named
// font's own metrics say; and the fonts are found beside the program.
#include <gtest/gtest.h>

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <string>

#include "TestSupport.h"
#include "text/StringTexture.h"
#include "text/TNFontConfiguration.h"
#include "text/TNTextLayout.h"

using tern_test::TempDir;

namespace {

// No two letters of it are kerned in any of the metric-compatible fonts,
// nor (after Adobe's published kerning pairs) in Helvetica, so its width is
// the plain sum of the advance widths.
const char kSentence[] = "Sphinx had a quilt of jam and milk";
constexpr double kPointSize = 24.0;

// The sentence's width in the original fonts: the sum of its characters'
// advance widths, in font units. Arial's and Times New Roman's come from
// their hmtx tables (2048 units to the em; Arial's are Helvetica's AFM
// widths scaled by 2.048 and rounded, Times New Roman's likewise from
// Times-Roman's); Helvetica's from Adobe's published AFM widths (1000
// units); Courier New gives each of the 34 characters 1229 of 2048.
struct Substitute {
    const char* displayName;
    const char* family;  // as Pango names the resolved font
    const char* file;    // the carried file it comes from
    // The named font's units per em and sentence advance, for the
    // metric-compatible ones; 0 for the others.
    int unitsPerEm = 0;
    long sentenceAdvance = 0;
};

const Substitute kSubstitutes[] = {
    {"Arial", "Liberation Sans", "LiberationSans-Regular.ttf", 2048, 30623},
    {"Courier New", "Liberation Mono", "LiberationMono-Regular.ttf", 2048, 34 * 1229},
    {"Georgia", "Charis SIL", "CharisSIL-Regular.ttf"},
    {"Times New Roman", "Liberation Serif", "LiberationSerif-Regular.ttf", 2048, 28498},
    {"Trebuchet MS", "PT Sans", "PTS55F.ttf"},
    {"Verdana", "DejaVu Sans", "DejaVuSans.ttf"},
    {"Zapfino", "Z003", "Z003-MediumItalic.otf"},
    {"Helvetica", "Nimbus Sans", "NimbusSans-Regular.otf", 1000, 14951},
    {"Helvetica Neue", "Nimbus Sans", "NimbusSans-Regular.otf"},
    {"American Typewriter", "Courier Prime", "Courier Prime.otf"},
    {"Baskerville", "Baskervald ADF Std", "BaskervaldADFStd.otf"},
    {"Cochin", "Accanthis ADF Std", "AccanthisADFStd-Regular.otf"},
    {"Futura", "League Spartan", "LeagueSpartan-Medium.otf"},
    {"Gill Sans", "Gillius ADF", "GilliusADF-Regular.otf"},
};

TNAttributedString sentenceIn(const char* displayName)
{
    TNAttributedString string;
    string.text = kSentence;
    string.attributes.fontName = StringTexture::fontNameForDisplayName(displayName);
    string.attributes.pointSize = kPointSize;
    return string;
}

}  // namespace

TEST(FontSubstitution, EveryDisplayNameDrawsInItsCarriedFamilyTheMetricCompatibleOnesAsWideAsTheOriginals)
{
    ASSERT_NE(TNFontConfiguration::shared(), nullptr);
    const std::string carried = TNFontConfiguration::sharedFolder();
    ASSERT_FALSE(carried.empty());
    // Pango positions glyphs in 1/1024 pixel: each advance may round by half of that.
    const double tolerance = 0.5 / 1024 * (sizeof kSentence - 1);
    for (const Substitute& substitute : kSubstitutes) {
        const TNTextLayout layout(sentenceIn(substitute.displayName));
        ASSERT_TRUE(layout.isValid()) << substitute.displayName;
        EXPECT_EQ(layout.fontFamily(), substitute.family) << substitute.displayName;
        EXPECT_EQ(layout.fontFile(), carried + "/" + substitute.file) << substitute.displayName;
        EXPECT_GT(layout.size().width, 0) << substitute.displayName;
        if (substitute.unitsPerEm != 0)
            EXPECT_NEAR(layout.size().width, substitute.sentenceAdvance * kPointSize / substitute.unitsPerEm, tolerance)
                << substitute.displayName;
    }
    // Other display names give no font name; a name no display name gives
    // falls back to the sans-serif family.
    for (const char* display : {"LucidaGrande", "arial", ""})
        EXPECT_EQ(StringTexture::fontNameForDisplayName(display), nullptr) << display;
    TNAttributedString other = sentenceIn("Arial");
    other.attributes.fontName = "No Such Font";
    EXPECT_EQ(TNTextLayout(other).fontFamily(), "DejaVu Sans");
}

TEST(FontSubstitution, OtherCopiesOfACarriedFamilyAreNotUsed)
{
    // A folder carrying only Liberation Sans: the system's copy (installed
    // with the same family name) is left out, so Arial is the carried file.
    TempDir folder;
    const std::string carried = TNFontConfiguration::sharedFolder();
    ASSERT_FALSE(carried.empty());
    tern_test::writeFile(folder.file(TNFontConfiguration::kFileName),
                         tern_test::readFile(carried + "/" + TNFontConfiguration::kFileName));
    tern_test::writeFile(folder.file("LiberationSans-Regular.ttf"),
                         tern_test::readFile(carried + "/LiberationSans-Regular.ttf"));
    FcConfig* config = TNFontConfiguration::load(folder.path());
    ASSERT_NE(config, nullptr);

    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Liberation Sans"));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet* fonts = FcFontList(config, pattern, objects);
    ASSERT_NE(fonts, nullptr);
    ASSERT_EQ(fonts->nfont, 1);
    FcChar8* file = nullptr;
    ASSERT_EQ(FcPatternGetString(fonts->fonts[0], FC_FILE, 0, &file), FcResultMatch);
    char* resolved = realpath(folder.path().c_str(), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file)), std::string(resolved) + "/LiberationSans-Regular.ttf");
    free(resolved);
    FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
}

TEST(FontSubstitution, TheFontsAreFoundBesideOrAboveTheProgram)
{
    TempDir root;
    const std::string program = root.file("game/bin");
    auto place = [](const std::string& folder) {
        ASSERT_EQ(tern_test::runCommand("mkdir -p '" + folder + "'").status, 0);
        tern_test::writeFile(folder + "/" + TNFontConfiguration::kFileName, "<fontconfig/>\n");
    };
    EXPECT_EQ(TNFontConfiguration::findFolder(program), "");
    place(root.file("game/share/tern-player/fonts"));  // installed
    EXPECT_EQ(TNFontConfiguration::findFolder(program), root.file("game/share/tern-player/fonts"));
    place(root.file("game/share/fonts"));  // one folder up
    EXPECT_EQ(TNFontConfiguration::findFolder(program), root.file("game/share/fonts"));
    place(program + "/share/fonts");  // beside the program
    EXPECT_EQ(TNFontConfiguration::findFolder(program), program + "/share/fonts");
    EXPECT_EQ(TNFontConfiguration::findFolder(""), "");
}

TEST(FontSubstitution, AConfigurationThatDoesNotLoadIsSaidOnce)
{
    TempDir folder;
    tern_test::writeFile(folder.file(TNFontConfiguration::kFileName), "<fontconfig><match>");
    testing::internal::CaptureStderr();
    EXPECT_EQ(TNFontConfiguration::load(folder.path()), nullptr);
    EXPECT_EQ(TNFontConfiguration::load(folder.file("missing")), nullptr);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("text: the font configuration " + folder.path()), std::string::npos) << log;
    EXPECT_NE(log.find("text: the font folder " + folder.file("missing") + " cannot be read"), std::string::npos)
        << log;
}
