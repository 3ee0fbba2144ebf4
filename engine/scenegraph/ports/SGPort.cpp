#include "scenegraph/ports/SGPort.h"

#include <algorithm>
#include <unordered_set>

#include "log/TNLog.h"
#include "scenegraph/nodes/SGNode.h"

SGPort::~SGPort()
{
    disconnect();
}

std::string SGPort::stringValue() { return std::string(); }
float SGPort::numberValue() { return 0.0f; }
int32_t SGPort::intValue() { return 0; }
bool SGPort::boolValue() { return false; }
SGColor SGPort::colorValue() { return SGWhiteColor; }
SGSound SGPort::soundValue() { return SGSoundNull; }
SGImage SGPort::imageValue() { return SGImageNull; }

void SGPort::setValue(SGPort* source)
{
    if (!source) {
        disconnect();
        return;
    }
    if (!canConnectTo(source))
        return;
    disconnect();
    source->node->retain();
    sourcePort = source;
    source->addDestPort(this);
}

void SGPort::disconnect()
{
    if (!sourcePort)
        return;
    SGPort* source = sourcePort;
    sourcePort = nullptr;
    source->removeDestPort(this);
    source->node->release();  // may destroy the source's node, and its ports
}

bool SGPort::canConnectTo(const SGPort* source) const
{
    if (!source || !source->node)
        return false;
    // Walk everything that depends on this port; finding source means a cycle.
    std::vector<const SGPort*> pending{this};
    std::unordered_set<const SGPort*> seen{this};
    while (!pending.empty()) {
        const SGPort* port = pending.back();
        pending.pop_back();
        if (port == source)
            return false;
        for (const SGPort* dest : port->destPorts) {
            if (seen.insert(dest).second)
                pending.push_back(dest);
        }
    }
    return true;
}

void SGPort::markAsDirty()
{
    if (!node || node->dirty)
        return;
    // The flag is set after the walk, so a node reached twice is walked twice;
    // connections never form a cycle, so the walk ends.
    for (SGPort* dest : destPorts)
        dest->markAsDirty();
    node->dirty = true;
}

void SGPort::addDestPort(SGPort* dest)
{
    if (!dest) {
        TNLog("SGPort::addDestPort: null destination port ignored");
        return;
    }
    destPorts.push_back(dest);
}

void SGPort::removeDestPort(SGPort* dest)
{
    auto found = std::find(destPorts.begin(), destPorts.end(), dest);
    if (found != destPorts.end())
        destPorts.erase(found);
}

void SGPort::updateNode()
{
    if (node)
        node->update();
}
