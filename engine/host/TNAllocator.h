// A size-class allocator for the Lua interpreter: requests of up to 640
// bytes come from eleven fixed-size pools that grow by whole chunks and keep
// their memory until the allocator is destroyed; larger ones go to malloc.
#ifndef TN_ALLOCATOR_H
#define TN_ALLOCATOR_H

#include <cstddef>
#include <cstdint>

enum {
    TNPoolClassCount = 11,
    TNPoolMaxChunks = 64,
    TNPoolMaxBlockSize = 640,
};

struct TNMemoryPool {
    uint64_t blockSize;
    uint64_t blocksPerChunk;
    uint64_t freeCount;
    void** freeStack;  // capacity TNPoolMaxChunks * blocksPerChunk
    uint64_t chunkCount;
    char* chunks[TNPoolMaxChunks];
    bool reportedExhaustion;  // "Ran out of chunks" is printed once per pool
};

struct TNPoolAllocator {
    uint64_t blockSizes[TNPoolClassCount];
    TNMemoryPool pools[TNPoolClassCount];
};

TNPoolAllocator* TNPoolAllocatorNew();
void TNPoolAllocatorDestroy(TNPoolAllocator* allocator);

void TNMemoryPoolInit(TNMemoryPool* pool, uint64_t blockSize, uint64_t blocksPerChunk);
void TNMemoryPoolDestroy(TNMemoryPool* pool);

// The lua_Alloc function; ud is the TNPoolAllocator.
void* TN_PoolLuaAlloc(void* ud, void* ptr, size_t osize, size_t nsize);

// Byte counts over all pools; any out-parameter may be null.
void TNPoolAllocatorGetSize(const TNPoolAllocator* allocator, uint64_t* inUse, uint64_t* allocated,
                            uint64_t* capacity);
void TNPoolAllocatorPrintDescription(const TNPoolAllocator* allocator);

// The class serving a request of n bytes (1 <= n <= 640).
int TNPoolClassForSize(size_t n);

#endif
