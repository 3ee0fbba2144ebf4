#include "scenegraph/ports/SGPort.h"

#include "log/TNLog.h"
#include "scenegraph/nodes/SGNode.h"
#include "scenegraph/ports/SGPortOrder.h"

SGPort::~SGPort()
{
    disconnect();
    // The node's own ports die one after another: none may keep a link to
    // one already gone.
    for (SGPort* dest : destPorts) {
        if (dest->hasLinks())
            dest->links().upstreamPorts.eraseOne(this);
    }
    if (links_) {
        for (SGPort* upstream : links_->upstreamPorts)
            upstream->destPorts.eraseOne(this);
    }
}

SGPortLinks& SGPort::links() const
{
    if (!links_) {
        links_ = std::make_unique<SGPortLinks>();
        links_->order = SGPortOrder::nextOrder();
    }
    return *links_;
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
    noteChanged();
}

void SGPort::disconnect()
{
    if (!sourcePort)
        return;
    SGPort* source = sourcePort;
    sourcePort = nullptr;
    noteChanged();
    source->removeDestPort(this);
    source->node->release();  // may destroy the source's node, and its ports
}

bool SGPort::canConnectTo(const SGPort* source) const
{
    if (!source || !source->node)
        return false;
    return SGPortOrder::makeRoom(source, this);
}

void SGPort::noteChanged()
{
    if (node)
        node->changedInputs |= inputBit;
}

void SGPort::markAsDirty()
{
    if (!node)
        return;
    node->changedInputs |= inputBit;
    if (node->dirty)
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
    if (!SGPortOrder::makeRoom(this, dest)) {
        TNLog("SGPort::addDestPort: an edge that would close a cycle ignored");
        return;
    }
    destPorts.push_back(dest);
    dest->links().upstreamPorts.push_back(this);
}

void SGPort::removeDestPort(SGPort* dest)
{
    destPorts.eraseOne(dest);
    if (dest && dest->hasLinks())
        dest->links().upstreamPorts.eraseOne(this);
}

void SGPort::updateNode()
{
    if (node)
        node->update();
}
