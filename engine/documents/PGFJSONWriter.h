// Writes a PGF document as JSON through the yajl generator, to a file or to
// a string. Each element becomes one object: "_type" first, then its
// attributes and "_text" members in call order, and its children in one
// "_children" array. Pretty output indents with one tab per level.
// Results: 1 when the generator accepted a call, 0 when it refused it.
#ifndef PGF_JSON_WRITER_H
#define PGF_JSON_WRITER_H

#include <yajl/yajl_gen.h>

#include <cstddef>
#include <cstdio>
#include <vector>

#include "documents/PGFWriter.h"

class PGFJSONWriter : public PGFWriter {
public:
    // A writer to a string; beautify selects the pretty layout.
    explicit PGFJSONWriter(bool beautify);
    // A writer to the file at path, created or truncated.
    PGFJSONWriter(const char* path, bool beautify);
    ~PGFJSONWriter() override;
    PGFJSONWriter(const PGFJSONWriter&) = delete;
    PGFJSONWriter& operator=(const PGFJSONWriter&) = delete;

    // False when the output could not be created; openError() says why.
    bool isOpen() const { return generator != nullptr; }
    const char* openError() const { return openError_; }

    int startDocument() override;
    int endDocument() override;
    int startElement(const char* name) override;
    int endElement() override;
    int writeAttribute(const char* name, const char* value) override;
    int writeTextValue(const char* text) override;
    const char* getString() override;

    // Turns a generator status into a result, printing the error's message.
    static int checkYajlStatus(yajl_gen_status status);

private:
    // Per open element, innermost last.
    enum ElementState {
        kChildrenNotStarted = 0,
        kChildrenOpen = 1,
        kChildrenClosed = 2,
        // The generator refused the element's object: the element and
        // everything written inside it are left out of the document.
        kRefused = 3,
    };

    struct Config {
        unsigned beautify;
        const char* indentString;
    };

    void allocateGenerator();
    int startChildren();
    int endChildren();
    bool insideRefusedElement() const;
    bool hasRoomFor(int containers) const;
    int writeString(const char* text);
    void printToFile(const char* bytes, size_t length);
    static void printToFileCallback(void* writer, const char* bytes, size_t length);

    yajl_gen generator;
    Config config;
    FILE* file;
    std::vector<int> states;
    // Objects and arrays open in the generator. Kept here because the
    // generator itself must never be asked to pass its depth limit or to
    // close more than it opened.
    int openContainers_;
    const char* openError_;
};

#endif
