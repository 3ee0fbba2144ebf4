#include "scenegraph/SGScene.h"

#include <algorithm>

#include "scenegraph/SGAlphaScaleFactor.h"
#include "scenegraph/nodes/SGNodeFactory.h"

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
    defaultSpace.compute();
    for (SGSpace* space : spaces)
        space->compute();
}

void SGScene::renderWithInitialState(SGScene& initial)
{
    defaultSpace.compute();
    for (size_t i = 0; i < spaces.size(); ++i) {
        if (i < initial.spaces.size()) {
            SGAlphaScaleFactor = 0.5f;
            initial.spaces[i]->compute();
        }
        SGAlphaScaleFactor = 1.0f;
        spaces[i]->compute();
    }
}
