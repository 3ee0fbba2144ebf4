// Nodes: lazy evaluation, dirty marking, and the arithmetic, colour and
// attribute nodes. Connections holding nodes are pinned by the port and
// module tests.
#include <gtest/gtest.h>

#include <cmath>

#include "scenegraph/nodes/SGArithmeticNode.h"
#include "scenegraph/nodes/SGAttributeNode.h"
#include "scenegraph/nodes/SGColorNode.h"
#include "scenegraph/ports/SGValuePort.h"

namespace {

// An arithmetic node that counts its computations.
struct CountingNode : SGArithmeticNode {
    void compute() override
    {
        ++computations;
        SGArithmeticNode::compute();
    }
    int computations = 0;
};

// A chain n0 -> n1 -> ... where each node adds 1 to the previous output.
struct Chain {
    explicit Chain(int length)
    {
        for (int i = 0; i < length; ++i) {
            auto* node = new CountingNode();
            node->input2.value = 1.0f;
            if (!nodes.empty())
                node->input1.setValue(&nodes.back()->output);
            nodes.push_back(node);
        }
    }
    ~Chain()
    {
        for (auto* node : nodes)
            node->release();
    }
    std::vector<CountingNode*> nodes;
};

TEST(LazyEvaluation, ChainRecomputesOnlyWhenAnInputWasMarked)
{
    Chain chain(4);
    auto& n = chain.nodes;
    auto computations = [&] { return std::vector<int>{n[0]->computations, n[1]->computations, n[2]->computations, n[3]->computations}; };
    auto dirty = [&] { return std::vector<bool>{n[0]->dirty, n[1]->dirty, n[2]->dirty, n[3]->dirty}; };
    EXPECT_EQ(n[3]->output.numberValue(), 4.0f);
    EXPECT_EQ(n[3]->output.numberValue(), 4.0f);  // clean: no work
    EXPECT_EQ(computations(), (std::vector<int>{1, 1, 1, 1}));

    n[0]->input1.value = 10.0f;  // raw store: nothing marked
    EXPECT_EQ(n[0]->input1.numberValue(), 10.0f);
    EXPECT_EQ(n[3]->output.numberValue(), 4.0f);

    n[1]->input2.setValue(2.0f);  // marks nodes 1..3, not 0
    EXPECT_EQ(dirty(), (std::vector<bool>{false, true, true, true}));
    EXPECT_EQ(n[3]->output.numberValue(), 5.0f);
    EXPECT_EQ(computations(), (std::vector<int>{1, 2, 2, 2}));

    n[0]->input1.setValue(10.0f);
    EXPECT_EQ(n[3]->output.numberValue(), 15.0f);
}

TEST(LazyEvaluation, InputRegisteredBeforeOutputIsNotLinked)
{
    struct LateOutputNode : SGNode {
        LateOutputNode()
        {
            addInputPort(&in, NUMBER);
            addOutputPort(&out, NUMBER);
        }
        SGNumberPort in, out;
    };
    LateOutputNode early;
    auto* reader = new SGArithmeticNode();
    reader->input1.setValue(&early.out);
    early.dirty = false;
    (void)reader->output.numberValue();
    early.in.setValue(3.0f);
    EXPECT_TRUE(early.dirty);
    EXPECT_FALSE(reader->dirty);  // not reached through the unlinked output
    reader->release();
}

TEST(ArithmeticNode, Operations)
{
    auto* node = new SGArithmeticNode();
    node->input1.setValue(7.0f);
    node->input2.setValue(2.0f);
    const std::pair<const char*, float> cases[] = {
        {"+", 9.0f}, {"-", 5.0f}, {"*", 14.0f}, {"/", 3.5f}, {"%", 1.0f}, {"x", 0.0f}, {"+junk", 9.0f}, {"", 0.0f},
    };
    for (const auto& [op, expected] : cases) {
        node->operation.setValue(op);
        EXPECT_EQ(node->output.numberValue(), expected) << op;
    }
    node->operation.setValue("/");
    node->input2.setValue(0.0f);
    node->input1.setValue(1.0f);
    EXPECT_TRUE(std::isinf(node->output.numberValue()));
    node->input1.setValue(0.0f);
    EXPECT_TRUE(std::isnan(node->output.numberValue()));

    // The operation is its stored value ("+"), not its connection's ("*").
    auto* text = new SGAttributeNode(STRING);
    static_cast<SGStringPort*>(text->port)->value = "*";
    node->operation.setValue("+");
    node->input1.value = 3.0f;
    node->input2.value = 4.0f;
    node->operation.setValue(text->port);
    EXPECT_EQ(node->output.numberValue(), 7.0f);
    node->release();
    text->release();
}

TEST(ColorNode, AssemblesUnclampedColour)
{
    SGColorNode node;
    EXPECT_EQ(node.output.colorValue(), SGWhiteColor);
    node.a.setValue(0.5f);
    node.r.setValue(2.0f);
    EXPECT_EQ(node.output.colorValue(), (SGColor{2, 1, 1, 0.5f}));
}

}  // namespace
