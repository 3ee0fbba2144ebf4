// The builder of the PGF table form. Front ends call pushElement,
// setAttribute, setTextValue and popElement in document order; each element
// becomes a Lua table built in place on the stack of L:
//   [0] = element name, [attribute] = value,
//   [1..n] = child tables, or [1] = text when there is no child.
// When the document ends, the root table is left on top of the stack.
#ifndef PGF_PARSER_H
#define PGF_PARSER_H

#include "lua.h"

class PGFParser {
public:
    // The deepest nesting the builder accepts; a deeper element fails the parse.
    static const unsigned kMaxDepth = 100;

    explicit PGFParser(lua_State* L);

    // Parses the document; returns the front end's result (0 for success).
    virtual int parse() = 0;

    // Why the builder gave up on the document, or null while it is sound.
    const char* failure() const { return failure_; }
    // True once the root element has been closed: its table is then on top
    // of the stack, whatever follows it.
    bool rootClosed() const { return rootClosed_; }

protected:
    // Parser objects live on the stack of one call and are never deleted
    // through a base pointer.
    ~PGFParser() = default;

    void pushElement(const char* name);
    void popElement();
    void setAttribute(const char* name, const char* value);
    void setTextValue(const char* text, int length);

    // Records the first reason for giving up; later events are then ignored.
    void fail(const char* reason);

    unsigned depth;
    unsigned childCounter[kMaxDepth];
    lua_State* L;

private:
    const char* failure_;
    bool rootClosed_ = false;
};

#endif
