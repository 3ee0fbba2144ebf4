// The one path for diagnostic lines. Each call writes one whole line (the
// line end is added), formatted first so that lines of different threads
// never mix. Most lines go to standard error; lines the engine has always
// printed on standard output keep that stream, since players, tools and
// tests read them there.
#ifndef TN_LOG_H
#define TN_LOG_H

// One line on standard error.
void TNLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// One line on standard output (flushed, so it keeps its place among the
// lines of standard error).
void TNLogStdout(const char* format, ...) __attribute__((format(printf, 1, 2)));

#endif
