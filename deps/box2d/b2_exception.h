// The exception thrown by a failed Box2D assertion instead of aborting.
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

#endif
