// Special files (FIFOs, devices, folders) named like the files a game brings:
// every reader refuses them with one line instead of blocking for ever. A
// reader that blocked would hang its test until the test's time limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "audio/TNSoundDecoding.h"
#include "files/TNRegularFile.h"
#include "host/TNEngine.h"
#include "images/TNImageDecoding.h"
#include "lauxlib.h"
#include "media/TNMediaInput.h"
#include "music/TNMusicDecoder.h"

using namespace tern_test;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

// What one reader said about a path: its reason or printed lines.
using Reader = std::function<std::string(const std::string& path)>;

std::string decodeSound(const std::string& path)
{
    CaptureStdout();
    bool threw = false;
    try {
        TNDecodeSoundFile(path.c_str());
    } catch (int) {
        threw = true;
    }
    const std::string out = GetCapturedStdout();
    return threw ? out : "decoded";
}

std::string decodeImage(const std::string& path)
{
    std::string reason;
    SDL_Surface* surface = TNDecodeImageFile(path.c_str(), 4096, reason);
    return surface ? "decoded" : reason;
}

std::string openMusic(const std::string& path)
{
    std::string error;
    return TNMusicDecoder::open(path, error) ? "opened" : error;
}

std::string openMovie(const std::string& path)
{
    TNMediaInput input;
    return input.open(path, TNMediaInput::Kind::video) ? "opened" : input.error();
}

std::string loadScript(const std::string& path)
{
    lua_State* L = luaL_newstate();
    const int status = TN_LoadScriptFile(L, path.c_str());
    const std::string message = status == 0 ? "loaded" : lua_tostring(L, -1);
    lua_close(L);
    return message;
}

std::string extractArchive(const std::string& path)
{
    CaptureStderr();
    TN_ExtractGameAtPath(path.c_str());
    return GetCapturedStderr();
}

}  // namespace

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
        {dir.file("loop"), "cannot be opened (Too many levels of symbolic links)"},
    };
    for (const auto& c : refused) {
        reason.clear();
        EXPECT_EQ(TNOpenRegularFile(c.path.c_str(), reason), -1) << c.path;
        EXPECT_EQ(reason, c.reason) << c.path;
        reason.clear();
        EXPECT_FALSE(TNIsRegularFile(c.path.c_str(), reason)) << c.path;
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

// Through the engine: a FIFO as the engine script is a reported load error,
// as a document pgf.loadFile gives nil and the message, and as the saved
// values file every call goes on without it.
TEST(RegularFile, TheEngineGoesOnPastFifos)
{
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    TN_State* S = TN_NewState(0);
    CaptureStdout();
    CaptureStderr();
    TN_Init(S, fifo.c_str(), nullptr);
    const std::string said = GetCapturedStdout() + GetCapturedStderr();
    TN_DestroyState(S);
    EXPECT_NE(said.find("cannot open " + fifo + ": is not a regular file"), std::string::npos) << said;

    ScriptedEngine engine("function initEngine() end\n", fifo.c_str());
    CaptureStderr();
    engine.run("doc, message = pgf.loadFile('" + fifo + "')");
    engine.run("database.storeValueForKey(1, 'k'); loaded = database.loadValueForKey('k')");
    const std::string lines = GetCapturedStderr();
    EXPECT_EQ(engine.eval("doc"), "nil");
    EXPECT_EQ(engine.eval("message"), "pgf.loadFile: " + fifo + ": is not a regular file");
    EXPECT_EQ(engine.eval("loaded"), "nil");
    EXPECT_NE(lines.find("saved-values file " + fifo + ": is not a regular file"), std::string::npos) << lines;
}
