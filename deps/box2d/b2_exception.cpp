#include "b2_exception.h"

#include <atomic>
#include <cstdio>
#include <exception>

namespace {

void logToStandardError(const char* line)
{
    std::fputs(line, stderr);
    std::fputc('\n', stderr);
}

std::atomic<b2AssertLogger> assertLogger{logToStandardError};
thread_local int printOnlyDepth = 0;

}  // namespace

b2Exception::b2Exception(const char* condition, const char* file, int line)
    : std::runtime_error(std::string(file) + ":" + std::to_string(line) + " assertion failed " + condition),
      condition_(condition),
      file_(file),
      line_(line)
{
}

void b2SetAssertLogger(b2AssertLogger logger)
{
    assertLogger.store(logger ? logger : logToStandardError);
}

b2AssertsPrintOnly::b2AssertsPrintOnly()
{
    ++printOnlyDepth;
}

b2AssertsPrintOnly::~b2AssertsPrintOnly()
{
    --printOnlyDepth;
}

// Called by Box2D's b2Assert when its condition is false.
void b2AssertFailed(const char* condition, const char* file, int line)
{
    b2Exception failure(condition, file, line);
    if (printOnlyDepth > 0 || std::uncaught_exceptions() > 0) {
        assertLogger.load()(failure.what());
        return;
    }
    throw failure;
}
