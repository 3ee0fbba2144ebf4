// Watches the calls made into the script by name (update, render, the
// input handlers, project:load...). A call that has not returned after
// TNStuckCallSeconds gets one line on standard error naming it, once per
// call: a script looping for ever otherwise shows nothing at all.
#ifndef TN_SCRIPT_CALL_WATCH_H
#define TN_SCRIPT_CALL_WATCH_H

#include <string>

const int TNStuckCallSeconds = 5;

// Marks one call into the script for as long as it lives. Only the
// outermost call of a thread is watched: calls the script makes back into
// itself through the host count as part of it.
class TNScriptCallWatch {
public:
    explicit TNScriptCallWatch(const char* name, const char* method = nullptr);
    ~TNScriptCallWatch();
    TNScriptCallWatch(const TNScriptCallWatch&) = delete;
    TNScriptCallWatch& operator=(const TNScriptCallWatch&) = delete;

private:
    bool outermost_;
};

#endif
