#include "host/TNDate.h"

#include <chrono>
#include <mutex>

// A monotonic clock keeps the time from running backwards when the wall
// clock is adjusted.
float TNDate::getTimeAsFloat()
{
    using Clock = std::chrono::steady_clock;
    static std::once_flag once;
    static Clock::time_point start;

    bool firstRead = false;
    std::call_once(once, [&] {
        start = Clock::now();
        firstRead = true;
    });
    if (firstRead)
        return 0.0f;
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    return static_cast<float>(elapsed.count());
}
