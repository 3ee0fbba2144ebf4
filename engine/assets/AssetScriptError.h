// The failure of an engine-script call made on behalf of the asset cache
// (the project's pathForImage or pathForSound raised an error). It travels
// as a C++ exception up to the Lua function that started the work, which
// raises it as a Lua error for the script that asked.
#ifndef ASSET_SCRIPT_ERROR_H
#define ASSET_SCRIPT_ERROR_H

#include <stdexcept>
#include <string>

class AssetScriptError : public std::runtime_error {
public:
    explicit AssetScriptError(const std::string& message) : std::runtime_error(message) {}
};

#endif
