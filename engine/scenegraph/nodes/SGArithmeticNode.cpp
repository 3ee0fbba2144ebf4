#include "scenegraph/nodes/SGArithmeticNode.h"

#include <cmath>

SGArithmeticNode::SGArithmeticNode()
{
    nodeClass |= SGArithmeticNodeClass;
    addOutputPort(&output, NUMBER);
    addInputPort(&input1, NUMBER);
    addInputPort(&input2, NUMBER);
    addInputPort(&operation, STRING);
    operation.setValue("+");
}

void SGArithmeticNode::compute()
{
    const char op = operation.value.empty() ? '\0' : operation.value[0];
    const float a = input1.numberValue();
    const float b = input2.numberValue();
    float result = 0.0f;
    switch (op) {
    case '+': result = a + b; break;
    case '-': result = a - b; break;
    case '*': result = a * b; break;
    case '/': result = a / b; break;  // a zero divisor gives an infinity or NaN
    case '%': result = std::fmod(a, b); break;
    default: break;
    }
    output.value = result;
}

SGPort* SGArithmeticNode::portForID(SGPortID id)
{
    switch (id) {
    case SGPortID_input1: return &input1;
    case SGPortID_input2: return &input2;
    case SGPortID_operation: return &operation;
    case SGPortID_output: return &output;
    default: return nullptr;
    }
}
