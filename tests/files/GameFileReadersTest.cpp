// Every reader of a game's files, and the script's own file functions: each
// finds a file whose name differs from the asked one in case or Unicode form
// when it lies inside the game's folders (only there: the resolver's tests),
// and refuses special files (FIFOs, devices, folders) named like the files a
// game brings with one line instead of blocking for ever. A reader that
// blocked would hang its test until the test's time limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <SDL.h>
#include <SDL_image.h>

#include <filesystem>
#include <functional>
#include <string>

#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "audio/TNAudioFile.h"
#include "audio/TNConvertingAudioReader.h"
#include "audio/TNSoundDecoding.h"
#include "files/TNPathResolver.h"
#include "files/TNRegularFile.h"
#include "host/TNEngine.h"
#include "images/TNImageDecoding.h"
#include "lauxlib.h"
#include "media/TNMediaInput.h"
#include "music/TNMusicDecoder.h"

using namespace tern_test;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// Each reader opening one path: "read" when it could, else its reason (or
// the lines it printed).
using Reader = std::function<std::string(const std::string& path)>;

std::string decodeImage(const std::string& path)
{
    std::string reason;
    SDL_Surface* surface = TNDecodeImageFile(path.c_str(), 4096, reason);
    SDL_FreeSurface(surface);
    return surface ? "read" : reason;
}

// The decoder prints its reason and throws.
std::string decodeSound(const std::string& path)
{
    testing::internal::CaptureStdout();
    bool threw = false;
    try {
        TNDecodeSoundFile(path.c_str());
    } catch (int) {
        threw = true;
    }
    const std::string out = testing::internal::GetCapturedStdout();
    return threw ? out : "read";
}

std::string openSoundFile(const std::string& path)
{
    TNAudioFile file;
    return file.open(path.c_str()) ? "read" : file.error();
}

std::string openConvertingReader(const std::string& path)
{
    TNConvertingAudioReader reader;
    return reader.open(path.c_str()) ? "read" : reader.error();
}

std::string openMusic(const std::string& path)
{
    std::string error;
    return TNMusicDecoder::open(path, error) ? "read" : error;
}

std::string openMovie(const std::string& path)
{
    TNMediaInput input;
    return input.open(path, TNMediaInput::Kind::video) ? "read" : input.error();
}

std::string loadScript(const std::string& path)
{
    lua_State* L = luaL_newstate();
    const int status = TN_LoadScriptFile(L, path.c_str());
    const std::string said = status == 0 ? "read" : lua_tostring(L, -1);
    lua_close(L);
    return said;
}

// The lines the extractor printed.
std::string extractArchive(const std::string& path)
{
    testing::internal::CaptureStderr();
    TN_ExtractGameAtPath(path.c_str());
    return testing::internal::GetCapturedStderr();
}

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
// folded name.
TEST_F(GameFiles, TheScriptsOwnFileFunctionsFindFoldedNames)
{
    std::filesystem::create_directories(dir.file("Data"));
    writeFile(dir.file("Data/Notes.TXT"), "first\nsecond\n");
    writeFile(dir.file("Data/Chunk.lua"), "return 'chunk ran'\n");
    writeFile(dir.file("Data/Caf" + kNFD + ".xml"), "<menu title=\"ok\"/>");
    std::filesystem::create_directories(dir.file("Saves"));

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
    engine.run("local w = pgf.writer.newToFile(root .. '/SAVES/Doc.xml'); w:startDocument(); "
               "w:startElement('doc'); w:endElement(); w:endDocument(); w:close()");
    EXPECT_NE(readFile(dir.file("Saves/Doc.xml")).find("<doc"), std::string::npos);

    // Missing files keep Lua's own answers, naming the path as asked.
    engine.run("none, message = io.open(root .. '/data/none.txt')");
    EXPECT_EQ(engine.eval("message"), root + "/data/none.txt: No such file or directory");
    // Arguments that are not paths pass through untouched.
    EXPECT_NE(engine.errorOf("io.open(nil)").find("bad argument #1 to 'open' (string expected, got nil)"),
              std::string::npos);
    EXPECT_NE(engine.errorOf("io.lines({})").find("bad argument #1 to 'lines'"), std::string::npos);
}

