// Runs another program with an argument vector (never through a shell) and
// collects what it writes on standard output.
#ifndef TN_PROGRAM_H
#define TN_PROGRAM_H

#include <string>
#include <vector>

// Runs arguments[0], found on PATH, with the arguments, and waits for it.
// Its standard output goes to output when given (else it is discarded);
// standard error stays the caller's. Returns true when it exited with
// status 0; otherwise false with a one-line reason naming the program.
bool TNRunProgram(const std::vector<std::string>& arguments, std::string* output, std::string& error);

// Whether a program of that name is on PATH.
bool TNProgramExists(const std::string& name);

#endif
