#include "documents/PGFXMLParser.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "documents/PGFAttributeCount.h"
#include "files/TNRegularFile.h"

namespace {

// The whole of a regular file, or "" when it cannot be read (the XML
// library then says why).
std::string fileContents(const char* path)
{
    std::string reason, contents;
    FILE* file = TNOpenRegularFileStream(path, reason);
    if (!file)
        return contents;
    char block[65536];
    size_t read;
    while ((read = std::fread(block, 1, sizeof block, file)) > 0)
        contents.append(block, read);
    std::fclose(file);
    return contents;
}

}  // namespace

PGFXMLParser::PGFXMLParser(lua_State* L, const char* fileName) : PGFParser(L)
{
    initializeDefaults();
    this->fileName = fileName;
}

PGFXMLParser::PGFXMLParser(lua_State* L, const char* buffer, unsigned bufferLength) : PGFParser(L)
{
    initializeDefaults();
    this->buffer = buffer;
    this->bufferLength = bufferLength;
}

void PGFXMLParser::initializeDefaults()
{
    buffer = nullptr;
    bufferLength = 0;
    fileName = nullptr;
    textLength = 0;
    std::memset(text, 0, sizeof(text));
    // initialized stays 0: the library then calls the first-generation
    // startElement/endElement with qualified names and attribute pairs.
    std::memset(&sax, 0, sizeof(sax));
    sax.getEntity = XML_GetEntity;
    sax.startElement = XML_StartElement;
    sax.endElement = XML_EndElement;
    sax.characters = XML_Characters;
}

int PGFXMLParser::parse()
{
    if (!fileName && bufferLength > static_cast<unsigned>(INT_MAX)) {
        fail("the document is larger than 2 GB");
        return -1;
    }
    if (!attributesWithinLimit()) {
        fail(PGFTooManyAttributes);
        return -1;
    }
    // Without entity substitution the library hands first-generation
    // callbacks "&#38;" for every "&amp;" in an attribute value. The
    // setting is per thread; only predefined entities are ever known.
    const int previousSubstitution = xmlSubstituteEntitiesDefault(1);
    const int result = fileName ? xmlSAXUserParseFile(&sax, this, fileName)
                                : xmlSAXUserParseMemory(&sax, this, buffer, static_cast<int>(bufferLength));
    xmlSubstituteEntitiesDefault(previousSubstitution);
    if (luaError_)
        std::rethrow_exception(luaError_);
    return result;
}

bool PGFXMLParser::attributesWithinLimit() const
{
    if (fileName) {
        const std::string contents = fileContents(fileName);
        return PGFMostAttributesOnAnElement(contents.data(), contents.size()) <= PGFMaxAttributesPerElement;
    }
    return PGFMostAttributesOnAnElement(buffer, bufferLength) <= PGFMaxAttributesPerElement;
}

template <typename Step>
void PGFXMLParser::guarded(Step step)
{
    if (failure() || luaError_)
        return;
    try {
        step();
    } catch (...) {
        // Lua raises its errors as C++ exceptions; hold this one until the
        // XML library has returned and freed its parser.
        luaError_ = std::current_exception();
    }
}

void PGFXMLParser::startXMLElement(const xmlChar* name, const xmlChar** attributes)
{
    textLength = 0;
    pushElement(reinterpret_cast<const char*>(name));
    if (failure() || !attributes)
        return;
    for (const xmlChar** pair = attributes; pair[0] && pair[1]; pair += 2)
        setAttribute(reinterpret_cast<const char*>(pair[0]), reinterpret_cast<const char*>(pair[1]));
}

void PGFXMLParser::endXMLElement(const xmlChar*)
{
    if (depth == 0)
        return;
    // Text is kept only by an element that has received no child.
    if (textLength != 0 && childCounter[depth - 1] == 1) {
        setTextValue(text, static_cast<int>(textLength));
        textLength = 0;
    }
    popElement();
}

// Gathers character data whole chunks at a time while it fits.
void PGFXMLParser::appendCharacters(const xmlChar* chunk, int length)
{
    if (length <= 0 || textLength + static_cast<unsigned>(length) > kTextCapacity - 1)
        return;
    std::memcpy(text + textLength, chunk, static_cast<size_t>(length));
    textLength += static_cast<unsigned>(length);
}

xmlEntityPtr PGFXMLParser::XML_GetEntity(void*, const xmlChar* name)
{
    return xmlGetPredefinedEntity(name);
}

void PGFXMLParser::XML_StartElement(void* parser, const xmlChar* name, const xmlChar** attributes)
{
    auto* self = static_cast<PGFXMLParser*>(parser);
    self->guarded([&] { self->startXMLElement(name, attributes); });
}

void PGFXMLParser::XML_EndElement(void* parser, const xmlChar* name)
{
    auto* self = static_cast<PGFXMLParser*>(parser);
    self->guarded([&] { self->endXMLElement(name); });
}

void PGFXMLParser::XML_Characters(void* parser, const xmlChar* chunk, int length)
{
    auto* self = static_cast<PGFXMLParser*>(parser);
    if (self->failure() || self->luaError_)
        return;
    self->appendCharacters(chunk, length);
}
