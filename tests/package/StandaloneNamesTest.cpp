// The rules a game folder is made by: its file names, reading ldd's report,
// and which libraries stay the system's.
#include <gtest/gtest.h>

#include "bundle/TNSharedLibraries.h"
#include "bundle/TNStandaloneMaker.h"

namespace {

TEST(StandaloneName, IsTheGameNameMadeSafeForAFile)
{
    struct Case {
        const char* gameName;
        const char* expected;
    };
    for (const Case& c : {Case{"MyGame", "MyGame"}, Case{"Tern Breakout", "Tern-Breakout"},
                          Case{"  Space  / Race!  ", "Space-Race"}, Case{"v1.2_final-cut", "v1.2_final-cut"},
                          Case{"../../etc", "etc"}, Case{"Æsir ★", "sir"}, Case{"", "game"}, Case{"***", "game"},
                          Case{"a\nb\"c$d", "a-b-c-d"}})
        EXPECT_EQ(TNStandaloneName(c.gameName), c.expected) << c.gameName;
}

TEST(LddReport, GivesEachLibraryWithWhereItWasFound)
{
    std::vector<TNSharedLibrary> libraries = TNParseLddOutput(
        "\tlinux-vdso.so.1 (0x00007ffc3d9e5000)\n"
        "\tlibSDL2-2.0.so.0 => /lib/x86_64-linux-gnu/libSDL2-2.0.so.0 (0x00007f4f1a000000)\n"
        "\tlibmissing.so.3 => not found\n"
        "\tlibodd name.so.1 => /opt/my libs/libodd name.so.1 (0x00007f4f19c00000)\n"
        "\t/lib64/ld-linux-x86-64.so.2 (0x00007f4f1b1f0000)\n"
        "\n");
    std::string found;
    for (const TNSharedLibrary& library : libraries)
        found += library.soname + " at " + library.path + "\n";
    EXPECT_EQ(found, "libSDL2-2.0.so.0 at /lib/x86_64-linux-gnu/libSDL2-2.0.so.0\nlibmissing.so.3 at \n"
                     "libodd name.so.1 at /opt/my libs/libodd name.so.1\n"
                     "ld-linux-x86-64.so.2 at /lib64/ld-linux-x86-64.so.2\n");
}

TEST(SystemLibrary, IsTheCLibraryGraphicsWindowsSoundAndFonts)
{
    for (const char* soname : {"libc.so.6", "libm.so.6", "ld-linux-x86-64.so.2", "libstdc++.so.6", "libgcc_s.so.1",
                               "libGL.so.1", "libGLX.so.0", "libGLdispatch.so.0", "libEGL.so.1", "libdrm.so.2",
                               "libgbm.so.1", "libX11.so.6", "libXext.so.6", "libxcb.so.1", "libxcb-randr.so.0",
                               "libwayland-client.so.0", "libxkbcommon.so.0", "libasound.so.2", "libpulse.so.0",
                               "libpulsecommon-16.1.so", "libfontconfig.so.1", "libfreetype.so.6"})
        EXPECT_TRUE(TNIsSystemLibrary(soname)) << soname;
    for (const char* soname : {"libSDL2-2.0.so.0", "libopenal.so.1", "libavcodec.so.59", "libsqlite3.so.0",
                               "libxml2.so.2", "libcairo.so.2", "libpango-1.0.so.0", "libyajl.so.2",
                               "libcrypto.so.3", "libminizip.so.1", "libva.so.2", "libx264.so.164", "libsndio.so.7.0",
                               "libdecor-0.so.0", "libc"})
        EXPECT_FALSE(TNIsSystemLibrary(soname)) << soname;
}

} // namespace