TEST(RegularFile, OpensOnlyRegularFilesAndSaysWhy)
{
    TempDir dir;
    writeFile(dir.file("plain"), "abc");
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink("loop", dir.file("loop").c_str()), 0);

    std::string reason;
    FILE* file = TNOpenRegularFileStream(dir.file("plain").c_str(), reason);
    ASSERT_NE(file, nullptr) << reason;
    char bytes[4] = {};
    EXPECT_EQ(std::fread(bytes, 1, 4, file), 3u);
    EXPECT_EQ(std::string(bytes), "abc");
    // The descriptor blocks again once open, as a plain open would.
    EXPECT_EQ(fcntl(fileno(file), F_GETFL) & O_NONBLOCK, 0);
    std::fclose(file);

    const struct {
        std::string path;
        const char* reason;
    } refused[] = {
        {dir.file("fifo"), "is not a regular file"},
        {dir.path(), "is not a regular file"},
        {"/dev/null", "is not a regular file"},
        {dir.file("absent"), "cannot be opened (No such file or directory)"},
    };
    for (const auto& c : refused) {
        reason.clear();
        EXPECT_EQ(TNOpenRegularFile(c.path.c_str(), reason), -1) << c.path;
        EXPECT_EQ(reason, c.reason) << c.path;
    }

    // A file about to be created may be missing, but not be a FIFO.
    EXPECT_TRUE(TNIsRegularFileOrMissing(dir.file("absent").c_str(), reason));
    EXPECT_TRUE(TNIsRegularFileOrMissing(dir.file("plain").c_str(), reason));
    EXPECT_FALSE(TNIsRegularFileOrMissing(dir.file("fifo").c_str(), reason));
    EXPECT_EQ(reason, "is not a regular file");
    EXPECT_FALSE(TNIsRegularFileOrMissing(dir.file("loop").c_str(), reason));
}

// Each reader of the engine, handed a FIFO, returns at once with its usual
// failure naming the cause.
TEST(RegularFile, EveryReaderRefusesAFifo)
{
    const struct {
        const char* name;
        Reader read;
        const char* words;
    } readers[] = {
        {"picture.png", decodeImage, "is not a regular file"},
        {"sound.ogg", decodeSound, "Cannot open sound file"},
        {"sound.wav", decodeSound, "Cannot read sound file"},
        {"sound.caf", decodeSound, "Cannot read sound file"},
        {"music.mp3", openMusic, "is not a regular file"},
        {"intro-mac.mov", openMovie, "is not a regular file"},
        {"engine64.luo", loadScript, "is not a regular file"},
        {"game.zip", extractArchive, "TN_ExtractGameAtPath: cannot open archive"},
    };
    TempDir dir;
    for (const auto& r : readers) {
        const std::string path = dir.file(r.name);
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0) << r.name;
        const std::string said = r.read(path);
        EXPECT_NE(said.find(r.words), std::string::npos) << r.name << ": " << said;
        EXPECT_NE(said.find("is not a regular file"), std::string::npos) << r.name << ": " << said;
    }
}

// Through the engine (the engine script: the readers' test): a FIFO as a
// document pgf.loadFile gives nil and the message, and as the saved values
// file every call goes on without it.
TEST(RegularFile, TheEngineGoesOnPastFifos)
{
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    ScriptedEngine engine("function initEngine() end\n", fifo.c_str());
    CaptureStderr();
    engine.run("doc, message = pgf.loadFile('" + fifo + "')");
    engine.run("database.storeValueForKey(1, 'k'); loaded = database.loadValueForKey('k')");
    const std::string lines = GetCapturedStderr();
    EXPECT_EQ(engine.eval("message"), "pgf.loadFile: " + fifo + ": is not a regular file");
    EXPECT_EQ(engine.eval("loaded"), "nil");
    EXPECT_NE(lines.find("saved-values file " + fifo + ": is not a regular file"), std::string::npos) << lines;
}
