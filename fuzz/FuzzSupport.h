// Shared by the libFuzzer targets: a scratch folder for inputs that must be
// files, and silencing of the one-line reports a bad input prints by design.
#ifndef TERN_FUZZ_SUPPORT_H
#define TERN_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace tern_fuzz {

// A folder of this process under the system's temporary folder, made on
// first use and removed with everything in it at exit.
const std::string& scratchFolder();

// Writes size bytes to scratchFolder()/name (replacing it) and returns its
// path; aborts when the file cannot be written.
std::string writeScratchFile(const std::string& name, const uint8_t* data, size_t size);

// Removes everything below folder, keeping folder itself.
void emptyFolder(const std::string& folder);

// While alive, standard output and standard error go to /dev/null (unless
// TERN_FUZZ_VERBOSE is set), so that expected failure lines do not slow
// fuzzing down. A report printed meanwhile (a sanitizer's, or libFuzzer's
// out-of-memory and timeout) is lost with them unless libFuzzer runs with
// -close_fd_mask=3, which gives both their own copy of standard error, as
// make fuzz does.
class Silenced {
public:
    Silenced();
    ~Silenced();
    Silenced(const Silenced&) = delete;
    Silenced& operator=(const Silenced&) = delete;

private:
    int savedOut_ = -1;
    int savedErr_ = -1;
};

}  // namespace tern_fuzz

#endif
