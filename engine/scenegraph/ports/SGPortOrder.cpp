#include "scenegraph/ports/SGPortOrder.h"

#include <atomic>

#include "scenegraph/ports/SGPort.h"

namespace {

// The order's two ends. Numbers are never reused; 2^63 is never reached.
std::atomic<int64_t> backEnd{0};
std::atomic<int64_t> frontEnd{0};
std::atomic<uint64_t> searchMarks{0};

}  // namespace

int64_t SGPortOrder::nextOrder()
{
    return backEnd.fetch_add(1) + 1;
}

SGPortOrder::Search::Search(const SGPort* start, bool downstream, uint64_t mark, uint64_t otherMark,
                            SearchLists& lists)
    : downstream(downstream), mark(mark), otherMark(otherMark), lists(lists)
{
    lists.stack.clear();
    lists.finished.clear();
    visit(start);
}

const SGPortList& SGPortOrder::Search::edges(const SGPort* port) const
{
    return downstream ? port->destPorts : port->links().upstreamPorts;
}

bool SGPortOrder::Search::visit(const SGPort* port)
{
    uint64_t& visited = port->links().visited;
    if (visited == mark)
        return false;
    if (visited == otherMark) {
        metOther = true;
        return false;
    }
    visited = mark;
    lists.stack.emplace_back(port, 0);
    return true;
}

bool SGPortOrder::Search::step()
{
    if (metOther || lists.stack.empty())
        return false;
    auto& [port, next] = lists.stack.back();
    const SGPortList& out = edges(port);
    if (next < out.size()) {
        const SGPort* neighbour = out[next++];
        visit(neighbour);
        return true;
    }
    lists.finished.push_back(port);
    lists.stack.pop_back();
    return true;
}

bool SGPortOrder::makeRoom(const SGPort* source, const SGPort* target)
{
    if (source == target)
        return false;
    if (source->links().order < target->links().order)
        return true;
    const uint64_t downMark = searchMarks.fetch_add(2) + 1;
    const uint64_t upMark = downMark + 1;
    // Each thread checks with lists of its own (a render thread per view).
    static thread_local SearchLists downLists;
    static thread_local SearchLists upLists;
    Search down(target, true, downMark, upMark, downLists);
    Search up(source, false, upMark, downMark, upLists);
    // A search that meets the other stops stepping, and the check at the top
    // of the next round sees it.
    for (;;) {
        const bool downMoving = down.step();
        if (down.metOther || up.metOther)
            return false;
        if (!downMoving) {
            moveToBack(down.lists.finished);
            return true;
        }
        if (!up.step()) {
            moveToFront(up.lists.finished);
            return true;
        }
    }
}

void SGPortOrder::moveToBack(const std::vector<const SGPort*>& postOrder)
{
    // Reverse post-order of a downstream search is a topological order of
    // the set: the last port finished comes first.
    const int64_t count = static_cast<int64_t>(postOrder.size());
    const int64_t base = backEnd.fetch_add(count);
    for (int64_t i = 0; i < count; ++i)
        postOrder[static_cast<size_t>(i)]->links().order = base + count - i;
}

void SGPortOrder::moveToFront(const std::vector<const SGPort*>& postOrder)
{
    // Post-order of an upstream search is a topological order of the set:
    // the first port finished has nothing upstream left in it.
    const int64_t count = static_cast<int64_t>(postOrder.size());
    const int64_t base = frontEnd.fetch_sub(count) - count;
    for (int64_t i = 0; i < count; ++i)
        postOrder[static_cast<size_t>(i)]->links().order = base + i;
}
