#include "bridge/runtime/TNMethodSignature.h"

#include <stdexcept>

namespace {

// Reads one code starting at pos and advances past it.
std::string nextCode(const std::string& types, size_t& pos)
{
    size_t start = pos;
    while (pos < types.size() && types[pos] == '^')
        ++pos;
    if (pos >= types.size())
        throw std::invalid_argument("TNMethodSignature: incomplete type code in \"" + types + "\"");
    ++pos;
    return types.substr(start, pos - start);
}

}  // namespace

TNMethodSignature::TNMethodSignature(const std::string& types) : types_(types)
{
    size_t pos = 0;
    returnType_ = nextCode(types, pos);
    while (pos < types.size())
        argumentTypes_.push_back(nextCode(types, pos));
    if (argumentTypes_.size() < 2 || argumentTypes_[1] != ":")
        throw std::invalid_argument("TNMethodSignature: \"" + types + "\" lacks receiver and selector codes");
}

const std::string& TNMethodSignature::argumentType(size_t index) const
{
    static const std::string none;
    return index < argumentTypes_.size() ? argumentTypes_[index] : none;
}
