// Connections kept in a topological order: cycles refused in every shape,
// however the graph was built, and values computed right through graphs
// connected against the order the nodes were made in.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "scenegraph/nodes/SGArithmeticNode.h"
#include "scenegraph/ports/SGPortList.h"

namespace {

// Nodes adding their two inputs, released together.
struct Nodes {
    explicit Nodes(int count)
    {
        for (int i = 0; i < count; ++i) {
            list.push_back(new SGArithmeticNode());
            list.back()->input2.value = 1.0f;
        }
    }
    ~Nodes()
    {
        for (auto* node : list)
            node->release();
    }
    SGArithmeticNode* operator[](size_t i) const { return list[i]; }
    std::vector<SGArithmeticNode*> list;
};

// Every edge of the nodes' ports goes from a smaller order to a larger one,
// and the mirror of each edge is in place.
void expectOrdered(const Nodes& nodes)
{
    for (auto* node : nodes.list) {
        for (SGPort* port : {static_cast<SGPort*>(&node->input1), static_cast<SGPort*>(&node->input2),
                             static_cast<SGPort*>(&node->operation), static_cast<SGPort*>(&node->output)}) {
            for (SGPort* dest : port->destPorts) {
                EXPECT_LT(port->links().order, dest->links().order);
                const SGPortList& upstream = dest->links().upstreamPorts;
                EXPECT_NE(std::find(upstream.begin(), upstream.end(), port), upstream.end());
            }
        }
    }
}

// Connects node i's first input to node i-1's output, in the given order of i.
void connectChain(const Nodes& nodes, const std::vector<size_t>& order)
{
    for (size_t i : order) {
        ASSERT_TRUE(nodes[i]->input1.canConnectTo(&nodes[i - 1]->output)) << i;
        nodes[i]->input1.setValue(&nodes[i - 1]->output);
    }
}

std::vector<size_t> linksFromEnd(size_t count)
{
    std::vector<size_t> order(count - 1);
    std::iota(order.rbegin(), order.rend(), 1);
    return order;
}

TEST(PortOrder, ChainsBuiltInAnyOrderComputeAndRefuseClosingTheLoop)
{
    const size_t count = 300;
    std::vector<size_t> shuffled = linksFromEnd(count);
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(20));
    const std::vector<size_t> orders[] = {linksFromEnd(count), shuffled};
    for (const auto& order : orders) {
        for (bool madeBackwards : {false, true}) {
            Nodes nodes(count);
            if (madeBackwards)
                std::reverse(nodes.list.begin(), nodes.list.end());
            connectChain(nodes, order);
            expectOrdered(nodes);
            nodes[0]->input1.setValue(5.0f);
            EXPECT_FLOAT_EQ(nodes[count - 1]->output.numberValue(), 5.0f + count);
            // Any link from further down back to an earlier node is a cycle.
            for (size_t from : {count - 1, count / 2, size_t{1}, size_t{0}})
                EXPECT_FALSE(nodes[0]->input2.canConnectTo(&nodes[from]->output)) << from;
            EXPECT_FALSE(nodes[count / 3]->input2.canConnectTo(&nodes[count - 2]->output));
            nodes[0]->input1.setValue(&nodes[count - 1]->output);  // refused
            EXPECT_EQ(nodes[0]->input1.sourcePort, nullptr);
            EXPECT_EQ(nodes[count - 1]->retainCount(), 1);
            // Forward links are no cycle.
            EXPECT_TRUE(nodes[count - 1]->input2.canConnectTo(&nodes[2]->output));
            expectOrdered(nodes);
        }
    }
}

// a feeds b and c, both feed d: closing any of its paths is refused,
// while a link across the two arms is not.
TEST(PortOrder, DiamondRefusesEveryClosingLink)
{
    Nodes n(4);
    SGArithmeticNode *a = n[3], *b = n[2], *c = n[1], *d = n[0];  // made in reverse
    d->input2.setValue(&c->output);
    d->input1.setValue(&b->output);
    c->input1.setValue(&a->output);
    b->input1.setValue(&a->output);
    expectOrdered(n);
    for (SGArithmeticNode* later : {b, c, d})
        EXPECT_FALSE(a->input2.canConnectTo(&later->output));
    EXPECT_FALSE(b->input2.canConnectTo(&d->output));
    EXPECT_FALSE(c->input2.canConnectTo(&d->output));
    EXPECT_FALSE(a->input2.canConnectTo(&a->output));  // through the node itself
    EXPECT_FALSE(a->input1.canConnectTo(&a->input1));
    EXPECT_TRUE(a->input1.canConnectTo(&b->input2));  // b's input reaches nothing of a
    EXPECT_TRUE(c->input2.canConnectTo(&b->output));
    c->input2.setValue(&b->output);
    EXPECT_FALSE(b->input2.canConnectTo(&c->output));  // now c depends on b
    expectOrdered(n);
    a->input1.setValue(2.0f);
    // a = 2 + 1, b = a + 1, c = a + b, d = b + c
    EXPECT_FLOAT_EQ(d->output.numberValue(), 11.0f);
}

// Ports die with their nodes: what stays behind keeps no link to them.
TEST(PortOrder, DeadPortsLeaveNoLinks)
{
    auto* a = new SGArithmeticNode();
    auto* b = new SGArithmeticNode();
    b->input1.setValue(&a->output);
    a->release();  // b still holds a
    EXPECT_EQ(a->output.destPorts.size(), 1u);
    b->input1.setValue(static_cast<SGPort*>(nullptr));  // a goes now
    EXPECT_TRUE(b->input1.links().upstreamPorts.empty());
    EXPECT_EQ(b->output.links().upstreamPorts.size(), 3u);  // b's own inputs
    b->release();
    // A port dying before the one it depends on, and after one depending on it.
    SGNumberPort first;
    {
        SGNumberPort middle;
        first.addDestPort(&middle);
        {
            SGNumberPort last;
            middle.addDestPort(&last);
        }
        EXPECT_TRUE(middle.destPorts.empty());
    }
    EXPECT_TRUE(first.destPorts.empty());
    // A port with more edges each way than its lists keep in place dies
    // first: the ports on either side keep their other edges, in order.
    SGNumberPort up[3], down[3];
    {
        SGNumberPort centre;
        for (SGNumberPort& port : up)
            port.addDestPort(&centre);
        for (SGNumberPort& port : down)
            centre.addDestPort(&port);
        up[1].addDestPort(&down[1]);  // around the centre
    }
    const auto ports = [](const SGPortList& list) { return std::vector<SGPort*>(list.begin(), list.end()); };
    EXPECT_EQ(ports(up[0].destPorts).size() + ports(down[0].links().upstreamPorts).size(), 0u);
    EXPECT_EQ(ports(up[1].destPorts), std::vector<SGPort*>{&down[1]});
    EXPECT_EQ(ports(down[1].links().upstreamPorts), std::vector<SGPort*>{&up[1]});
}

}  // namespace
