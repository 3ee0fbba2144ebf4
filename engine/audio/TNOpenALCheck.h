// Reporting of OpenAL errors. Every OpenAL call of the sound code is
// followed by one of these checks, which print a labelled line on standard
// output and otherwise change nothing.
#ifndef TN_OPENAL_CHECK_H
#define TN_OPENAL_CHECK_H

// Reads alGetError and, when it is set, prints
// "OpenAL error %d in call to %s\n". Returns true when an error was pending.
// Without a current context OpenAL has no error state to read (every call
// is a no-op then), so nothing is read and nothing is printed: a machine
// without sound output stays quiet after the manager's one report.
bool TNCheckALError(const char* label);

// Reads alcGetError of no particular device and, when it is set, prints
// "OpenAL context error %d in call to %s\n". Returns true on an error.
bool TNCheckALCError(const char* label);

// True while an OpenAL context is current on this thread.
bool TNHasCurrentALContext();

#endif
