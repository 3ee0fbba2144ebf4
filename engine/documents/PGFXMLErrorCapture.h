// Collects the first error the XML library reports on this thread while an
// instance is active, instead of letting the library print it. Lets the
// reader turn a malformed document into one clear message.
#ifndef PGF_XML_ERROR_CAPTURE_H
#define PGF_XML_ERROR_CAPTURE_H

#include <libxml/xmlerror.h>

class PGFXMLErrorCapture {
public:
    PGFXMLErrorCapture();
    ~PGFXMLErrorCapture();
    PGFXMLErrorCapture(const PGFXMLErrorCapture&) = delete;
    PGFXMLErrorCapture& operator=(const PGFXMLErrorCapture&) = delete;

    bool hasError() const { return message_[0] != '\0'; }
    // The first error on one line, without its line end; "" when none.
    const char* message() const { return message_; }
    // Line of the document the first error refers to, 0 when unknown.
    int line() const { return line_; }

private:
    static void record(void* capture, xmlErrorPtr error);

    xmlStructuredErrorFunc previousHandler_;
    void* previousContext_;
    char message_[256];
    int line_;
};

#endif
