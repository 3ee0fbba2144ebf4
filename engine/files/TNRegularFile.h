// Every file the player reads from a game bundle, a project folder or the
// save folder goes through here first. A FIFO, device or socket named like
// an image or a sound would block a plain open or read for ever (a FIFO
// until a writer comes, a terminal until a line is typed); these checks
// never block and refuse anything that is not a regular file.
//
// The openers find the file the way the game's own platform would, through
// TNPathResolver::shared() (letter case and Unicode form ignored inside the
// game's folders). The checks take the path as given: a reader that hands a
// name to a library resolves it first and gives both the same path.
#ifndef TN_REGULAR_FILE_H
#define TN_REGULAR_FILE_H

#include <cstdio>
#include <string>

// The reason given for a path that names something other than a regular
// file (after following symbolic links).
extern const char* const TNNotARegularFile;

// A descriptor open for reading on the regular file at path (resolved as
// above), or -1 with reason set: TNNotARegularFile, or "cannot be opened (<system reason>)".
int TNOpenRegularFile(const char* path, std::string& reason);

// The same as a stdio stream ("rb"); null with reason set.
FILE* TNOpenRegularFileStream(const char* path, std::string& reason);

// True when path names a regular file that can be opened for reading; for
// libraries that open files by name themselves (FFmpeg, libsndfile,
// libxml2, Lua's loader). False with reason set as above.
bool TNIsRegularFile(const char* path, std::string& reason);

// True when nothing is at path, or a regular file is; false with reason set
// for a directory, FIFO, device or socket (a file about to be created).
bool TNIsRegularFileOrMissing(const char* path, std::string& reason);

#endif
