#include "bundle/TNBundleMaker.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "lauxlib.h"
#include "lua.h"

namespace fs = std::filesystem;

namespace {

int writeChunk(lua_State*, const void* data, size_t size, void* file)
{
    return std::fwrite(data, 1, size, static_cast<FILE*>(file)) == size ? 0 : 1;
}

std::string xmlEscaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

bool writeInfoPlist(const TNBundleRecipe& recipe, const fs::path& path, std::string& error)
{
    std::ofstream out(path);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        << "<plist version=\"1.0\">\n<dict>\n"
        << "\t<key>CFBundleName</key>\n\t<string>" << xmlEscaped(recipe.name) << "</string>\n"
        << "\t<key>CFBundlePackageType</key>\n\t<string>APPL</string>\n"
        << "\t<key>TNStartFullscreen</key>\n\t<" << (recipe.startFullscreen ? "true" : "false") << "/>\n"
        << "</dict>\n</plist>\n";
    if (!out.flush()) {
        error = "could not write " + path.string();
        return false;
    }
    return true;
}

bool copyFile(const std::string& from, const fs::path& to, std::string& error)
{
    std::error_code code;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, code);
    if (code) {
        error = "could not copy " + from + " to " + to.string() + ": " + code.message();
        return false;
    }
    return true;
}

std::string programFolder()
{
    std::error_code code;
    fs::path self = fs::read_symlink("/proc/self/exe", code);
    return code ? std::string() : self.parent_path().string();
}

} // namespace

bool TNCompileEngineScript(const std::string& sourcePath, const std::string& outputPath, std::string& error)
{
    lua_State* L = luaL_newstate();
    if (!L) {
        error = "out of memory compiling " + sourcePath;
        return false;
    }
    bool ok = false;
    if (luaL_loadfile(L, sourcePath.c_str()) != 0) {
        const char* message = lua_tostring(L, -1);
        error = message ? message : "cannot compile " + sourcePath;
    } else if (FILE* file = std::fopen(outputPath.c_str(), "wb")) {
        ok = lua_dump(L, writeChunk, file) == 0;
        ok = std::fclose(file) == 0 && ok;
        if (!ok)
            error = "could not write " + outputPath;
    } else {
        error = "could not write " + outputPath;
    }
    lua_close(L);
    return ok;
}

bool TNMakeBundle(const TNBundleRecipe& recipe, std::string& error)
{
    if (recipe.name.empty()) {
        error = "the bundle needs a name";
        return false;
    }
    if (!fs::is_directory(recipe.projectFolder)) {
        error = "no project folder at " + recipe.projectFolder;
        return false;
    }
    std::error_code code;
    fs::path bundle(recipe.outputPath);
    fs::remove_all(bundle, code);
    fs::path resources = bundle / "Contents" / "Resources";
    fs::create_directories(resources, code);
    if (code) {
        error = "could not create " + resources.string() + ": " + code.message();
        return false;
    }
    if (!writeInfoPlist(recipe, bundle / "Contents" / "Info.plist", error))
        return false;
    if (!TNCompileEngineScript(recipe.engineSource, (resources / "engine64.luo").string(), error))
        return false;

    fs::path project = fs::path(recipe.projectFolder).lexically_normal();
    std::string projectName = (project.has_filename() ? project.filename() : project.parent_path().filename()).string();
    if (project.extension() != ".gameproj" && fs::path(projectName).extension() != ".gameproj")
        projectName += ".gameproj";
    fs::copy(recipe.projectFolder, resources / projectName, fs::copy_options::recursive, code);
    if (code) {
        error = "could not copy the project folder " + recipe.projectFolder + ": " + code.message();
        return false;
    }
    if (!recipe.loadingImage.empty() && !copyFile(recipe.loadingImage, resources / "Default.png", error))
        return false;
    if (!recipe.introMovie.empty() && !copyFile(recipe.introMovie, resources / "intro-mac.mov", error))
        return false;
    return true;
}

std::string TNShippedIntroMoviePath()
{
    // In the build folder beside the program; installed, in the share folder
    // beside bin/.
    for (const char* relative : {"/share/intro-mac.mov", "/../share/tern-player/intro-mac.mov"}) {
        std::string path = programFolder() + relative;
        if (access(path.c_str(), R_OK) == 0)
            return fs::path(path).lexically_normal().string();
    }
#ifdef TERN_SHIPPED_INTRO_MOVIE
    if (access(TERN_SHIPPED_INTRO_MOVIE, R_OK) == 0)
        return TERN_SHIPPED_INTRO_MOVIE;
#endif
    return "";
}
