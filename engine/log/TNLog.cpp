#include "log/TNLog.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

void writeLine(FILE* stream, const char* format, va_list args)
{
    va_list again;
    va_copy(again, args);
    char buffer[1024];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    std::string line;
    if (n >= static_cast<int>(sizeof buffer)) {
        line.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(&line[0], line.size(), format, again);
        line.resize(static_cast<size_t>(n));
    } else if (n > 0) {
        line.assign(buffer, static_cast<size_t>(n));
    }
    va_end(again);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stream);
    if (stream == stdout)
        std::fflush(stdout);
}

}  // namespace

void TNLog(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeLine(stderr, format, args);
    va_end(args);
}

void TNLogStdout(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeLine(stdout, format, args);
    va_end(args);
}
