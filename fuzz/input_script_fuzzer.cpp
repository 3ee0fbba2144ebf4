// libFuzzer target for the scripted-input file: any text either parses or
// gives one reason naming the source and line; the events of a parsed file
// are handed out at most once, and none is left after the last frame.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "launch/TNInputScript.h"
#include "log/TNLog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    TNInputScript script;
    std::string error;
    if (!script.parse(text, "fuzz.input", error)) {
        if (error.find("fuzz.input") == std::string::npos || error.find('\n') != std::string::npos) {
            TNLog("input_script_fuzzer: reason not one line naming the source: %s", error.c_str());
            abort();
        }
        return 0;
    }
    const size_t total = script.size();
    size_t handed = 0;
    for (uint64_t frame : {uint64_t(0), uint64_t(1), uint64_t(1000), UINT64_MAX})
        handed += script.takeEventsForFrame(frame).size();
    if (handed > total || !script.empty()) {
        TNLog("input_script_fuzzer: %zu of %zu events handed out", handed, total);
        abort();
    }
    return 0;
}
