// Quitting always ends the process, whatever the game does. Once a quit
// starts (SIGTERM, SIGINT, closing the window, the game's own end) the
// player waits for the game to stop for at most TNQuitGraceSeconds; a
// script that never returns is then left behind with one line on standard
// error, and the process exits with status 1.
#ifndef TN_QUIT_DEADLINE_H
#define TN_QUIT_DEADLINE_H

const unsigned TNQuitGraceSeconds = 3;

// After SDL is started (it turns SIGTERM and SIGINT into a quit request):
// those signals still reach SDL and also start the deadline, so a quit
// comes through even when the main loop itself is held up.
void TNInstallQuitSignalHandlers();

// Starts the deadline, when it has not started yet.
void TNStartQuitDeadline();
// Called once the game has stopped: the rest of the quit takes its time.
void TNCancelQuitDeadline();

#endif
