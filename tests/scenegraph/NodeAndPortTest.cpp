// Nodes and ports: lazy evaluation, dirty marking, the arithmetic, colour
// and attribute nodes, conversions between value types, connections.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "scenegraph/nodes/SGArithmeticNode.h"
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
    node->release();
}

TEST(ColorNode, AssemblesUnclampedColour)
{
    SGColorNode node;
    EXPECT_EQ(node.output.colorValue(), SGWhiteColor);
    node.a.setValue(0.5f);
    node.r.setValue(2.0f);
    EXPECT_EQ(node.output.colorValue(), (SGColor{2, 1, 1, 0.5f}));
}

// A node holding one port of each plain type, all inputs.
struct HolderNode : SGNode {
    HolderNode()
    {
        addInputPort(&text, STRING);
        addInputPort(&number, NUMBER);
        addInputPort(&integer, INTEGER);
        addInputPort(&flag, BOOLEAN);
        addInputPort(&color, COLOR);
    }
    SGStringPort text;
    SGNumberPort number;
    SGIntegerPort integer;
    SGBooleanPort flag;
    SGColorPort color;
};

TEST(PortConversion, NumberToStringHasTwoSignificantDigits)
{
    const std::pair<float, const char*> cases[] = {
        {0.0f, "0"}, {0.5f, "0.5"}, {3.14159f, "3.1"}, {42.0f, "42"}, {100.0f, "1e+02"},
        {123.4f, "1.2e+02"}, {99.5f, "1e+02"}, {-7.26f, "-7.3"}, {0.0001f, "0.0001"},
        {0.00001f, "1e-05"}, {2.5f, "2.5"}, {1.26f, "1.3"},
    };
    HolderNode node;
    for (const auto& [value, text] : cases) {
        node.number.value = value;
        EXPECT_EQ(node.number.stringValue(), text) << value;
    }
}

// A port's string, number, integer and boolean readings, joined by '|'.
std::string readings(SGPort& port)
{
    std::ostringstream out;
    out << port.stringValue() << '|' << port.numberValue() << '|' << port.intValue() << '|' << port.boolValue();
    return out.str();
}

TEST(PortConversion, EachTypeReadAsEveryOther)
{
    HolderNode node;
    const std::pair<const char*, const char*> strings[] = {
        {" 12abc", " 12abc|12|12|0"}, {"3.5abc", "3.5abc|3.5|3|0"}, {"abc", "abc|0|0|0"}, {"", "|0|0|0"},
        {"   ", "   |0|0|0"}, {"1", "1|1|1|1"}, {"true", "true|0|0|0"}, {"yes", "yes|0|0|0"}, {"2", "2|2|2|0"},
        {"0", "0|0|0|0"},
    };
    for (const auto& [value, expected] : strings) {
        node.text.value = value;
        EXPECT_EQ(readings(node.text), expected);
    }
    const std::pair<float, const char*> numbers[] = {
        {-2.7f, "-2.7|-2.7|-2|1"}, {0.0f, "0|0|0|0"}, {std::nanf(""), "nan|nan|0|1"},
        {1e20f, "1e+20|1e+20|2147483647|1"}, {-1e20f, "-1e+20|-1e+20|-2147483648|1"},
    };
    for (const auto& [value, expected] : numbers) {
        node.number.value = value;
        EXPECT_EQ(readings(node.number), expected);
    }
    node.integer.value = -42;
    EXPECT_EQ(readings(node.integer), "-42|-42|-42|1");
    node.flag.value = true;
    EXPECT_EQ(readings(node.flag), "true|1|1|1");
    node.flag.value = false;
    EXPECT_EQ(readings(node.flag), "false|0|0|0");
    node.color.value = {0.1f, 0.2f, 0.3f, 0.4f};
    EXPECT_EQ(readings(node.color), "|0|0|0");
    EXPECT_EQ(std::make_tuple(node.text.colorValue(), node.text.imageValue().width, node.number.colorValue(),
                              node.number.soundValue().buffers),
              std::make_tuple(SGWhiteColor, 0, SGWhiteColor, nullptr));
}

// Connecting holds the source's node; reconnecting moves the hold and the
// link; a null source disconnects, and the stored value is read again.
TEST(PortConnection, ReconnectingMovesTheReferenceAndNullDisconnects)
{
    HolderNode reader;
    reader.number.value = 7.0f;
    reader.number.setValue(nullptr);  // unconnected: nothing happens
    EXPECT_EQ(reader.number.numberValue(), 7.0f);
    SGArithmeticNode* s = new SGArithmeticNode();
    SGArithmeticNode* t = new SGArithmeticNode();
    t->input1.value = 3.0f;
    const auto state = [&] {
        return std::make_tuple(s->retainCount(), t->retainCount(), s->output.destPorts.size(),
                               std::vector<SGPort*>(t->output.destPorts.begin(), t->output.destPorts.end()),
                               reader.number.numberValue());
    };
    reader.number.setValue(&s->output);
    EXPECT_EQ(s->retainCount(), 2);
    reader.number.setValue(&t->output);
    EXPECT_EQ(state(), std::make_tuple(1, 2, size_t{0}, std::vector<SGPort*>{&reader.number}, 3.0f));
    reader.number.setValue(nullptr);
    EXPECT_EQ(state(), std::make_tuple(1, 1, size_t{0}, std::vector<SGPort*>{}, 7.0f));
    s->release();
    t->release();
}

}  // namespace
