// The install rules, run into a temporary DESTDIR as `make install` and
// `make deb` run them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>

#include "TestSupport.h"

namespace fs = std::filesystem;
using tern_test::runCommand;
using tern_test::TempDir;

namespace {

class Install : public ::testing::Test {
protected:
    // One installation for the suite: the manual pages take a few seconds.
    static void SetUpTestSuite()
    {
        root_ = new TempDir();
        install_ = runCommand("DESTDIR=" + root_->path() + " cmake --install " TERN_BUILD_DIR
                              " --component tern --prefix /usr 2>&1");
    }
    static void TearDownTestSuite()
    {
        delete root_;
        root_ = nullptr;
    }
    void SetUp() override { ASSERT_EQ(install_.status, 0) << install_.out; }

    static std::string usr(const std::string& relative) { return root_->path() + "/usr/" + relative; }

    static TempDir* root_;
    static tern_test::CommandResult install_;
};

TempDir* Install::root_ = nullptr;
tern_test::CommandResult Install::install_;

bool isExecutableFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & S_IXOTH);
}

TEST_F(Install, PutsEveryFileUnderThePrefixAndAValidDesktopEntry)
{
    for (const char* program : {"tern-player", "tern-bundle", "tern-lua", "tern-luac"})
        EXPECT_TRUE(isExecutableFile(usr("bin/") + program)) << program;
    // The desktop entry is validated below, and the demo played by the next test.
    for (const char* file : {"share/icons/hicolor/256x256/apps/tern-player.png", "share/tern-player/intro-mac.mov",
                             "share/tern-player/fonts/tern-fonts.conf"})
        EXPECT_TRUE(fs::is_regular_file(usr(file))) << file;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root_->path()))
        EXPECT_EQ(entry.path().string().rfind(root_->path() + "/usr", 0), 0u) << entry.path();
    EXPECT_FALSE(fs::exists(usr("include"))) << "a library's headers were installed";
    EXPECT_FALSE(fs::exists(usr("lib"))) << "a library was installed";
    tern_test::CommandResult check =
        runCommand("desktop-file-validate " + usr("share/applications/tern-player.desktop") + " 2>&1");
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_EQ(check.out, "");
}

// Each page is the program's own --help: its options, under its bare name,
// with nothing of the Lua tools' complaint about --help or of the build path.
TEST_F(Install, ManualPagesHoldEachProgramsOptions)
{
    struct Page {
        const char* program;
        const char* title;
        const char* option;
    };
    for (const Page& page : {Page{"tern-player", ".TH TERN-PLAYER \"1\"", "\\-\\-frames"},
                             Page{"tern-bundle", ".TH TERN-BUNDLE \"1\"", "\\-\\-standalone"},
                             Page{"tern-lua", ".TH TERN-LUA \"1\"", "execute string"},
                             Page{"tern-luac", ".TH TERN-LUAC \"1\"", "output to file"}}) {
        tern_test::CommandResult text = runCommand("zcat " + usr("share/man/man1/") + page.program + ".1.gz");
        ASSERT_EQ(text.status, 0) << page.program;
        EXPECT_NE(text.out.find(page.title), std::string::npos) << page.program << "\n" << text.out;
        EXPECT_NE(text.out.find(page.option), std::string::npos) << page.program << "\n" << text.out;
        EXPECT_EQ(text.out.find("unrecognized"), std::string::npos) << page.program;
        EXPECT_EQ(text.out.find(TERN_BUILD_DIR), std::string::npos) << page.program;
    }
}

// Without a bundle the installed player plays the demo installed beside it.
TEST_F(Install, InstalledPlayerPlaysTheInstalledDemo)
{
    tern_test::CommandResult run = runCommand("timeout 120 " + usr("bin/tern-player") + " --headless --frames 5 2>&1");
    EXPECT_EQ(run.status, 0) << run.out;
}

} // namespace
