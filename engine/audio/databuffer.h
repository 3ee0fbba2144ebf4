// One link of the chain of fixed-size chunks that Ogg decoding writes into
// before the chunks are joined into one buffer.
#ifndef DATABUFFER_H
#define DATABUFFER_H

#include <cstddef>
#include <cstdint>

struct databuffer {
    static const uint32_t kCapacity = 131072;  // 128 KiB

    char* data;        // kCapacity bytes of decoded PCM
    uint32_t size;     // bytes used in data
    databuffer* next;  // the following chunk, or null
};

// A link with a fresh block, size 0 and no next.
databuffer* databuffer_new();
// Frees the rest of the chain first, then the block and the link.
void databuffer_free(databuffer* link);
// Links from link to the end (0 for null).
size_t databuffer_count(const databuffer* link);
// Sum of size from link to the end (0 for null).
size_t databuffer_totalsize(const databuffer* link);

#endif
