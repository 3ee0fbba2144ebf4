#include "scenegraph/drawing/SGSpriteRenderer.h"

void SGSpriteRenderer::drawSprite(const SGImage&, const float&, const float&, const float&, const float&,
                                  const float&, const SGWrapMode&, const SGWrapMode&)
{
}

void SGSpriteRenderer::batchSprite(SGQuadBatch&, const SGImage&, float, float, float, float, float, SGWrapMode,
                                   SGWrapMode)
{
}
