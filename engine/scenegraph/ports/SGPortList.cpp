#include "scenegraph/ports/SGPortList.h"

#include <algorithm>

bool SGPortList::eraseOne(const SGPort* port)
{
    SGPort** first = data();
    SGPort** last = first + size_;
    SGPort** found = std::find(first, last, port);
    if (found == last)
        return false;
    std::copy(found + 1, last, found);
    --size_;
    // Back in place only once one slot is spare again, so that a list
    // swinging around two ports does not free and allocate on every change.
    if (!isInline() && size_ < kInline)
        moveInline();
    return true;
}

void SGPortList::clear()
{
    if (!isInline())
        delete[] heap_;
    size_ = 0;
    capacity_ = kInline;
}

void SGPortList::grow()
{
    const uint32_t capacity = capacity_ * 2;
    SGPort** block = new SGPort*[capacity];
    std::copy(begin(), end(), block);
    if (!isInline())
        delete[] heap_;
    heap_ = block;
    capacity_ = capacity;
}

void SGPortList::moveInline()
{
    SGPort** block = heap_;
    std::copy(block, block + size_, inline_);
    delete[] block;
    capacity_ = kInline;
}
