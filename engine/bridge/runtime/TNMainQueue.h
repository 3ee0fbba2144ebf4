// Work scheduled for the main thread without waiting. Any thread may
// schedule; the main thread's event loop runs what is pending with
// runPending() once per iteration, and is woken when work arrives.
#ifndef TN_MAIN_QUEUE_H
#define TN_MAIN_QUEUE_H

#include <functional>

namespace TNMainQueue {

void perform(std::function<void()> work);
// Called after each perform(), from the performing thread: the main
// thread's loop sets it to end its wait. None by default.
void setWakeUp(std::function<void()> wakeUp);
// Runs the work scheduled so far, in order; returns how many ran. Work
// scheduled meanwhile waits for the next call.
int runPending();

}  // namespace TNMainQueue

#endif
