#include "documents/PGFXMLErrorCapture.h"

#include <libxml/globals.h>
#include <libxml/parser.h>

#include <cstdio>
#include <cstring>

PGFXMLErrorCapture::PGFXMLErrorCapture() : line_(0)
{
    message_[0] = '\0';
    xmlInitParser();
    // The handler and its context are per thread in the XML library.
    previousHandler_ = xmlStructuredError;
    previousContext_ = xmlStructuredErrorContext;
    xmlSetStructuredErrorFunc(this, &PGFXMLErrorCapture::record);
}

PGFXMLErrorCapture::~PGFXMLErrorCapture()
{
    xmlSetStructuredErrorFunc(previousContext_, previousHandler_);
}

void PGFXMLErrorCapture::record(void* context, xmlErrorPtr error)
{
    auto* capture = static_cast<PGFXMLErrorCapture*>(context);
    if (capture->hasError() || !error || error->level == XML_ERR_WARNING)
        return;
    std::snprintf(capture->message_, sizeof(capture->message_), "%s",
                  error->message ? error->message : "unknown XML error");
    // The library's messages end with a line break and may hold more.
    for (char* c = capture->message_; *c; ++c) {
        if (*c == '\n' || *c == '\r')
            *c = ' ';
    }
    size_t length = std::strlen(capture->message_);
    while (length > 0 && capture->message_[length - 1] == ' ')
        capture->message_[--length] = '\0';
    if (length == 0)
        std::snprintf(capture->message_, sizeof(capture->message_), "unknown XML error");
    capture->line_ = error->line;
}
