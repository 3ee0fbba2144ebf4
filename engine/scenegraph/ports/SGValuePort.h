// The typed ports: one template for the value a port holds, and the seven
// port classes made from it. A port reads its own type by following its
// source or bringing its node up to date; it reads the other scalar types
// (string, number, integer, boolean) by converting that, and answers the
// base's defaults for the types it cannot convert to.
#ifndef SG_VALUE_PORT_H
#define SG_VALUE_PORT_H

#include <string>
#include <type_traits>

#include "scenegraph/SGHold.h"
#include "scenegraph/nodes/SGNode.h"
#include "scenegraph/ports/SGPort.h"
#include "scenegraph/ports/SGValueConversion.h"

// T: the stored type; Type: its value type; Read: the accessor that reads
// a port as T (called on the source port while connected).
template <class T, SGPortValueType Type, T (SGPort::*Read)()>
class SGValuePort : public SGPort {
public:
    static constexpr SGPortValueType kStorage = Type;
    SGValuePort() { storage = kStorage; }

    using SGPort::setValue;
    // Stores v and marks everything that depends on this port dirty. Code
    // that must not mark (a node writing its outputs from compute) stores
    // into value directly.
    void setValue(const T& v)
    {
        value = v;
        markAsDirty();
    }

    std::string stringValue() override
    {
        if constexpr (kScalar)
            return SGAsString(ownValue());
        return SGPort::stringValue();
    }
    float numberValue() override
    {
        if constexpr (kScalar)
            return SGAsNumber(ownValue());
        return SGPort::numberValue();
    }
    int32_t intValue() override
    {
        if constexpr (kScalar)
            return SGAsInteger(ownValue());
        return SGPort::intValue();
    }
    bool boolValue() override
    {
        if constexpr (kScalar)
            return SGAsBoolean(ownValue());
        return SGPort::boolValue();
    }
    SGColor colorValue() override
    {
        if constexpr (std::is_same_v<T, SGColor>)
            return ownValue();
        return SGPort::colorValue();
    }
    SGSound soundValue() override
    {
        if constexpr (std::is_same_v<T, SGSound>)
            return ownValue();
        return SGPort::soundValue();
    }
    SGImage imageValue() override
    {
        if constexpr (std::is_same_v<T, SGImage>)
            return ownValue();
        return SGPort::imageValue();
    }

    // The port's value in its own type for the owning node's compute, which
    // runs with the node already clean: the source's value while connected,
    // else the stored one, without a virtual call.
    T inputValue()
    {
        return sourcePort ? (sourcePort->*Read)() : value;
    }

    T value{};

private:
    static constexpr bool kScalar = Type >= STRING && Type <= BOOLEAN;

    T ownValue()
    {
        if (sourcePort)
            return (sourcePort->*Read)();
        if (node && node->dirty) {
            // compute may run script code that releases the node: the value
            // is copied out before the hold lets it go.
            SGHold hold(node);
            updateNode();
            return value;
        }
        return value;
    }
};

class SGStringPort : public SGValuePort<std::string, STRING, &SGPort::stringValue> {};
class SGNumberPort : public SGValuePort<float, NUMBER, &SGPort::numberValue> {};
class SGIntegerPort : public SGValuePort<int32_t, INTEGER, &SGPort::intValue> {};
class SGBooleanPort : public SGValuePort<bool, BOOLEAN, &SGPort::boolValue> {};
class SGSoundPort : public SGValuePort<SGSound, SOUND, &SGPort::soundValue> {};
class SGImagePort : public SGValuePort<SGImage, IMAGE, &SGPort::imageValue> {};

class SGColorPort : public SGValuePort<SGColor, COLOR, &SGPort::colorValue> {
public:
    SGColorPort() { value = SGWhiteColor; }
};

#endif
