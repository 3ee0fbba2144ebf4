#include "launch/TNQuitDeadline.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace {

volatile sig_atomic_t started = 0;
struct sigaction previousTerm;
struct sigaction previousInt;

// Only async-signal-safe calls from here on: the alarm may interrupt any
// thread anywhere.
void quitNow(int)
{
    static const char line[] = "tern-player: the game did not stop in time; quitting without it\n";
    ssize_t written = write(STDERR_FILENO, line, sizeof line - 1);
    (void)written;
    _exit(1);
}

void forward(int signal, const struct sigaction& previous)
{
    if (previous.sa_flags & SA_SIGINFO) {
        if (previous.sa_sigaction)
            previous.sa_sigaction(signal, nullptr, nullptr);
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN && previous.sa_handler) {
        previous.sa_handler(signal);
    } else if (previous.sa_handler == SIG_DFL) {
        _exit(128 + signal);
    }
}

void onQuitSignal(int signal)
{
    TNStartQuitDeadline();
    forward(signal, signal == SIGTERM ? previousTerm : previousInt);
}

void install(int signal, struct sigaction& previous)
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, &previous);
}

}  // namespace

void TNInstallQuitSignalHandlers()
{
    install(SIGTERM, previousTerm);
    install(SIGINT, previousInt);
}

void TNStartQuitDeadline()
{
    if (started)
        return;
    started = 1;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = quitNow;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    alarm(TNQuitGraceSeconds);
}

void TNCancelQuitDeadline()
{
    alarm(0);
}
