// The interface of the document writers. A writer is driven call by call:
// startDocument, then one root element with its nested elements
// (startElement, attributes and text, children, endElement), endDocument,
// getString for a writer to a string. Strings are NUL-terminated UTF-8.
#ifndef PGF_WRITER_H
#define PGF_WRITER_H

class PGFWriter {
public:
    virtual ~PGFWriter() = default;
    virtual int startDocument() = 0;
    virtual int endDocument() = 0;
    virtual int startElement(const char* name) = 0;
    virtual int endElement() = 0;
    virtual int writeAttribute(const char* name, const char* value) = 0;
    virtual int writeTextValue(const char* text) = 0;
    // The text written so far, or null for a writer to a file.
    virtual const char* getString() = 0;
};

#endif
