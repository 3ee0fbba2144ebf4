// The exception thrown by a failed Box2D assertion instead of aborting, and
// the rule for assertions that must not throw.
#ifndef B2_EXCEPTION_H
#define B2_EXCEPTION_H

#include <stdexcept>
#include <string>

class b2Exception : public std::runtime_error {
public:
    b2Exception(const char* condition, const char* file, int line);

    const std::string& condition() const { return condition_; }
    const std::string& file() const { return file_; }
    int line() const { return line_; }

private:
    std::string condition_;
    std::string file_;
    int line_;
};

// A failed assertion throws b2Exception only when nothing else is unwinding
// and no b2AssertsPrintOnly scope is open on the thread. Otherwise (the
// destructors run while an earlier failure unwinds, or a destructor called
// on purpose) throwing would end the process: the line
// "<file>:<line> assertion failed <condition>" goes to the logger and Box2D
// carries on.
typedef void (*b2AssertLogger)(const char* line);

// Installs the logger of those lines; null restores the default, standard
// error.
void b2SetAssertLogger(b2AssertLogger logger);

// While one is alive on this thread, failed assertions print and return.
class b2AssertsPrintOnly {
public:
    b2AssertsPrintOnly();
    ~b2AssertsPrintOnly();
    b2AssertsPrintOnly(const b2AssertsPrintOnly&) = delete;
    b2AssertsPrintOnly& operator=(const b2AssertsPrintOnly&) = delete;
};

#endif
