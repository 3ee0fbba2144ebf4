#include "scenegraph/nodes/SGSpriteRenderer.h"

void SGSpriteRenderer::drawSprite(const SGImage&, const float&, const float&, const float&, const float&,
                                  const float&, const SGWrapMode&, const SGWrapMode&)
{
}
