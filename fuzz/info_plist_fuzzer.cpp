// libFuzzer target for the Info.plist reader: every input is the Info.plist
// of a bundle opened with TNBundle::open, which either opens it or gives one
// line of reason.
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "bundle/TNBundle.h"
#include "log/TNLog.h"

namespace {

// Fuzz.app with its resource folder, made once.
const std::string& bundleFolder()
{
    static const std::string folder = [] {
        const std::string app = tern_fuzz::scratchFolder() + "/Fuzz.app";
        mkdir(app.c_str(), 0700);
        mkdir((app + "/Contents").c_str(), 0700);
        mkdir((app + "/Contents/Resources").c_str(), 0700);
        return app;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& app = bundleFolder();
    tern_fuzz::writeScratchFile("Fuzz.app/Contents/Info.plist", data, size);
    std::string error;
    std::optional<TNBundle> bundle;
    {
        tern_fuzz::Silenced quiet;
        bundle = TNBundle::open(app, error);
    }
    if (!bundle) {
        if (error.empty() || error.find('\n') != std::string::npos) {
            TNLog("info_plist_fuzzer: reason not one line: %s", error.c_str());
            abort();
        }
        return 0;
    }
    bundle->bundleName();
    bundle->infoString("CFBundleName");
    bundle->infoBool("UIStatusBarHidden");
    return 0;
}
