// Turns text, font, font size and alignment into an image of the text
// (white on clear) with its width and height in pixels. The node owns the
// texture of the image it offers: it deletes it when the image is replaced
// and when the node goes.
#ifndef SG_STRING_TO_IMAGE_NODE_H
#define SG_STRING_TO_IMAGE_NODE_H

#include "scenegraph/nodes/SGNode.h"
#include "scenegraph/ports/SGValuePort.h"

class SGStringToImageNode : public SGNode {
public:
    SGStringToImageNode();
    ~SGStringToImageNode() override;

    void compute() override;
    SGPort* portForID(SGPortID id) override;

    SGImagePort image;
    SGNumberPort width;
    SGNumberPort height;
    SGStringPort text;
    SGStringPort font;
    SGNumberPort fontSize;
    SGIntegerPort alignment;  // 0 left, 1 centre, 2 right
};

#endif
