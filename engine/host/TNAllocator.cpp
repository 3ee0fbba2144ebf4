#include "host/TNAllocator.h"

#include <cstdlib>
#include <cstring>

#include "log/TNLog.h"

namespace {

struct PoolSize {
    uint64_t blockSize;
    uint64_t blocksPerChunk;
};

const PoolSize TNMemoryPoolSizes[TNPoolClassCount] = {
    {8, 2500},   {16, 2000}, {20, 8000},  {32, 12000}, {40, 8000},  {64, 2000},
    {80, 3200},  {128, 1000}, {160, 3200}, {320, 2500}, {640, 1500},
};

// Class of each group of four request sizes: index ceil(n / 4) - 1.
const uint8_t poolForSize[160] = {
    0, 0, 1, 1, 2, 3, 3, 3, 4, 4,                                   // 1..40
    5, 5, 5, 5, 5, 5, 6, 6, 6, 6,                                   // 41..80
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,                             // 81..128
    8, 8, 8, 8, 8, 8, 8, 8,                                         // 129..160
    9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9,     // 161..240
    9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9,     // 241..320
    10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10,
    10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10,
    10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10,
    10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10,  // 321..640
};

TNMemoryPool* poolFor(TNPoolAllocator* allocator, size_t size)
{
    if (size == 0 || size > TNPoolMaxBlockSize)
        return nullptr;
    return &allocator->pools[TNPoolClassForSize(size)];
}

void pushChunkBlocks(TNMemoryPool* pool, char* chunk)
{
    for (uint64_t i = 0; i < pool->blocksPerChunk; ++i)
        pool->freeStack[i] = chunk + i * pool->blockSize;
    pool->freeCount = pool->blocksPerChunk;
}

bool addChunk(TNMemoryPool* pool)
{
    char* chunk = static_cast<char*>(std::malloc(pool->blockSize * pool->blocksPerChunk));
    if (!chunk)
        return false;
    pool->chunks[pool->chunkCount++] = chunk;
    pushChunkBlocks(pool, chunk);
    return true;
}

bool poolOwns(const TNMemoryPool* pool, const void* ptr)
{
    const char* p = static_cast<const char*>(ptr);
    const uint64_t chunkBytes = pool->blockSize * pool->blocksPerChunk;
    for (uint64_t i = 0; i < pool->chunkCount; ++i) {
        if (p >= pool->chunks[i] && p < pool->chunks[i] + chunkBytes)
            return true;
    }
    return false;
}

// Once a pool has all its chunks, further requests get malloc'd blocks of
// the pool's block size, so that same-class resizes stay in place.
void* popBlock(TNMemoryPool* pool)
{
    if (pool->freeCount == 0) {
        if (pool->chunkCount < TNPoolMaxChunks) {
            if (!addChunk(pool))
                return nullptr;
        } else {
            if (!pool->reportedExhaustion) {
                TNLogStdout("Ran out of chunks of size %lu", static_cast<unsigned long>(pool->blockSize));
                pool->reportedExhaustion = true;
            }
            return std::malloc(pool->blockSize);
        }
    }
    return pool->freeStack[--pool->freeCount];
}

void pushBlock(TNMemoryPool* pool, void* ptr)
{
    // Only a full pool can have handed out malloc'd blocks.
    if (pool->chunkCount == TNPoolMaxChunks && !poolOwns(pool, ptr)) {
        std::free(ptr);
        return;
    }
    pool->freeStack[pool->freeCount++] = ptr;
}

void* resizeBlock(TNPoolAllocator* allocator, void* ptr, size_t osize, size_t nsize)
{
    TNMemoryPool* from = poolFor(allocator, osize);
    TNMemoryPool* to = poolFor(allocator, nsize);
    if (!from && !to)
        return std::realloc(ptr, nsize);
    if (from == to)
        return ptr;
    void* block = to ? popBlock(to) : std::malloc(nsize);
    if (!block)
        return nullptr;  // Lua keeps the old block and raises a memory error
    std::memcpy(block, ptr, osize < nsize ? osize : nsize);
    if (from)
        pushBlock(from, ptr);
    else
        std::free(ptr);
    return block;
}

}  // namespace

