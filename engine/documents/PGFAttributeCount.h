// One linear pass over a document's bytes counting the attributes of its
// start tags, made before the XML library sees them. That library checks
// each attribute of a start tag against every earlier one, so one element
// with a hundred thousand attributes costs it minutes; a document whose
// elements stay under the limit costs time in proportion to its size.
#ifndef PGF_ATTRIBUTE_COUNT_H
#define PGF_ATTRIBUTE_COUNT_H

#include <cstddef>

// The most attributes one element of a document may have; real documents
// use a few dozen at most.
const unsigned PGFMaxAttributesPerElement = 1000;

// The reason a document over the limit is refused.
extern const char* const PGFTooManyAttributes;

// The largest number of attributes a start tag of text has, counting no
// further than limit + 1. Comments, CDATA sections, processing instructions
// and declarations are skipped; a malformed document may be over-counted,
// never under-counted where it is well formed.
unsigned PGFMostAttributesOnAnElement(const char* text, size_t length, unsigned limit = PGFMaxAttributesPerElement);

#endif
