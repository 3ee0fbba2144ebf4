// Why the player stopped before its game ran. The reason always goes to
// standard error as one line; a person who started the player from a
// desktop launcher has no terminal showing that, so then the same reason is
// also shown in a message box, which the player waits on before it quits.
#ifndef TN_FAILURE_ALERT_H
#define TN_FAILURE_ALERT_H

#include <SDL.h>

#include <string>

struct TNPlayerOptions;

// The message box's title.
extern const char* const TNFailureAlertTitle;

// Whether the reason also goes to a message box: not when standard error is
// a terminal, not for runs a program drives (--headless, --frames, --input,
// --screenshot), and not on SDL's video drivers without a screen
// (offscreen, dummy). videoDriver names the driver SDL uses or will use,
// null when SDL chooses.
bool TNFailureAlertWanted(const TNPlayerOptions& options, bool stderrIsTerminal, const char* videoDriver);

// Prints "tern-player: REASON" on standard error and, when wanted for this
// process, shows REASON in a message box over window (may be null) until
// it is dismissed (main thread).
void TNReportLaunchFailure(const std::string& reason, const TNPlayerOptions& options, SDL_Window* window);

#endif
