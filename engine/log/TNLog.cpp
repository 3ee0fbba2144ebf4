#include "log/TNLog.h"

#include <cstdarg>
#include <cstdio>
#include <string>

void TNLog(const char* format, ...)
{
    // Formatted first so that lines of different threads do not mix.
    va_list args;
    va_start(args, format);
    char buffer[1024];
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    std::string line;
    if (n >= static_cast<int>(sizeof buffer)) {
        line.resize(static_cast<size_t>(n) + 1);
        va_start(args, format);
        std::vsnprintf(&line[0], line.size(), format, args);
        va_end(args);
        line.resize(static_cast<size_t>(n));
    } else if (n > 0) {
        line.assign(buffer, static_cast<size_t>(n));
    }
    line += '\n';
    std::fputs(line.c_str(), stderr);
}
