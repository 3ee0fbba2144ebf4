// libFuzzer target for archive extraction: every input is a game archive
// extracted into an empty folder, with small limits so that size bombs are
// refused quickly. Nothing may be written outside that folder.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "host/TNEngine.h"
#include "log/TNLog.h"

namespace {

const TNArchiveLimits kLimits = {
    4u * 1024 * 1024,  // unpacked bytes
    256,               // entries
    200,               // packing ratio
    64 * 1024,         // for entries over this
};

// scratch/out, the current folder while extracting; scratch/fuzz.zip lies
// outside it, and so does the canary a path escaping the folder would hit.
const std::string& outputFolder()
{
    static const std::string folder = [] {
        const std::string out = tern_fuzz::scratchFolder() + "/out";
        mkdir(out.c_str(), 0700);
        return out;
    }();
    return folder;
}

// True when the scratch folder holds anything but the archive and out.
bool wroteOutside()
{
    DIR* scratch = opendir(tern_fuzz::scratchFolder().c_str());
    if (!scratch)
        abort();
    bool outside = false;
    while (const dirent* entry = readdir(scratch)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name != "fuzz.zip" && name != "out")
            outside = true;
    }
    closedir(scratch);
    return outside;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string zip = tern_fuzz::writeScratchFile("fuzz.zip", data, size);
    const std::string& out = outputFolder();
    char previous[4096];
    if (!getcwd(previous, sizeof(previous)) || chdir(out.c_str()) != 0)
        abort();
    {
        tern_fuzz::Silenced quiet;
        TN_ExtractArchive(zip.c_str(), kLimits);
    }
    if (chdir(previous) != 0)
        abort();
    tern_fuzz::emptyFolder(out);
    if (wroteOutside()) {
        TNLog("archive_fuzzer: an entry was written outside the extraction folder");
        abort();
    }
    return 0;
}
