#include "bundle/TNInfoPlist.h"

#include <plist/plist.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

namespace {

bool startsWith(const std::string& text, size_t pos, const char* prefix)
{
    return text.compare(pos, std::strlen(prefix), prefix) == 0;
}

// The length of the UTF-8 sequence at pos, 0 when it is not a valid one
// (bad lead or continuation byte, overlong form, surrogate, above U+10FFFF).
size_t utf8SequenceLength(const std::string& text, size_t pos)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    size_t length;
    unsigned int codePoint;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - pos < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        codePoint = codePoint << 6 | (byte(i) & 0x3F);
    }
    const unsigned int smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < smallest[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

bool isUTF8(const std::string& text)
{
    for (size_t pos = 0; pos < text.size();) {
        const size_t length = utf8SequenceLength(text, pos);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

// The position after the whitespace, comments, processing instructions
// and declarations (<?xml ...?>, <!DOCTYPE ...>) starting at pos.
size_t skipMarkup(const std::string& text, size_t pos)
{
    while (pos < text.size()) {
        if (std::strchr(" \t\r\n", text[pos])) {
            ++pos;
            continue;
        }
        const char* end = startsWith(text, pos, "<!--") ? "-->"
                          : startsWith(text, pos, "<?")  ? "?>"
                          : startsWith(text, pos, "<!")  ? ">"
                                                         : nullptr;
        if (!end)
            break;
        const size_t found = text.find(end, pos + 2);
        pos = found == std::string::npos ? text.size() : found + std::strlen(end);
    }
    return pos;
}

bool rootIsPlistElement(const std::string& text)
{
    const size_t pos = skipMarkup(text, 0);
    return startsWith(text, pos, "<plist") && pos + 6 < text.size() && std::strchr(" \t\r\n>/", text[pos + 6]);
}

// libplist passes over a key that closes a <dict> without a value; a Mac
// refuses such a file.
bool hasKeyWithoutValue(const std::string& text)
{
    for (size_t pos = text.find("</key>"); pos != std::string::npos; pos = text.find("</key>", pos + 1)) {
        if (startsWith(text, skipMarkup(text, pos + 6), "</dict>"))
            return true;
    }
    return false;
}

// A one-line reason the XML text cannot be an Info.plist, empty when it
// may be one.
std::string xmlProblem(const std::string& text)
{
    if (!isUTF8(text))
        return "the text is not proper UTF-8";
    if (!rootIsPlistElement(text))
        return "expected <plist> holding a <dict>";
    if (hasKeyWithoutValue(text))
        return "a <dict> entry is not a <key> followed by a value";
    return "";
}

std::string dateText(plist_t node)
{
    int32_t seconds = 0, microseconds = 0;
    plist_get_date_val(node, &seconds, &microseconds);
    const time_t macEpoch = 978307200;  // 2001-01-01T00:00:00Z
    const time_t when = macEpoch + seconds;
    struct tm parts;
    char text[32] = "";
    if (gmtime_r(&when, &parts))
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string realText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    // The shortest form that reads back the same value, as a plist writes it.
    for (int precision = 1; precision < 17; ++precision) {
        char shorter[32];
        std::snprintf(shorter, sizeof shorter, "%.*g", precision, value);
        if (std::strtod(shorter, nullptr) == value)
            return shorter;
    }
    return text;
}

std::string scalarValue(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* value = plist_get_string_ptr(node, &length);
        return value ? std::string(value, strnlen(value, length)) : std::string();
    }
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value ? "true" : "false";
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        // Negative integers are held in two's complement.
        return std::to_string(static_cast<int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return realText(value);
    }
    case PLIST_DATE:
        return dateText(node);
    default:
        return "";
    }
}

}  // namespace

std::optional<TNInfoPlist> TNInfoPlist::read(const std::string& bytes, std::string& reason)
{
    const bool binary = startsWith(bytes, 0, "bplist");
    if (!binary) {
        reason = xmlProblem(bytes);
        if (!reason.empty())
            return std::nullopt;
    }
    plist_t root = nullptr;
    if (bytes.size() <= UINT32_MAX)
        plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    TNInfoPlist plist;
    plist.root_.reset(root, plist_free);
    if (!root) {
        reason = binary ? "not a well-formed binary property list" : "not a well-formed XML property list";
        return std::nullopt;
    }
    if (plist_get_node_type(root) != PLIST_DICT) {
        reason = binary ? "the binary property list does not hold a dictionary" : "expected <plist> holding a <dict>";
        return std::nullopt;
    }
    return plist;
}

bool TNInfoPlist::hasKey(const std::string& key) const
{
    return root_ && plist_dict_get_item(root_.get(), key.c_str()) != nullptr;
}

std::string TNInfoPlist::value(const std::string& key) const
{
    plist_t node = root_ ? plist_dict_get_item(root_.get(), key.c_str()) : nullptr;
    return node ? scalarValue(node) : std::string();
}
