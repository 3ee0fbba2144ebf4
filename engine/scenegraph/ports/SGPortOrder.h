// Keeps the ports in a topological order as connections are made, so that
// a connection that agrees with the order needs no cycle search at all.
//
// Each port with edges carries an order number (SGPortLinks, given the
// back of the order with the port's first edge); every dependency edge goes
// from a smaller number to a larger one. A new edge from source to target that
// goes against the order is checked by two depth-first searches run in
// step: everything downstream of target, and everything upstream of
// source. When either reaches a port the other has reached, a path runs
// from target to source and the edge would close a cycle. Otherwise the
// first to finish decides: the set it found moves as a block to the
// far end of the order (downstream of target behind every port, upstream
// of source before every port), keeping its own inner order. Moving a set
// closed downstream (or upstream) keeps every edge in order, whatever edge
// is added afterwards. The cost of one check is about twice the smaller of
// the two sets, so joining two chains costs the shorter one and building a
// chain in any order costs O(N log N) in all.
#ifndef SG_PORT_ORDER_H
#define SG_PORT_ORDER_H

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class SGPort;
class SGPortList;

class SGPortOrder {
public:
    // A newly linked port's number: behind every port numbered so far.
    static int64_t nextOrder();
    // True when an edge from source to target keeps the graph acyclic;
    // the order then has source before target.
    static bool makeRoom(const SGPort* source, const SGPort* target);

private:
    // The working lists of one search, kept from one check to the next so
    // that a check allocates nothing once they have grown.
    struct SearchLists {
        std::vector<std::pair<const SGPort*, std::size_t>> stack;  // port, next edge
        std::vector<const SGPort*> finished;                       // post-order
    };

    // One depth-first search, stepped a port at a time. The two searches of
    // a check mark the ports they reach in the same field, each with a
    // number of its own, so that one search sees where the other has been.
    struct Search {
        bool downstream;
        uint64_t mark;
        uint64_t otherMark;
        SearchLists& lists;
        bool metOther = false;

        Search(const SGPort* start, bool downstream, uint64_t mark, uint64_t otherMark, SearchLists& lists);
        // Advances by one edge or one finished port; false once done.
        bool step();
        bool visit(const SGPort* port);
        const SGPortList& edges(const SGPort* port) const;
    };

    static void moveToBack(const std::vector<const SGPort*>& postOrder);
    static void moveToFront(const std::vector<const SGPort*>& postOrder);
};

#endif
