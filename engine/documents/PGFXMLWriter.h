// Writes a PGF document as XML through the XML library's text writer, to a
// file or to a string. Results are the library's: bytes written, or -1.
#ifndef PGF_XML_WRITER_H
#define PGF_XML_WRITER_H

#include <libxml/xmlwriter.h>

#include <cstdio>

#include "documents/PGFWriter.h"

class PGFXMLWriter : public PGFWriter {
public:
    // A writer to a string.
    PGFXMLWriter();
    // A writer to the file at path, created or truncated.
    explicit PGFXMLWriter(const char* path);
    ~PGFXMLWriter() override;
    PGFXMLWriter(const PGFXMLWriter&) = delete;
    PGFXMLWriter& operator=(const PGFXMLWriter&) = delete;

    // False when the output could not be created; openError() says why.
    bool isOpen() const { return writer != nullptr; }
    const char* openError() const { return openError_; }

    int startDocument() override;
    int endDocument() override;
    int startElement(const char* name) override;
    int endElement() override;
    int writeAttribute(const char* name, const char* value) override;
    int writeTextValue(const char* text) override;
    const char* getString() override;

private:
    xmlTextWriterPtr writer;
    xmlBufferPtr memory;
    // The output file of a writer to a file; opened here so the path is
    // used exactly as given, never read as a URI.
    FILE* file;
    const char* openError_;
};

#endif
