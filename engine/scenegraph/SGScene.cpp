#include "scenegraph/SGScene.h"

#include <GL/gl.h>

#include <algorithm>

#include "assets/AssetManager.h"
#include "audio/SoundManager.h"
#include "scenegraph/SGAlphaScaleFactor.h"
#include "scenegraph/SGHold.h"
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

// The created spaces of a scene as a render found them, each held until the
// render ends. A space the code run by the render removes (or a scene it
// deletes) is skipped from then on.
class SpaceWalk {
public:
    explicit SpaceWalk(const std::vector<SGSpace*>& listed) : spaces_(listed)
    {
        for (SGSpace* space : spaces_)
            space->retain();
    }
    ~SpaceWalk()
    {
        for (SGSpace* space : spaces_)
            space->release();
    }
    SpaceWalk(const SpaceWalk&) = delete;
    SpaceWalk& operator=(const SpaceWalk&) = delete;

    size_t size() const { return spaces_.size(); }
    // The i-th space when the scene still lists it, else null.
    SGSpace* at(size_t i, const std::vector<SGSpace*>& current) const
    {
        if (i >= spaces_.size())
            return nullptr;
        SGSpace* space = spaces_[i];
        return std::find(current.begin(), current.end(), space) != current.end() ? space : nullptr;
    }

private:
    std::vector<SGSpace*> spaces_;
};

}  // namespace

SGScene::SGScene(SoundManager* soundManager, AssetManager* assetManager)
    : defaultSpace(soundManager, assetManager), assetManager(assetManager), soundManager(soundManager)
{
}

SGScene::~SGScene()
{
    close();
}

void SGScene::close()
{
    std::vector<SGSpace*> released;
    released.swap(spaces);
    for (SGSpace* space : released) {
        space->removeAllNodes();
        space->release();
    }
    defaultSpace.removeAllNodes();
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
    SGHold hold(this);  // a deleted scene goes when its render returns
    const MatrixDepths depths = currentMatrixDepths();
    try {
        SpaceWalk walk(spaces);
        defaultSpace.compute();
        for (size_t i = 0; i < walk.size(); ++i) {
            if (SGSpace* space = walk.at(i, spaces))
                space->compute();
        }
    } catch (...) {
        restoreMatrixDepths(depths);
        throw;
    }
}

void SGScene::renderWithInitialState(SGScene& initial)
{
    SGHold hold(this);
    SGHold holdInitial(&initial);
    const MatrixDepths depths = currentMatrixDepths();
    try {
        SpaceWalk walk(spaces);
        SpaceWalk initialWalk(initial.spaces);
        defaultSpace.compute();
        for (size_t i = 0; i < walk.size(); ++i) {
            if (SGSpace* under = initialWalk.at(i, initial.spaces)) {
                SGAlphaScaleFactor = 0.5f;
                under->compute();
            }
            SGAlphaScaleFactor = 1.0f;
            if (SGSpace* space = walk.at(i, spaces))
                space->compute();
        }
        SGAlphaScaleFactor = 1.0f;
    } catch (...) {
        SGAlphaScaleFactor = 1.0f;
        restoreMatrixDepths(depths);
        throw;
    }
}
