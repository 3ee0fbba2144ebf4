// Finding a game's files whose names differ from the names the game asks
// for in letter case or Unicode normalisation, inside the resolver's roots.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "TestSupport.h"
#include "files/TNPathResolver.h"

using namespace tern_test;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// "é" precomposed (NFC) and as "e" with a combining acute accent (NFD).
const std::string kCafeNFC = "caf\xC3\xA9";
const std::string kCafeNFD = "cafe\xCC\x81";

// Creates the file (and its folders) at dir/relative holding relative.
void makeFile(const TempDir& dir, const std::string& relative)
{
    const std::string path = dir.file(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    writeFile(path, relative);
}

class PathResolver : public testing::Test {
protected:
    void SetUp() override { resolver.addRoot(dir.path()); }

    // The file a game's relative name finds below the root, relative to the
    // root again (the asked name itself when the path is left as given).
    std::string found(const std::string& asked)
    {
        const std::string path = resolver.resolve(dir.file(asked));
        const std::string prefix = dir.path() + "/";
        return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
    }

    TempDir dir;
    TNPathResolver resolver;
};

}  // namespace

// Each file on disk is found by a name that differs from it in case, in
// normalisation, or in both, in any folder of its path.
TEST_F(PathResolver, FindsFilesIgnoringCaseAndNormalisation)
{
    const struct {
        std::string onDisk;
        std::string asked;
    } cases[] = {
        {"\xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1.txt", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1.TXT"},  // Σοφία, σοφία
        {"Stra\xC3\x9F" "e.png", "STRASSE.png"},                    // ß folds to ss
        {kCafeNFC + ".png", kCafeNFD + ".png"},
        {"Menu/" + kCafeNFD + "/Cup.png", "MENU/" + kCafeNFC + "/cup.PNG"},
        {"Level1/Sub Dir/\xC3\x9C" "ber/Last.Txt", "level1/SUB DIR/u\xCC\x88" "BER/last.txt"},
    };
    for (const auto& c : cases)
        makeFile(dir, c.onDisk);
    for (const auto& c : cases)
        EXPECT_EQ(found(c.asked), c.onDisk) << c.asked;
}

// The path as given whenever it exists or nothing matches it; exact names
// win over folded ones in every folder of the path.
TEST_F(PathResolver, ExactNamesWinAndMissingFilesStayAsAsked)
{
    makeFile(dir, "hero.png");
    makeFile(dir, "Hero.png");
    makeFile(dir, "Maps/level.txt");
    makeFile(dir, "maps/Other.txt");

    CaptureStderr();
    EXPECT_EQ(found("hero.png"), "hero.png");
    EXPECT_EQ(found("Hero.png"), "Hero.png");
    EXPECT_EQ(found("maps/other.txt"), "maps/Other.txt");
    EXPECT_EQ(found("Maps/LEVEL.txt"), "Maps/level.txt");
    // "maps" exists exactly, so "MAPS" is ambiguous but "maps/level.txt"
    // looks only in "maps", where there is no level.txt.
    EXPECT_EQ(found("maps/level.txt"), "maps/level.txt");
    EXPECT_EQ(found("Nowhere/hero.png"), "Nowhere/hero.png");
    EXPECT_EQ(found("hero.png/inside"), "hero.png/inside");
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(resolver.resolve(""), "");
}

// a.png and A.png asked for as A.PNG: the first name by byte order (A.png),
// with one line naming the asked name and both candidates, said once per
// asked path however often it is asked.
TEST_F(PathResolver, AnAmbiguousNameTakesTheFirstByByteOrderAndSaysSoOnce)
{
    makeFile(dir, "a.png");
    makeFile(dir, "A.png");
    CaptureStderr();
    EXPECT_EQ(found("A.PNG"), "A.png");
    EXPECT_EQ(found("A.PNG"), "A.png");
    const std::string said = GetCapturedStderr();
    EXPECT_EQ(said, "\"" + dir.file("A.PNG") + "\": several files in " + dir.path() +
                        " match \"A.PNG\" ignoring case (A.png, a.png); reading A.png, the first by byte order\n");

    CaptureStderr();
    EXPECT_EQ(found("a.PNG"), "A.png");
    EXPECT_EQ(found("a.png"), "a.png");
    const std::string another = GetCapturedStderr();
    EXPECT_NE(another.find("\"" + dir.file("a.PNG") + "\""), std::string::npos) << another;
    EXPECT_EQ(std::count(another.begin(), another.end(), '\n'), 1) << another;

    // The choice never depends on the order the folder lists its entries in.
    CaptureStderr();
    for (const char* name : {"aBc.txt", "ABc.txt", "abc.txt", "AbC.txt", "ABC.txt", "abC.txt", "aBC.txt", "Abc.txt"})
        makeFile(dir, name);
    EXPECT_EQ(found("abc.TXT"), "ABC.txt");
    EXPECT_NE(GetCapturedStderr().find("(ABC.txt, ABc.txt, AbC.txt, Abc.txt, aBC.txt, aBc.txt, abC.txt, abc.txt)"),
              std::string::npos);
}

// Names that are not valid UTF-8 are found only by their exact bytes, and
// never stand in for a valid name.
TEST_F(PathResolver, InvalidUtf8MatchesOnlyExactly)
{
    makeFile(dir, "bad\xFF.png");
    makeFile(dir, "Good.png");
    EXPECT_EQ(found("bad\xFF.png"), "bad\xFF.png");
    EXPECT_EQ(found("BAD\xFF.png"), "BAD\xFF.png");
    EXPECT_EQ(found("good\xFF.png"), "good\xFF.png");
    EXPECT_EQ(found("GOOD.png"), "Good.png");
}

// Outside every root a path is left exactly as given, even where a folded
// match exists next to it.
TEST_F(PathResolver, PathsOutsideTheRootsAreLeftAsGiven)
{
    TempDir outside;
    makeFile(outside, "Hero.png");
    EXPECT_EQ(resolver.resolve(outside.file("hero.png")), outside.file("hero.png"));
    EXPECT_EQ(resolver.resolveForWriting(outside.file("HERO.png")), outside.file("HERO.png"));
    // A root's neighbour whose name merely starts like it is outside too.
    const std::string neighbour = dir.path() + "-other";
    std::filesystem::create_directories(neighbour);
    writeFile(neighbour + "/Hero.png", "x");
    EXPECT_EQ(resolver.resolve(neighbour + "/hero.png"), neighbour + "/hero.png");
    std::filesystem::remove_all(neighbour);
    // A path that climbs out of the root with ".." is outside as well.
    makeFile(dir, "Inside.txt");
    EXPECT_EQ(found("sub/../inside.txt"), "Inside.txt");
    const std::string climbing = dir.file("../" + std::filesystem::path(outside.path()).filename().string() + "/hero.png");
    EXPECT_EQ(resolver.resolve(climbing), climbing);
}

// Relative paths are taken from the current folder, as the script's own
// file functions take them.
TEST_F(PathResolver, RelativePathsStartAtTheCurrentFolder)
{
    makeFile(dir, "Data/Notes.TXT");
    char* previous = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    const std::string path = resolver.resolve("data/notes.txt");
    const std::string dotted = resolver.resolve("./DATA/./notes.txt");
    const std::string missing = resolver.resolve("data/none.txt");
    ASSERT_EQ(chdir(previous), 0);
    std::free(previous);
    EXPECT_EQ(path, dir.file("Data/Notes.TXT"));
    EXPECT_EQ(dotted, dir.file("Data/Notes.TXT"));
    EXPECT_EQ(missing, "data/none.txt");
}

// For writing: the folder is found by folded names and a new file keeps the
// name the game gives it; an existing file of a folded name is the one
// written.
TEST_F(PathResolver, WritingFindsTheFolderAndKeepsANewName)
{
    makeFile(dir, "Saves/Slot1.txt");
    EXPECT_EQ(resolver.resolveForWriting(dir.file("saves/slot1.TXT")), dir.file("Saves/Slot1.txt"));
    EXPECT_EQ(resolver.resolveForWriting(dir.file("SAVES/New.txt")), dir.file("Saves/New.txt"));
    EXPECT_EQ(resolver.resolveForWriting(dir.file("Saves/New.txt")), dir.file("Saves/New.txt"));
    EXPECT_EQ(resolver.resolveForWriting(dir.file("Missing/New.txt")), dir.file("Missing/New.txt"));
    EXPECT_EQ(resolver.resolve(dir.file("SAVES/New.txt")), dir.file("SAVES/New.txt"));
}

// Listings are read once and used again while their folder is unchanged; a
// file the game writes later is found on the next look.
TEST_F(PathResolver, CachedListingsNoticeNewFiles)
{
    makeFile(dir, "Level/One.txt");
    EXPECT_EQ(found("level/one.txt"), "Level/One.txt");
    const size_t read = resolver.foldersRead();
    EXPECT_EQ(read, 2u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(found("LEVEL/ONE.TXT"), "Level/One.txt");
    EXPECT_EQ(resolver.foldersRead(), read);

    EXPECT_EQ(found("level/two.txt"), "level/two.txt");
    makeFile(dir, "Level/Two.txt");
    EXPECT_EQ(found("level/two.txt"), "Level/Two.txt");
    EXPECT_EQ(resolver.foldersRead(), read + 1);

    // A file renamed to another case is found under its new name.
    std::filesystem::rename(dir.file("Level/Two.txt"), dir.file("Level/TWO.txt"));
    EXPECT_EQ(found("level/two.txt"), "Level/TWO.txt");
}

// The cache keeps a bounded number of folders, dropping the least recently
// used; a dropped folder is read again when asked for.
TEST_F(PathResolver, TheCacheIsBounded)
{
    const size_t folders = TNPathResolver::kMaxCachedFolders + 8;
    for (size_t i = 0; i < folders; ++i)
        makeFile(dir, "F" + std::to_string(i) + "/X.txt");
    for (size_t i = 0; i < folders; ++i)
        ASSERT_EQ(found("f" + std::to_string(i) + "/x.txt"), "F" + std::to_string(i) + "/X.txt");
    // Every folder and the root were read once; the root stayed in use.
    EXPECT_EQ(resolver.foldersRead(), folders + 1);
    EXPECT_EQ(found("F" + std::to_string(folders - 1) + "/x.txt"), "F" + std::to_string(folders - 1) + "/X.txt");
    EXPECT_EQ(resolver.foldersRead(), folders + 1);
    EXPECT_EQ(found("F0/x.txt"), "F0/X.txt");
    EXPECT_EQ(resolver.foldersRead(), folders + 2);
}

// Two threads looking up files while a third adds more all find what they
// ask for.
TEST_F(PathResolver, ThreadsShareTheCache)
{
    for (int i = 0; i < 20; ++i)
        makeFile(dir, "Shared/Item" + std::to_string(i) + ".txt");
    std::atomic<int> failures{0};
    auto look = [&] {
        for (int round = 0; round < 50; ++round) {
            for (int i = 0; i < 20; ++i)
                failures += found("shared/ITEM" + std::to_string(i) + ".TXT") !=
                            "Shared/Item" + std::to_string(i) + ".txt";
        }
    };
    std::thread first(look);
    std::thread second(look);
    for (int i = 0; i < 50; ++i)
        makeFile(dir, "Shared/Added" + std::to_string(i) + ".txt");
    first.join();
    second.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(found("shared/added49.TXT"), "Shared/Added49.txt");
}
