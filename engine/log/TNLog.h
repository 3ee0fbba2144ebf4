// One diagnostic line on standard error (a line end is added).
#ifndef TN_LOG_H
#define TN_LOG_H

void TNLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

#endif