int TNPoolClassForSize(size_t n)
{
    size_t group = (n >> 2) + ((n & 3) ? 1 : 0) - 1;
    return poolForSize[group];
}

void TNMemoryPoolInit(TNMemoryPool* pool, uint64_t blockSize, uint64_t blocksPerChunk)
{
    std::memset(pool, 0, sizeof *pool);
    pool->blockSize = blockSize;
    pool->blocksPerChunk = blocksPerChunk;
    pool->freeStack = static_cast<void**>(std::malloc(sizeof(void*) * TNPoolMaxChunks * blocksPerChunk));
    addChunk(pool);
}

void TNMemoryPoolDestroy(TNMemoryPool* pool)
{
    std::free(pool->freeStack);
    for (uint64_t i = 0; i < pool->chunkCount; ++i)
        std::free(pool->chunks[i]);
    std::memset(pool, 0, sizeof *pool);
}

TNPoolAllocator* TNPoolAllocatorNew()
{
    auto* allocator = static_cast<TNPoolAllocator*>(std::calloc(1, sizeof(TNPoolAllocator)));
    for (int i = 0; i < TNPoolClassCount; ++i) {
        allocator->blockSizes[i] = TNMemoryPoolSizes[i].blockSize;
        TNMemoryPoolInit(&allocator->pools[i], TNMemoryPoolSizes[i].blockSize, TNMemoryPoolSizes[i].blocksPerChunk);
    }
    return allocator;
}

void TNPoolAllocatorDestroy(TNPoolAllocator* allocator)
{
    if (!allocator)
        return;
    for (int i = 0; i < TNPoolClassCount; ++i)
        TNMemoryPoolDestroy(&allocator->pools[i]);
    std::free(allocator);
}

void* TN_PoolLuaAlloc(void* ud, void* ptr, size_t osize, size_t nsize)
{
    auto* allocator = static_cast<TNPoolAllocator*>(ud);
    if (nsize == 0) {
        if (!ptr)
            return nullptr;
        if (TNMemoryPool* pool = poolFor(allocator, osize))
            pushBlock(pool, ptr);
        else
            std::free(ptr);
        return nullptr;
    }
    if (!ptr || osize == 0) {
        if (TNMemoryPool* pool = poolFor(allocator, nsize))
            return popBlock(pool);
        return std::malloc(nsize);
    }
    return resizeBlock(allocator, ptr, osize, nsize);
}

void TNPoolAllocatorGetSize(const TNPoolAllocator* allocator, uint64_t* inUse, uint64_t* allocated,
                            uint64_t* capacity)
{
    uint64_t used = 0, total = 0, limit = 0;
    for (const TNMemoryPool& pool : allocator->pools) {
        const uint64_t blocks = pool.blocksPerChunk * pool.chunkCount;
        used += (blocks - pool.freeCount) * pool.blockSize;
        total += blocks * pool.blockSize;
        limit += pool.blockSize * pool.blocksPerChunk * TNPoolMaxChunks;
    }
    if (inUse)
        *inUse = used;
    if (allocated)
        *allocated = total;
    if (capacity)
        *capacity = limit;
}

void TNPoolAllocatorPrintDescription(const TNPoolAllocator* allocator)
{
    for (const TNMemoryPool& pool : allocator->pools) {
        TNLogStdout("\nBlock Size %lu:\n\tFree Blocks: %lu\n\tChunks allocated: %lu",
                    static_cast<unsigned long>(pool.blockSize), static_cast<unsigned long>(pool.freeCount),
                    static_cast<unsigned long>(pool.chunkCount));
    }
}
