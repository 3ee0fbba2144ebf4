// Each reader of a game's files, opening one path: "read" when it could,
// else its reason (or the lines it printed).
#ifndef TERN_FILE_READERS_H
#define TERN_FILE_READERS_H

#include <functional>
#include <string>

namespace tern_file_test {

using Reader = std::function<std::string(const std::string& path)>;

std::string decodeImage(const std::string& path);
std::string decodeSound(const std::string& path);
std::string openSoundFile(const std::string& path);
std::string openConvertingReader(const std::string& path);
std::string openMusic(const std::string& path);
std::string openMovie(const std::string& path);
std::string loadScript(const std::string& path);
std::string extractArchive(const std::string& path);

}  // namespace tern_file_test

#endif
