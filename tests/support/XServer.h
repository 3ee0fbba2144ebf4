// A private X server for tests and benchmarks: Xvfb on a free display
// (1024 x 768, 24 bits), optionally with the openbox window manager, and
// input injected with xdotool. DISPLAY is set while it runs.
#ifndef TERN_X_SERVER_H
#define TERN_X_SERVER_H

#include <sys/types.h>

#include <string>

namespace tern_test {

class XServer {
public:
    explicit XServer(bool withWindowManager);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // False, with error() telling why, when Xvfb did not start.
    bool ok() const { return xvfb_ > 0; }
    const std::string& error() const { return error_; }
    const std::string& display() const { return display_; }

    // Runs xdotool with the given arguments (split on spaces); true on
    // exit status 0.
    bool xdotool(const std::string& arguments) const;

private:
    pid_t xvfb_ = -1;
    pid_t windowManager_ = -1;
    std::string display_;
    std::string previousDisplay_;
    bool hadDisplay_ = false;
    std::string error_;
};

}  // namespace tern_test

#endif
