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
    // close()s the scene.
    ~SGScene() override;

    // Empties every created space and releases it, in creation order, then
    // empties the default space. What deleting a scene does at once: a
    // render in progress draws nothing more of it, and the scene object
    // itself goes when the last hold on it (the render's) ends.
    void close();

    // An ortho space for SGOrtho2DSpaceClass (once that class is listed in
    // SGNodeFactory), a plain space for any other value. The scene keeps
    // the creation reference.
    SGSpace* createSpace(SGNodeClass cls);
    // Releases the space if it is one of this scene's; ignores it otherwise.
    void removeSpace(SGSpace* space);

    // Draws the default space, then the created spaces in creation order.
    // The scene and its spaces are held while they draw: code run by the
    // drawing may remove spaces and nodes, or delete the scene (which then
    // goes when the render returns); what it removed is not drawn from then
    // on, what it added is drawn from the next render.
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
