// Special files (FIFOs, devices, folders) named like the files a game brings:
// every reader refuses them with one line instead of blocking for ever. A
// reader that blocked would hang its test until the test's time limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "FileReaders.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "files/TNRegularFile.h"

using namespace tern_test;
using namespace tern_file_test;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

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
    EXPECT_EQ(engine.eval("doc"), "nil");
    EXPECT_EQ(engine.eval("message"), "pgf.loadFile: " + fifo + ": is not a regular file");
    EXPECT_EQ(engine.eval("loaded"), "nil");
    EXPECT_NE(lines.find("saved-values file " + fifo + ": is not a regular file"), std::string::npos) << lines;
}
