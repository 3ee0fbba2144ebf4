#include "audio/databuffer.h"

databuffer* databuffer_new()
{
    auto* link = new databuffer;
    link->data = new char[databuffer::kCapacity];
    link->size = 0;
    link->next = nullptr;
    return link;
}

void databuffer_free(databuffer* link)
{
    // Iterative, so a long chain cannot exhaust the stack.
    while (link) {
        databuffer* next = link->next;
        delete[] link->data;
        delete link;
        link = next;
    }
}

size_t databuffer_count(const databuffer* link)
{
    size_t count = 0;
    for (; link; link = link->next)
        ++count;
    return count;
}

size_t databuffer_totalsize(const databuffer* link)
{
    size_t total = 0;
    for (; link; link = link->next)
        total += link->size;
    return total;
}
