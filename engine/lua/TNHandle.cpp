#include "lua/TNHandle.h"

#include <atomic>
#include <mutex>
#include <new>
#include <vector>

namespace {

// Slots are handed out in blocks of kBlockSize; the block table itself has
// a fixed size, so a lookup never reads memory that another thread moves.
constexpr uint32_t kBlockBits = 12;
constexpr uint32_t kBlockSize = 1u << kBlockBits;
constexpr uint32_t kMaxBlocks = 1u << 14;  // 67 million slots

struct Slot {
    std::atomic<void*> object{nullptr};
    std::atomic<uint32_t> generation{1};
};

struct Table {
    std::atomic<Slot*> blocks[kMaxBlocks] = {};
    std::mutex lock;
    std::vector<uint32_t> freeSlots;  // slot numbers ready for reuse
    uint32_t usedSlots = 0;           // slots handed out at least once
    int live = 0;
};

// Never destroyed: objects may give their handles back during exit.
Table& table()
{
    static Table* instance = new Table;
    return *instance;
}

Slot* slotAt(Table& t, uint32_t slot)
{
    Slot* block = t.blocks[slot >> kBlockBits].load(std::memory_order_acquire);
    return block ? &block[slot & (kBlockSize - 1)] : nullptr;
}

}  // namespace

TNHandle TNHandleTable::add(void* object)
{
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    uint32_t slot;
    if (!t.freeSlots.empty()) {
        slot = t.freeSlots.back();
        t.freeSlots.pop_back();
    } else {
        slot = t.usedSlots++;
        if ((slot & (kBlockSize - 1)) == 0) {
            if ((slot >> kBlockBits) >= kMaxBlocks)
                throw std::bad_alloc();
            t.blocks[slot >> kBlockBits].store(new Slot[kBlockSize], std::memory_order_release);
        }
    }
    Slot* s = slotAt(t, slot);
    s->object.store(object, std::memory_order_release);
    ++t.live;
    return TNHandle{slot + 1, s->generation.load(std::memory_order_relaxed)};
}

void TNHandleTable::remove(TNHandle handle)
{
    if (handle.isNull())
        return;
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    const uint32_t slot = handle.index - 1;
    Slot* s = slot < t.usedSlots ? slotAt(t, slot) : nullptr;
    if (!s || s->generation.load(std::memory_order_relaxed) != handle.generation)
        return;
    s->object.store(nullptr, std::memory_order_release);
    const uint32_t next = handle.generation + 1;
    s->generation.store(next, std::memory_order_release);
    --t.live;
    // A slot whose generation would wrap around is retired for good, so a
    // generation is never seen twice.
    if (next != 0)
        t.freeSlots.push_back(slot);
}

void* TNHandleTable::lookup(TNHandle handle)
{
    if (handle.isNull() || handle.index - 1 >= kMaxBlocks * kBlockSize)
        return nullptr;
    Slot* s = slotAt(table(), handle.index - 1);
    if (!s || s->generation.load(std::memory_order_acquire) != handle.generation)
        return nullptr;
    void* object = s->object.load(std::memory_order_acquire);
    // The slot may have been ended between the two reads.
    return s->generation.load(std::memory_order_acquire) == handle.generation ? object : nullptr;
}

int TNHandleTable::liveCount()
{
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    return t.live;
}
