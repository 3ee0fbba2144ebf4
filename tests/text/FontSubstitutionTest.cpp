// The player's fonts: every display name a game may use resolves to the
// family the player carries for it, from the carried file; the
// metric-compatible ones lay a sentence out exactly as wide as the named
// font's own metrics say; and the fonts are found beside the program.
#include <gtest/gtest.h>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <cstdlib>
#include <map>
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

// Advance widths of the sentence's characters in the original fonts, in
// font units. Arial's and Times New Roman's are those of their hmtx tables
// (2048 units to the em; Arial's are Helvetica's AFM widths scaled by
// 2.048 and rounded, Times New Roman's likewise from Times-Roman's);
// Helvetica's are Adobe's published AFM widths (1000 units); Courier New
// gives every character 1229 of 2048.
struct Metrics {
    int unitsPerEm;
    std::map<char, int> advances;
};

const Metrics kArial{2048,
    {{'S', 1366}, {'p', 1139}, {'h', 1139}, {'i', 455}, {'n', 1139}, {'x', 1024}, {' ', 569}, {'a', 1139},
     {'d', 1139}, {'q', 1139}, {'u', 1139}, {'l', 455}, {'t', 569}, {'o', 1139}, {'f', 569}, {'j', 455},
     {'m', 1706}, {'k', 1024}}};
const Metrics kTimesNewRoman{2048,
    {{'S', 1139}, {'p', 1024}, {'h', 1024}, {'i', 569}, {'n', 1024}, {'x', 1024}, {' ', 512}, {'a', 909},
     {'d', 1024}, {'q', 1024}, {'u', 1024}, {'l', 569}, {'t', 569}, {'o', 1024}, {'f', 682}, {'j', 569},
     {'m', 1593}, {'k', 1024}}};
const Metrics kCourierNew{2048,
    {{'S', 1229}, {'p', 1229}, {'h', 1229}, {'i', 1229}, {'n', 1229}, {'x', 1229}, {' ', 1229}, {'a', 1229},
     {'d', 1229}, {'q', 1229}, {'u', 1229}, {'l', 1229}, {'t', 1229}, {'o', 1229}, {'f', 1229}, {'j', 1229},
     {'m', 1229}, {'k', 1229}}};
const Metrics kHelvetica{1000,
    {{'S', 667}, {'p', 556}, {'h', 556}, {'i', 222}, {'n', 556}, {'x', 500}, {' ', 278}, {'a', 556},
     {'d', 556}, {'q', 556}, {'u', 556}, {'l', 222}, {'t', 278}, {'o', 556}, {'f', 278}, {'j', 222},
     {'m', 833}, {'k', 500}}};

struct Substitute {
    const char* displayName;
    const char* family;  // as Pango names the resolved font
    const char* file;    // the carried file it comes from
    const Metrics* original;  // the named font's metrics, for the metric-compatible ones
};

const Substitute kSubstitutes[] = {
    {"Arial", "Liberation Sans", "LiberationSans-Regular.ttf", &kArial},
    {"Courier New", "Liberation Mono", "LiberationMono-Regular.ttf", &kCourierNew},
    {"Georgia", "Charis SIL", "CharisSIL-Regular.ttf", nullptr},
    {"Times New Roman", "Liberation Serif", "LiberationSerif-Regular.ttf", &kTimesNewRoman},
    {"Trebuchet MS", "PT Sans", "PTS55F.ttf", nullptr},
    {"Verdana", "DejaVu Sans", "DejaVuSans.ttf", nullptr},
    {"Zapfino", "Z003", "Z003-MediumItalic.otf", nullptr},
    {"Helvetica", "Nimbus Sans", "NimbusSans-Regular.otf", &kHelvetica},
    {"Helvetica Neue", "Nimbus Sans", "NimbusSans-Regular.otf", nullptr},
    {"American Typewriter", "Courier Prime", "Courier Prime.otf", nullptr},
    {"Baskerville", "Baskervald ADF Std", "BaskervaldADFStd.otf", nullptr},
    {"Cochin", "Accanthis ADF Std", "AccanthisADFStd-Regular.otf", nullptr},
    {"Futura", "League Spartan", "LeagueSpartan-Medium.otf", nullptr},
    {"Gill Sans", "Gillius ADF", "GilliusADF-Regular.otf", nullptr},
};

TNAttributedString sentenceIn(const char* displayName)
{
    TNAttributedString string;
    string.text = kSentence;
    string.attributes.fontName = StringTexture::fontNameForDisplayName(displayName);
    string.attributes.pointSize = kPointSize;
    return string;
}

// The sentence's width from the original's metrics, in pixels.
double publishedWidth(const Metrics& metrics)
{
    long units = 0;
    for (const char* c = kSentence; *c; ++c)
        units += metrics.advances.at(*c);
    return static_cast<double>(units) * kPointSize / metrics.unitsPerEm;
}

// The advance of every character of the sentence as the font file holds it
// (read with FreeType, in font units), against the original's.
void expectFileHasTheMetrics(const std::string& path, const Metrics& metrics)
{
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face = nullptr;
    ASSERT_EQ(FT_New_Face(library, path.c_str(), 0, &face), 0) << path;
    EXPECT_EQ(face->units_per_EM, metrics.unitsPerEm) << path;
    for (const auto& [character, advance] : metrics.advances) {
        ASSERT_EQ(FT_Load_Char(face, static_cast<FT_ULong>(character), FT_LOAD_NO_SCALE), 0);
        EXPECT_EQ(face->glyph->metrics.horiAdvance, advance) << path << " '" << character << "'";
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

std::string carriedFolder()
{
    return TNFontConfiguration::sharedFolder();
}

}  // namespace

TEST(FontSubstitution, EveryDisplayNameDrawsInItsCarriedFamily)
{
    ASSERT_NE(TNFontConfiguration::shared(), nullptr);
    ASSERT_FALSE(carriedFolder().empty());
    for (const Substitute& substitute : kSubstitutes) {
        const TNTextLayout layout(sentenceIn(substitute.displayName));
        ASSERT_TRUE(layout.isValid()) << substitute.displayName;
        EXPECT_EQ(layout.fontFamily(), substitute.family) << substitute.displayName;
        EXPECT_EQ(layout.fontFile(), carriedFolder() + "/" + substitute.file) << substitute.displayName;
        EXPECT_GT(layout.size().width, 0) << substitute.displayName;
    }
    // A name no display name gives falls back to the sans-serif family.
    TNAttributedString other = sentenceIn("Arial");
    other.attributes.fontName = "No Such Font";
    EXPECT_EQ(TNTextLayout(other).fontFamily(), "DejaVu Sans");
}

TEST(FontSubstitution, MetricCompatibleNamesAreAsWideAsTheOriginals)
{
    for (const Substitute& substitute : kSubstitutes) {
        if (!substitute.original)
            continue;
        expectFileHasTheMetrics(carriedFolder() + "/" + substitute.file, *substitute.original);
        // Pango positions glyphs in 1/1024 pixel: each advance may round by half of that.
        const double tolerance = 0.5 / 1024 * (sizeof kSentence - 1);
        EXPECT_NEAR(TNTextLayout(sentenceIn(substitute.displayName)).size().width,
                    publishedWidth(*substitute.original), tolerance)
            << substitute.displayName;
    }
}

TEST(FontSubstitution, OtherCopiesOfACarriedFamilyAreNotUsed)
{
    // A folder carrying only Liberation Sans: the system's copy (installed
    // with the same family name) is left out, so Arial is the carried file.
    TempDir folder;
    const std::string carried = carriedFolder();
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
