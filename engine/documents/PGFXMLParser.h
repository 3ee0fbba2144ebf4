// The XML front end of the PGF builder: a streaming pass of the XML
// library's SAX interface (first-generation element callbacks) that feeds
// PGFParser, from a file or from a buffer in memory.
#ifndef PGF_XML_PARSER_H
#define PGF_XML_PARSER_H

#include <libxml/parser.h>

#include <exception>

#include "documents/PGFParser.h"
#include "documents/PGFXMLErrorCapture.h"

class PGFXMLParser : public PGFParser {
public:
    // The text kept for one element is at most this many bytes.
    static const unsigned kTextCapacity = 16384;

    PGFXMLParser(lua_State* L, const char* fileName);
    PGFXMLParser(lua_State* L, const char* buffer, unsigned bufferLength);

    // Returns the XML library's result: 0 for a well-formed document.
    // A Lua error raised while building tables (out of memory) is raised
    // again here, once the XML library has returned.
    int parse() override;

    // The first error the XML library reported during parse(), or null.
    const char* xmlErrorMessage() const { return errors_.hasError() ? errors_.message() : nullptr; }
    int xmlErrorLine() const { return errors_.line(); }

private:
    void initializeDefaults();
    // False when an element has more attributes than the reader takes.
    bool attributesWithinLimit() const;
    void startXMLElement(const xmlChar* name, const xmlChar** attributes);
    void endXMLElement(const xmlChar* name);
    void appendCharacters(const xmlChar* chunk, int length);

    static xmlEntityPtr XML_GetEntity(void* parser, const xmlChar* name);
    static void XML_StartElement(void* parser, const xmlChar* name, const xmlChar** attributes);
    static void XML_EndElement(void* parser, const xmlChar* name);
    static void XML_Characters(void* parser, const xmlChar* chunk, int length);

    // Runs one builder step unless the parse has already been given up;
    // keeps a Lua error from unwinding through the XML library.
    template <typename Step>
    void guarded(Step step);

    const char* buffer;
    unsigned bufferLength;
    const char* fileName;
    xmlSAXHandler sax;
    unsigned textLength;
    char text[kTextCapacity];

    PGFXMLErrorCapture errors_;
    std::exception_ptr luaError_;
};

#endif
