#include "FileReaders.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include "audio/TNAudioFile.h"
#include "audio/TNConvertingAudioReader.h"
#include "audio/TNSoundDecoding.h"
#include "host/TNEngine.h"
#include "images/TNImageDecoding.h"
#include "lauxlib.h"
#include "media/TNMediaInput.h"
#include "music/TNMusicDecoder.h"

namespace tern_file_test {

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

}  // namespace tern_file_test
