// The ports on one side of a port's edges: most ports have one or two, so
// the list keeps up to two in place and takes a heap block only beyond
// that. Connecting a port then allocates nothing, and reading its edges
// touches no memory but the port's own.
#ifndef SG_PORT_LIST_H
#define SG_PORT_LIST_H

#include <cstddef>
#include <cstdint>

class SGPort;

class SGPortList {
public:
    SGPortList() = default;
    ~SGPortList() { clear(); }
    SGPortList(const SGPortList&) = delete;
    SGPortList& operator=(const SGPortList&) = delete;

    SGPort* const* begin() const { return data(); }
    SGPort* const* end() const { return data() + size_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    SGPort* operator[](std::size_t i) const { return data()[i]; }

    void push_back(SGPort* port)
    {
        if (size_ == capacity_)
            grow();
        data()[size_++] = port;
    }
    // Removes the first occurrence of port, keeping the others in order;
    // false when port is not in the list.
    bool eraseOne(const SGPort* port);
    void clear();

    // True while the ports are kept in place, without a heap block.
    bool isInline() const { return capacity_ == kInline; }

private:
    static constexpr uint32_t kInline = 2;

    SGPort* const* data() const { return isInline() ? inline_ : heap_; }
    SGPort** data() { return isInline() ? inline_ : heap_; }
    void grow();
    void moveInline();

    uint32_t size_ = 0;
    uint32_t capacity_ = kInline;
    union {
        SGPort* inline_[kInline];
        SGPort** heap_;
    };
};

#endif
