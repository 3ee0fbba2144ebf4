// Every reader of a game's files, and the script's own file functions, find
// a file whose name differs from the asked one in case or Unicode form when
// it lies inside the game's folders (only there: the resolver's tests).
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <filesystem>
#include <string>

#include "FileReaders.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "files/TNPathResolver.h"

using namespace tern_test;
using namespace tern_file_test;

namespace {

// "é" as "e" with a combining accent (as the Mac's older file system writes
// it), and precomposed (as a script's text usually holds it).
const std::string kNFD = "e\xCC\x81";
const std::string kNFC = "\xC3\xA9";

// The shared resolver with the test's folder as the game's only root.
class GameFiles : public testing::Test {
protected:
    void SetUp() override
    {
        TNPathResolver::shared().clear();
        TNPathResolver::shared().addRoot(dir.path());
    }
    void TearDown() override { TNPathResolver::shared().clear(); }

    TempDir dir;
};

}  // namespace

// Each reader opens its file by a name that differs in case and in the
// form of its accented letter.
TEST_F(GameFiles, EveryReaderFindsFoldedNames)
{
    std::filesystem::create_directories(dir.file("M" + kNFD + "dia"));
    const std::string folder = dir.file("M" + kNFD + "dia") + "/";
    SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_ABGR8888);
    ASSERT_EQ(IMG_SavePNG(image, (folder + "Picture.PNG").c_str()), 0);
    SDL_FreeSurface(image);
    ASSERT_EQ(runCommand("sox -n -r 8000 '" + folder + "Tone.WAV' synth 0.1 sine 440").status, 0);
    ASSERT_EQ(runCommand("sox -n -r 8000 '" + folder + "Music.OGG' synth 0.2 sine 440").status, 0);
    std::filesystem::copy_file(std::string(TERN_SOURCE_DIR) + "/player/intro/Resources/intro-mac.mov",
                               folder + "Intro-Mac.MOV");
    writeFile(folder + "Engine64.LUO", "x = 1\n");

    const struct {
        const char* name;
        Reader read;
    } readers[] = {
        {"picture.png", decodeImage},   {"tone.wav", openSoundFile}, {"TONE.wav", openConvertingReader},
        {"music.ogg", openMusic},       {"intro-mac.mov", openMovie}, {"engine64.luo", loadScript},
    };
    for (const auto& r : readers)
        EXPECT_EQ(r.read(dir.file("m" + kNFC + "DIA/") + r.name), "read") << r.name;
}

// io.open, io.lines, dofile, loadfile and pgf.loadFile read folded names;
// io.open and pgf's writer make a new file in the folder found by its
// folded name, or write the existing file a folded name finds.
TEST_F(GameFiles, TheScriptsOwnFileFunctionsFindFoldedNames)
{
    std::filesystem::create_directories(dir.file("Data"));
    writeFile(dir.file("Data/Notes.TXT"), "first\nsecond\n");
    writeFile(dir.file("Data/Chunk.lua"), "return 'chunk ran'\n");
    writeFile(dir.file("Data/Caf" + kNFD + ".xml"), "<menu title=\"ok\"/>");
    std::filesystem::create_directories(dir.file("Saves"));
    writeFile(dir.file("Saves/Slot.txt"), "old");

    ScriptedEngine engine("function initEngine() end\n");
    const std::string root = dir.path();
    engine.run("root = '" + root + "'");
    engine.run("local f = io.open(root .. '/data/notes.txt'); notes = f:read('*a'); f:close()");
    EXPECT_EQ(engine.eval("notes"), "first\nsecond\n");
    engine.run("lines = {}; for l in io.lines(root .. '/DATA/NOTES.txt') do lines[#lines + 1] = l end");
    EXPECT_EQ(engine.eval("table.concat(lines, ',')"), "first,second");
    EXPECT_EQ(engine.eval("dofile(root .. '/data/chunk.LUA')"), "chunk ran");
    EXPECT_EQ(engine.eval("loadfile(root .. '/data/CHUNK.lua')()"), "chunk ran");
    engine.run("doc = pgf.loadFile(root .. '/DATA/caf" + kNFC + ".XML')");
    EXPECT_EQ(engine.eval("doc and doc.title"), "ok");

    engine.run("local f = io.open(root .. '/saves/New.txt', 'w'); f:write('new'); f:close()");
    EXPECT_EQ(readFile(dir.file("Saves/New.txt")), "new");
    engine.run("local f = io.open(root .. '/SAVES/slot.TXT', 'a+'); f:write('+more'); f:close()");
    EXPECT_EQ(readFile(dir.file("Saves/Slot.txt")), "old+more");
    engine.run("local w = pgf.writer.newToFile(root .. '/SAVES/Doc.xml'); w:startDocument(); "
               "w:startElement('doc'); w:endElement(); w:endDocument(); w:close()");
    EXPECT_NE(readFile(dir.file("Saves/Doc.xml")).find("<doc"), std::string::npos);

    // Missing files keep Lua's own answers, naming the path as asked.
    engine.run("none, message = io.open(root .. '/data/none.txt')");
    EXPECT_EQ(engine.eval("message"), root + "/data/none.txt: No such file or directory");
    EXPECT_NE(engine.errorOf("dofile(root .. '/data/none.lua')").find(root + "/data/none.lua"), std::string::npos);
    // Arguments that are not paths pass through untouched.
    EXPECT_NE(engine.errorOf("io.open(nil)").find("bad argument #1 to 'open' (string expected, got nil)"),
              std::string::npos);
    EXPECT_NE(engine.errorOf("io.lines({})").find("bad argument #1 to 'lines'"), std::string::npos);
    EXPECT_EQ(engine.eval("type(io.open(root .. '/Data/Notes.TXT', 'rb'))"), "userdata");
}
