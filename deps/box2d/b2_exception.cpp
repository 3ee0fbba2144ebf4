#include "b2_exception.h"

b2Exception::b2Exception(const char* condition, const char* file, int line)
    : std::runtime_error(std::string(file) + ":" + std::to_string(line) + " assertion failed " + condition),
      condition_(condition),
      file_(file),
      line_(line)
{
}

// Called by Box2D's b2Assert when its condition is false.
void b2AssertFailed(const char* condition, const char* file, int line)
{
    throw b2Exception(condition, file, line);
}
