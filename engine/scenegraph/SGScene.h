// The root of a scene graph: a default space plus the spaces created in it,
// drawn default space first, then in creation order.
#ifndef SG_SCENE_H
#define SG_SCENE_H

#include <vector>

#include "scenegraph/SGObject.h"
#include "scenegraph/nodes/SGSpace.h"

class SGScene : public SGObject {
public:
    SGScene(SoundManager* soundManager, AssetManager* assetManager);
    // Releases the created spaces in order, then the default space's nodes.
    ~SGScene() override;

    // An ortho space for SGOrtho2DSpaceClass (once that class is listed in
    // SGNodeFactory), a plain space for any other value. The scene keeps
    // the creation reference.
    SGSpace* createSpace(SGNodeClass cls);
    // Releases the space if it is one of this scene's; ignores it otherwise.
    void removeSpace(SGSpace* space);

    void render();
    // Draws each space of initial at half alpha directly under the space of
    // the same index of this scene (initial's default space is not drawn).
    void renderWithInitialState(SGScene& initial);

    std::vector<SGSpace*> spaces;  // one reference held on each
    SGSpace defaultSpace;
    // Not owned; the script may delete them while the scene exists.
    TNManagerLink<AssetManager> assetManager;
    TNManagerLink<SoundManager> soundManager;
};

#endif
