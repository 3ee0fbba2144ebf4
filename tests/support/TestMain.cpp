// The main() of every test binary: headless drivers for SDL video and audio
// and for OpenAL unless the environment already chose others, then the tests.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
