// Spaces and scenes: render order, ownership. The factory and sorting by
// layer are pinned through the script module (the module tests), render
// nodes removed by the re-entrant render tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/AssetManager.h"
#include "audio/SoundManager.h"
#include "scenegraph/SGAlphaScaleFactor.h"
#include "scenegraph/SGScene.h"
#include "scenegraph/nodes/SGArithmeticNode.h"

namespace {

// A render node that records its label and the alpha factor when drawn.
struct RecordingNode : SGRenderNode {
    RecordingNode(std::vector<std::string>& log, std::string label) : log(log), label(std::move(label)) {}
    void compute() override
    {
        log.push_back(label + (SGAlphaScaleFactor == 1.0f ? "" : "@" + std::to_string(SGAlphaScaleFactor).substr(0, 3)));
    }
    std::vector<std::string>& log;
    std::string label;
};

RecordingNode* addRecorder(SGSpace& space, std::vector<std::string>& log, const std::string& label, int layer = 0)
{
    auto* node = new RecordingNode(log, label);
    node->layer = layer;
    space.addNode(node);
    return node;
}

using Log = std::vector<std::string>;

// Nested spaces drawing in their place is pinned by the space drawing tests.
TEST(Space, NestedSpacesShareManagers)
{
    AssetManager assets(nullptr);
    SoundManager sounds;
    SGSpace space(&sounds, &assets);
    for (SGNodeClass cls : {SGSpaceClass, SGWrapSpaceClass, SGReplicatorSpaceClass}) {
        auto* nested = static_cast<SGSpace*>(space.createNode(cls));
        EXPECT_EQ(nested->assetManager.get(), &assets) << cls;
        EXPECT_EQ(nested->soundManager.get(), &sounds) << cls;
    }
}

TEST(Space, RemoveNodeDropsItsOwnNodesAndIgnoresStrangers)
{
    SGSpace space(nullptr, nullptr);
    SGArithmeticNode stranger;
    space.removeNode(&stranger);
    space.removeNode(space.createNode(SGArithmeticNodeClass));
    EXPECT_TRUE(space.nodes.empty());
}

TEST(Scene, DefaultSpaceFirstThenSpacesInCreationOrder)
{
    Log log;
    SGScene scene(nullptr, nullptr);
    SGSpace* first = scene.createSpace(SGSpaceClass);
    SGSpace* second = scene.createSpace(SGOrtho2DSpaceClass + 1);  // any class: a plain space
    EXPECT_EQ(second->nodeClass, SGSpaceClass | SGRenderNodeClass);
    addRecorder(*second, log, "second");
    addRecorder(*first, log, "first");
    addRecorder(scene.defaultSpace, log, "default");
    scene.render();
    EXPECT_EQ(log, (Log{"default", "first", "second"}));

    scene.removeSpace(first);
    SGSpace stranger(nullptr, nullptr);
    scene.removeSpace(&stranger);
    scene.removeSpace(&scene.defaultSpace);
    log.clear();
    scene.render();
    EXPECT_EQ(log, (Log{"default", "second"}));
}

TEST(Scene, RenderWithInitialStateDrawsInitialSpacesAtHalfAlpha)
{
    Log log;
    SGScene scene(nullptr, nullptr);
    SGScene initial(nullptr, nullptr);
    addRecorder(scene.defaultSpace, log, "default");
    addRecorder(initial.defaultSpace, log, "initialDefault");
    addRecorder(*scene.createSpace(SGSpaceClass), log, "s0");
    addRecorder(*scene.createSpace(SGSpaceClass), log, "s1");
    addRecorder(*initial.createSpace(SGSpaceClass), log, "i0");
    scene.renderWithInitialState(initial);
    EXPECT_EQ(log, (Log{"default", "i0@0.5", "s0", "s1"}));
    EXPECT_EQ(SGAlphaScaleFactor, 1.0f);
}

}  // namespace
