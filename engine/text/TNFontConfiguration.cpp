#include "text/TNFontConfiguration.h"

#include <fontconfig/fontconfig.h>
#include <glib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "log/TNLog.h"

namespace fs = std::filesystem;

namespace {

std::string programFolder()
{
    std::error_code code;
    const fs::path self = fs::read_symlink("/proc/self/exe", code);
    return code ? std::string() : self.parent_path().string();
}

bool isFontFile(const fs::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".ttf" || extension == ".otf" || extension == ".ttc" || extension == ".pfb";
}

// The font files directly in folder, by name.
std::vector<std::string> fontFilesIn(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code code;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, code)) {
        if (entry.is_regular_file(code) && isFontFile(entry.path()))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string escaped(const std::string& text)
{
    gchar* markup = g_markup_escape_text(text.c_str(), static_cast<gssize>(text.size()));
    std::string result(markup);
    g_free(markup);
    return result;
}

// What the configuration file cannot know: the folder it is in. Its font
// files are added and accepted (the file rejects other copies of their
// families by name), and the user's cache folder comes before the system's.
std::string folderConfiguration(const std::string& folder)
{
    std::string xml = "<?xml version=\"1.0\"?>\n<fontconfig>\n";
    xml += "  <cachedir>" + escaped(std::string(g_get_user_cache_dir()) + "/fontconfig") + "</cachedir>\n";
    xml += "  <dir>" + escaped(folder) + "</dir>\n";
    xml += "  <selectfont><acceptfont>\n";
    for (const std::string& file : fontFilesIn(folder))
        xml += "    <pattern><patelt name=\"file\"><string>" + escaped(file) + "</string></patelt></pattern>\n";
    xml += "  </acceptfont></selectfont>\n</fontconfig>\n";
    return xml;
}

struct SharedConfiguration {
    FcConfig* config = nullptr;
    std::string folder;
};

SharedConfiguration loadShared()
{
    SharedConfiguration shared;
    const std::string program = programFolder();
    std::string folder = TNFontConfiguration::findFolder(program);
#ifdef TERN_BUILD_FONTS_DIR
    if (folder.empty() && access(TERN_BUILD_FONTS_DIR "/tern-fonts.conf", R_OK) == 0)
        folder = TERN_BUILD_FONTS_DIR;
#endif
    if (folder.empty()) {
        TNLog("text: no %s in share/fonts beside or above %s; the system's fonts are used",
              TNFontConfiguration::kFileName, program.c_str());
        return shared;
    }
    shared.config = TNFontConfiguration::load(folder);
    if (shared.config)
        shared.folder = folder;
    return shared;
}

const SharedConfiguration& sharedConfiguration()
{
    static std::once_flag once;
    static SharedConfiguration shared;
    std::call_once(once, [] { shared = loadShared(); });
    return shared;
}

}  // namespace

FcConfig* TNFontConfiguration::shared()
{
    return sharedConfiguration().config;
}

std::string TNFontConfiguration::sharedFolder()
{
    return sharedConfiguration().folder;
}

std::vector<std::string> TNFontConfiguration::candidateFolders(const std::string& programFolder)
{
    const fs::path program(programFolder);
    return {(program / "share" / "fonts").string(), (program.parent_path() / "share" / "fonts").string(),
            (program.parent_path() / "share" / "tern-player" / "fonts").string()};
}

std::string TNFontConfiguration::findFolder(const std::string& programFolder)
{
    if (programFolder.empty())
        return std::string();
    for (const std::string& folder : candidateFolders(programFolder)) {
        if (access((folder + "/" + kFileName).c_str(), R_OK) == 0)
            return folder;
    }
    return std::string();
}

FcConfig* TNFontConfiguration::load(const std::string& folder)
{
    char resolved[PATH_MAX];
    if (!realpath(folder.c_str(), resolved)) {
        TNLog("text: the font folder %s cannot be read; the system's fonts are used", folder.c_str());
        return nullptr;
    }
    const std::string canonical(resolved);
    const std::string file = canonical + "/" + kFileName;
    FcConfig* config = FcConfigCreate();
    const std::string own = folderConfiguration(canonical);
    const bool loaded =
        config && FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(own.c_str()), FcTrue) &&
        FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(file.c_str()), FcTrue) &&
        FcConfigBuildFonts(config);
    if (!loaded) {
        TNLog("text: the font configuration %s does not load; the system's fonts are used", file.c_str());
        if (config)
            FcConfigDestroy(config);
        return nullptr;
    }
    return config;
}
