// Ports: conversions between value types, marking, connections.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "scenegraph/nodes/SGArithmeticNode.h"
#include "scenegraph/nodes/SGAttributeNode.h"
#include "scenegraph/nodes/SGColorNode.h"
#include "scenegraph/ports/SGValuePort.h"
#include "scenegraph/ports/SGValueConversion.h"

namespace {

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

TEST(PortConversion, StringsParseLikeStreamExtraction)
{
    HolderNode node;
    node.text.value = " 12abc";
    EXPECT_EQ(node.text.intValue(), 12);
    EXPECT_FLOAT_EQ(node.text.numberValue(), 12.0f);
    node.text.value = "3.5abc";
    EXPECT_FLOAT_EQ(node.text.numberValue(), 3.5f);
    EXPECT_EQ(node.text.intValue(), 3);
    for (const char* zero : {"abc", "", "   "}) {
        node.text.value = zero;
        EXPECT_EQ(node.text.intValue(), 0) << zero;
        EXPECT_EQ(node.text.numberValue(), 0.0f) << zero;
        EXPECT_FALSE(node.text.boolValue()) << zero;
    }
    node.text.value = "1";
    EXPECT_TRUE(node.text.boolValue());
    for (const char* notTrue : {"true", "yes", "2", "0"}) {
        node.text.value = notTrue;
        EXPECT_FALSE(node.text.boolValue()) << notTrue;
    }
    EXPECT_EQ(node.text.colorValue(), SGWhiteColor);
    EXPECT_EQ(node.text.imageValue().width, 0);
}

TEST(PortConversion, NumbersIntegersAndBooleans)
{
    HolderNode node;
    node.number.value = -2.7f;
    EXPECT_EQ(node.number.intValue(), -2);
    EXPECT_TRUE(node.number.boolValue());
    node.number.value = 0.0f;
    EXPECT_FALSE(node.number.boolValue());
    node.number.value = std::nanf("");
    EXPECT_TRUE(node.number.boolValue());
    EXPECT_EQ(node.number.intValue(), 0);
    node.number.value = 1e20f;
    EXPECT_EQ(node.number.intValue(), std::numeric_limits<int32_t>::max());
    node.number.value = -1e20f;
    EXPECT_EQ(node.number.intValue(), std::numeric_limits<int32_t>::min());

    node.integer.value = -42;
    EXPECT_EQ(node.integer.stringValue(), "-42");
    EXPECT_EQ(node.integer.numberValue(), -42.0f);
    EXPECT_TRUE(node.integer.boolValue());

    node.flag.value = true;
    EXPECT_EQ(node.flag.stringValue(), "true");
    EXPECT_EQ(node.flag.numberValue(), 1.0f);
    EXPECT_EQ(node.flag.intValue(), 1);
    node.flag.value = false;
    EXPECT_EQ(node.flag.stringValue(), "false");

    node.color.value = {0.1f, 0.2f, 0.3f, 0.4f};
    EXPECT_EQ(node.color.numberValue(), 0.0f);
    EXPECT_EQ(node.color.stringValue(), "");
    EXPECT_FALSE(node.color.boolValue());
    EXPECT_EQ(node.number.colorValue(), SGWhiteColor);
    EXPECT_EQ(node.number.soundValue().buffers, nullptr);
}

TEST(PortConnection, ReconnectingMovesTheReference)
{
    HolderNode reader;
    SGArithmeticNode* s = new SGArithmeticNode();
    SGArithmeticNode* t = new SGArithmeticNode();
    reader.number.setValue(&s->output);
    EXPECT_EQ(s->retainCount(), 2);
    reader.number.setValue(&t->output);
    EXPECT_EQ(s->retainCount(), 1);
    EXPECT_EQ(t->retainCount(), 2);
    EXPECT_TRUE(s->output.destPorts.empty());
    ASSERT_EQ(t->output.destPorts.size(), 1u);
    EXPECT_EQ(t->output.destPorts[0], &reader.number);
    EXPECT_EQ(reader.number.sourcePort, &t->output);
    s->release();
    t->release();
}

TEST(PortConnection, NullSourceDisconnectsAndStoredValueReturns)
{
    HolderNode reader;
    reader.number.value = 7.0f;
    reader.number.setValue(nullptr);  // unconnected: nothing happens
    EXPECT_EQ(reader.number.numberValue(), 7.0f);

    SGArithmeticNode* source = new SGArithmeticNode();
    source->input1.value = 3.0f;
    reader.number.setValue(&source->output);
    EXPECT_EQ(reader.number.numberValue(), 3.0f);
    reader.number.setValue(nullptr);
    EXPECT_EQ(reader.number.numberValue(), 7.0f);
    EXPECT_EQ(source->retainCount(), 1);
    source->release();
}

TEST(PortConnection, RemoveDestPortRemovesFirstOccurrenceOnly)
{
    HolderNode node;
    SGNumberPort a, b;
    node.number.addDestPort(&a);
    node.number.addDestPort(&b);
    node.number.addDestPort(&a);
    node.number.removeDestPort(&a);
    ASSERT_EQ(node.number.destPorts.size(), 2u);
    EXPECT_EQ(node.number.destPorts[0], &b);
    EXPECT_EQ(node.number.destPorts[1], &a);
    node.number.removeDestPort(&node.text);  // absent: nothing
    EXPECT_EQ(node.number.destPorts.size(), 2u);
    node.number.destPorts.clear();
}

TEST(PortConnection, ConnectionsThatCloseACycleAreRefused)
{
    SGArithmeticNode* a = new SGArithmeticNode();
    SGArithmeticNode* b = new SGArithmeticNode();
    b->input1.setValue(&a->output);
    EXPECT_FALSE(a->input1.canConnectTo(&b->output));
    a->input1.setValue(&b->output);  // refused
    EXPECT_EQ(a->input1.sourcePort, nullptr);
    EXPECT_FALSE(a->input2.canConnectTo(&a->output));  // through the node itself
    EXPECT_FALSE(a->input1.canConnectTo(&a->input1));
    EXPECT_TRUE(a->input1.canConnectTo(&b->input2));
    a->input2.markAsDirty();  // the walk ends
    EXPECT_EQ(b->retainCount(), 1);
    a->release();
    b->release();
}

}  // namespace
