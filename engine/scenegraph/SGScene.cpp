#include "scenegraph/SGScene.h"

#include <GL/gl.h>

#include <algorithm>

#include "assets/AssetManager.h"
#include "audio/SoundManager.h"
#include "scenegraph/SGAlphaScaleFactor.h"
#include "scenegraph/nodes/SGNodeFactory.h"

namespace {

// The depths of the two matrix stacks the spaces push onto. A node's
// compute may raise an error partway through drawing (the engine script's
// path method failing inside a loader node); the stacks are then put back
// as they were, so that the next frame starts balanced.
struct MatrixDepths {
    GLint projection = 0;
    GLint modelview = 0;
};

MatrixDepths currentMatrixDepths()
{
    MatrixDepths depths;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depths.projection);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depths.modelview);
    return depths;
}

void popMatrices(GLenum mode, GLenum depthQuery, GLint depth)
{
    glMatrixMode(mode);
    GLint current = 0;
    glGetIntegerv(depthQuery, &current);
    for (; current > depth && current > 1; --current)
        glPopMatrix();
}

void restoreMatrixDepths(const MatrixDepths& depths)
{
    popMatrices(GL_PROJECTION, GL_PROJECTION_STACK_DEPTH, depths.projection);
    popMatrices(GL_MODELVIEW, GL_MODELVIEW_STACK_DEPTH, depths.modelview);
}

}  // namespace

SGScene::SGScene(SoundManager* soundManager, AssetManager* assetManager)
    : defaultSpace(soundManager, assetManager), assetManager(assetManager), soundManager(soundManager)
{
}

SGScene::~SGScene()
{
    std::vector<SGSpace*> released;
    released.swap(spaces);
    for (SGSpace* space : released)
        space->release();
}

SGSpace* SGScene::createSpace(SGNodeClass cls)
{
    SGSpace* space = SGNodeFactory::createSceneSpace(cls, soundManager, assetManager);
    spaces.push_back(space);
    return space;
}

void SGScene::removeSpace(SGSpace* space)
{
    auto found = std::find(spaces.begin(), spaces.end(), space);
    if (found == spaces.end())
        return;
    spaces.erase(found);
    space->release();
}

void SGScene::render()
{
    const MatrixDepths depths = currentMatrixDepths();
    try {
        defaultSpace.compute();
        for (SGSpace* space : spaces)
            space->compute();
    } catch (...) {
        restoreMatrixDepths(depths);
        throw;
    }
}

void SGScene::renderWithInitialState(SGScene& initial)
{
    const MatrixDepths depths = currentMatrixDepths();
    try {
        defaultSpace.compute();
        for (size_t i = 0; i < spaces.size(); ++i) {
            if (i < initial.spaces.size()) {
                SGAlphaScaleFactor = 0.5f;
                initial.spaces[i]->compute();
            }
            SGAlphaScaleFactor = 1.0f;
            spaces[i]->compute();
        }
    } catch (...) {
        SGAlphaScaleFactor = 1.0f;
        restoreMatrixDepths(depths);
        throw;
    }
}
