// Ports: conversions between value types, marking, connections.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "scenegraph/nodes/SGArithmeticNode.h"
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
    EXPECT_EQ(node.text.colorValue(), SGWhiteColor);
    EXPECT_EQ(node.text.imageValue().width, 0);
    EXPECT_EQ(node.number.colorValue(), SGWhiteColor);
    EXPECT_EQ(node.number.soundValue().buffers, nullptr);
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
    reader.number.setValue(&s->output);
    EXPECT_EQ(s->retainCount(), 2);
    reader.number.setValue(&t->output);
    EXPECT_EQ(s->retainCount(), 1);
    EXPECT_EQ(t->retainCount(), 2);
    EXPECT_TRUE(s->output.destPorts.empty());
    ASSERT_EQ(t->output.destPorts.size(), 1u);
    EXPECT_EQ(t->output.destPorts[0], &reader.number);
    EXPECT_EQ(reader.number.numberValue(), 3.0f);
    reader.number.setValue(nullptr);
    EXPECT_EQ(reader.number.numberValue(), 7.0f);
    EXPECT_EQ(t->retainCount(), 1);
    s->release();
    t->release();
}

}  // namespace
