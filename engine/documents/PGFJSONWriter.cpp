#include "documents/PGFJSONWriter.h"

#include <cerrno>
#include <cstring>

#include "log/TNLog.h"

namespace {

// yajl keeps at most 127 objects and arrays open at a time.
const int kMaxOpenContainers = 127;

const unsigned char* bytes(const char* text)
{
    return reinterpret_cast<const unsigned char*>(text);
}

}  // namespace

PGFJSONWriter::PGFJSONWriter(bool beautify)
    : generator(nullptr), config{beautify ? 1u : 0u, "\t"}, file(nullptr), openContainers_(0), openError_(nullptr)
{
    allocateGenerator();
}

PGFJSONWriter::PGFJSONWriter(const char* path, bool beautify)
    : generator(nullptr), config{beautify ? 1u : 0u, "\t"}, file(nullptr), openContainers_(0), openError_(nullptr)
{
    file = std::fopen(path, "wb");
    if (!file) {
        openError_ = std::strerror(errno);
        return;
    }
    allocateGenerator();
    if (generator)
        yajl_gen_config(generator, yajl_gen_print_callback, &PGFJSONWriter::printToFileCallback, this);
}

void PGFJSONWriter::allocateGenerator()
{
    generator = yajl_gen_alloc(nullptr);
    if (!generator) {
        openError_ = "the JSON generator could not be created";
        return;
    }
    yajl_gen_config(generator, yajl_gen_beautify, static_cast<int>(config.beautify));
    yajl_gen_config(generator, yajl_gen_indent_string, config.indentString);
}

PGFJSONWriter::~PGFJSONWriter()
{
    if (file)
        std::fclose(file);
    if (generator)
        yajl_gen_free(generator);
}

int PGFJSONWriter::checkYajlStatus(yajl_gen_status status)
{
    const char* message = nullptr;
    switch (status) {
    case yajl_gen_status_ok:
        return 1;
    case yajl_gen_keys_must_be_strings:
        message = "keys must be strings";
        break;
    case yajl_max_depth_exceeded:
        message = "max depth exceeded";
        break;
    case yajl_gen_in_error_state:
        message = "in error state";
        break;
    case yajl_gen_generation_complete:
        message = "complete document has been generated";
        break;
    case yajl_gen_invalid_number:
        message = "invalid number";
        break;
    case yajl_gen_no_buf:
        message = "no internal buffer";
        break;
    default:
        break;
    }
    if (message)
        TNLogStdout("%s", message);
    return 0;
}

int PGFJSONWriter::startDocument()
{
    states.clear();
    return 0;
}

int PGFJSONWriter::endDocument()
{
    return 0;
}

bool PGFJSONWriter::insideRefusedElement() const
{
    return !states.empty() && states.back() == kRefused;
}

bool PGFJSONWriter::hasRoomFor(int containers) const
{
    return openContainers_ + containers <= kMaxOpenContainers;
}

int PGFJSONWriter::startElement(const char* name)
{
    if (insideRefusedElement()) {
        states.push_back(kRefused);
        return 0;
    }
    const bool startsChildren = !states.empty() && states.back() == kChildrenNotStarted;
    if (!hasRoomFor(startsChildren ? 2 : 1)) {
        checkYajlStatus(yajl_max_depth_exceeded);
        states.push_back(kRefused);
        return 0;
    }
    if (startsChildren)
        startChildren();
    if (!checkYajlStatus(yajl_gen_map_open(generator))) {
        states.push_back(kRefused);
        return 0;
    }
    ++openContainers_;
    states.push_back(kChildrenNotStarted);
    return writeAttribute("_type", name);
}

int PGFJSONWriter::startChildren()
{
    if (states.empty() || states.back() != kChildrenNotStarted)
        return -1;
    states.back() = kChildrenOpen;
    writeString("_children");
    const int result = checkYajlStatus(yajl_gen_array_open(generator));
    if (result)
        ++openContainers_;
    return result;
}

int PGFJSONWriter::endChildren()
{
    if (states.empty() || states.back() != kChildrenOpen)
        return -1;
    states.back() = kChildrenClosed;
    const int result = checkYajlStatus(yajl_gen_array_close(generator));
    if (result)
        --openContainers_;
    return result;
}

int PGFJSONWriter::writeString(const char* text)
{
    return checkYajlStatus(yajl_gen_string(generator, bytes(text), std::strlen(text)));
}

int PGFJSONWriter::writeAttribute(const char* name, const char* value)
{
    if (insideRefusedElement())
        return 0;
    if (!states.empty() && states.back() == kChildrenOpen)
        endChildren();
    yajl_gen_string(generator, bytes(name), std::strlen(name));
    return writeString(value);
}

int PGFJSONWriter::writeTextValue(const char* text)
{
    if (insideRefusedElement())
        return 0;
    if (!states.empty() && states.back() == kChildrenOpen)
        endChildren();
    writeString("_text");
    return writeString(text);
}

int PGFJSONWriter::endElement()
{
    if (states.empty()) {
        TNLogStdout("endElement: no element is open");
        return -1;
    }
    if (states.back() == kRefused) {
        states.pop_back();
        return 0;
    }
    if (states.back() == kChildrenOpen)
        endChildren();
    states.pop_back();
    if (openContainers_ == 0)
        return checkYajlStatus(yajl_gen_in_error_state);
    const int result = checkYajlStatus(yajl_gen_map_close(generator));
    if (result)
        --openContainers_;
    return result;
}

const char* PGFJSONWriter::getString()
{
    const unsigned char* buffer = nullptr;
    size_t length = 0;
    if (!checkYajlStatus(yajl_gen_get_buf(generator, &buffer, &length)))
        return nullptr;
    // The generator has no buffer before its first output.
    return buffer ? reinterpret_cast<const char*>(buffer) : "";
}

void PGFJSONWriter::printToFile(const char* bytes, size_t length)
{
    std::fwrite(bytes, 1, length, file);
}

void PGFJSONWriter::printToFileCallback(void* writer, const char* bytes, size_t length)
{
    static_cast<PGFJSONWriter*>(writer)->printToFile(bytes, length);
}
