#include "documents/PGFXMLWriter.h"

#include <cerrno>
#include <cstring>

namespace {

const xmlChar* xml(const char* text)
{
    return reinterpret_cast<const xmlChar*>(text);
}

}  // namespace

PGFXMLWriter::PGFXMLWriter() : writer(nullptr), memory(nullptr), file(nullptr), openError_(nullptr)
{
    memory = xmlBufferCreate();
    if (memory)
        writer = xmlNewTextWriterMemory(memory, 0);
    if (!writer) {
        if (memory)
            xmlBufferFree(memory);
        memory = nullptr;
        openError_ = "the XML text writer could not be created";
    }
}

PGFXMLWriter::PGFXMLWriter(const char* path) : writer(nullptr), memory(nullptr), file(nullptr), openError_(nullptr)
{
    file = std::fopen(path, "wb");
    if (!file) {
        openError_ = std::strerror(errno);
        return;
    }
    xmlOutputBufferPtr output = xmlOutputBufferCreateFile(file, nullptr);
    if (output) {
        writer = xmlNewTextWriter(output);
        if (!writer)
            xmlOutputBufferClose(output);
    }
    if (!writer) {
        std::fclose(file);
        file = nullptr;
        openError_ = "the XML text writer could not be created";
    }
}

PGFXMLWriter::~PGFXMLWriter()
{
    // Freeing the text writer flushes its output into the buffer or file.
    if (writer)
        xmlFreeTextWriter(writer);
    if (memory)
        xmlBufferFree(memory);
    if (file)
        std::fclose(file);
}

int PGFXMLWriter::startDocument()
{
    return xmlTextWriterStartDocument(writer, nullptr, "UTF-8", nullptr);
}

int PGFXMLWriter::endDocument()
{
    return xmlTextWriterEndDocument(writer);
}

int PGFXMLWriter::startElement(const char* name)
{
    return xmlTextWriterStartElement(writer, xml(name));
}

int PGFXMLWriter::endElement()
{
    return xmlTextWriterEndElement(writer);
}

int PGFXMLWriter::writeAttribute(const char* name, const char* value)
{
    return xmlTextWriterWriteAttribute(writer, xml(name), xml(value));
}

int PGFXMLWriter::writeTextValue(const char* text)
{
    return xmlTextWriterWriteString(writer, xml(text));
}

const char* PGFXMLWriter::getString()
{
    if (!memory)
        return nullptr;
    xmlTextWriterFlush(writer);
    return reinterpret_cast<const char*>(xmlBufferContent(memory));
}
