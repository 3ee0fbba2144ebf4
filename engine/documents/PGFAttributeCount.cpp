#include "documents/PGFAttributeCount.h"

#include <algorithm>
#include <cstring>
#include <string_view>

const char* const PGFTooManyAttributes = "an element has more than 1000 attributes";

namespace {

// The position just after the first end after from, or the end of text.
size_t skipPast(std::string_view text, size_t from, std::string_view end)
{
    const size_t found = text.find(end, from);
    return found == std::string_view::npos ? text.size() : found + end.size();
}

bool startsAt(std::string_view text, size_t at, std::string_view prefix)
{
    return text.compare(at, prefix.size(), prefix) == 0;
}

// Counts the '=' of a start tag outside its quoted values, from just after
// its name's '<' to its '>' (or a stray '<', where the next tag begins).
// Moves at to where scanning goes on.
unsigned countTagAttributes(std::string_view text, size_t& at, unsigned limit)
{
    unsigned count = 0;
    while (at < text.size() && text[at] != '>' && text[at] != '<') {
        const char c = text[at];
        if (c == '"' || c == '\'') {
            at = skipPast(text, at + 1, std::string_view(&c, 1));
            continue;
        }
        if (c == '=' && ++count > limit)
            return count;
        ++at;
    }
    return count;
}

}  // namespace

unsigned PGFMostAttributesOnAnElement(const char* bytes, size_t length, unsigned limit)
{
    const std::string_view text(bytes, length);
    unsigned most = 0;
    size_t at = 0;
    while (most <= limit) {
        at = text.find('<', at);
        if (at == std::string_view::npos)
            break;
        ++at;
        if (startsAt(text, at, "!--"))
            at = skipPast(text, at + 3, "-->");
        else if (startsAt(text, at, "![CDATA["))
            at = skipPast(text, at + 8, "]]>");
        else if (startsAt(text, at, "?"))
            at = skipPast(text, at + 1, "?>");
        else if (!startsAt(text, at, "!") && !startsAt(text, at, "/"))
            most = std::max(most, countTagAttributes(text, at, limit));
    }
    return most;
}
