// The string-to-image node in a real GL context: sizes, alignment in its
// texture, texture ownership.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <tuple>

#include "DrawingSupport.h"
#include "text/StringTexture.h"
#include "scenegraph/nodes/SGStringToImageNode.h"

using tern_test::OffscreenGL;

namespace {

class StringToImageNodeTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        node = static_cast<SGStringToImageNode*>(scene.defaultSpace.createNode(SGStringToImageNodeClass));
        ASSERT_NE(node, nullptr);
    }

    // The alpha-weighted mean column of the ink in rows [fromRow, toRow) of
    // the node's texture, read back (the first row is the bottom one).
    double inkCentreX(int fromRow, int toRow)
    {
        const SGImage image = node->image.imageValue();
        std::vector<uint8_t> texels(static_cast<size_t>(image.width) * image.height * 4);
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, image.texture);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        double weighted = 0, total = 0;
        for (int y = fromRow; y < toRow; ++y)
            for (int x = 0; x < image.width; ++x) {
                const double ink = texels[(static_cast<size_t>(y) * image.width + x) * 4 + 3];
                weighted += ink * x;
                total += ink;
            }
        return total > 0 ? weighted / total : -1;
    }

    OffscreenGL gl{320, 160};
    SGScene scene{nullptr, nullptr};
    SGStringToImageNode* node = nullptr;
};

}  // namespace

TEST_F(StringToImageNodeTest, ImageIsTheMeasuredTextPlusMarginsInAPlainTexture)
{
    node->text.setValue("Score: 4200");
    node->font.setValue("Arial");
    node->fontSize.setValue(24.0f);
    const TNTextSize frame = StringTexture("Score: 4200", "ArialMT", 24, TNTextLayoutAlignment::Center).frameSize();
    const SGImage image = node->image.imageValue();
    const int width = static_cast<int>(frame.width), height = static_cast<int>(frame.height);
    EXPECT_EQ(std::make_tuple(image.width, image.height, node->width.numberValue(), node->height.numberValue()),
              std::make_tuple(width, height, static_cast<float>(width), static_cast<float>(height)));
    EXPECT_EQ(std::make_tuple(image.floatWidth, image.floatHeight, image.premultipliedAlpha),
              std::make_tuple(1.0f, 1.0f, decltype(image.premultipliedAlpha){0}));
}

TEST_F(StringToImageNodeTest, DefaultsUnknownFontsDrawInArialAndNoImageForEmptyTextOrFont)
{
    EXPECT_EQ(std::make_tuple(node->fontSize.value, node->alignment.value, node->image.imageValue().texture),
              std::make_tuple(12.0f, 1, 0u));
    node->text.setValue("Default font");
    const float defaultWidth = node->width.numberValue();  // "LucidaGrande"
    node->font.setValue("Arial");
    EXPECT_EQ(node->width.numberValue(), defaultWidth);
    node->font.setValue("Courier New");
    EXPECT_NE(node->width.numberValue(), defaultWidth);
    node->font.setValue("Comic Sans");
    EXPECT_EQ(node->width.numberValue(), defaultWidth);
    // Sizes that cannot be drawn are pinned by the string texture's tests.
    node->font.setValue("");
    EXPECT_EQ(std::make_pair(node->width.numberValue(), node->image.imageValue().texture), std::make_pair(0.0f, 0u));
}

TEST_F(StringToImageNodeTest, AlignmentPlacesTheShortLine)
{
    node->text.setValue("MMMMMMMMMM\n.");
    node->fontSize.setValue(30.0f);
    const float width = node->width.numberValue();
    const int dotRows = static_cast<int>(node->height.numberValue()) / 2;  // the bottom line
    const auto dotCentre = [&](int alignment) {
        node->alignment.setValue(alignment);
        return inkCentreX(0, dotRows);
    };
    EXPECT_LT(dotCentre(0), width * 0.15);
    const double centre = dotCentre(1);
    EXPECT_NEAR(centre, width * 0.5, width * 0.1);
    EXPECT_GT(dotCentre(2), width * 0.85);
    // Values other than 0, 1 and 2 lay the text out centred.
    EXPECT_DOUBLE_EQ(dotCentre(3), centre);
    EXPECT_DOUBLE_EQ(dotCentre(-1), centre);
}

TEST_F(StringToImageNodeTest, TheNodeOwnsItsTexture)
{
    node->text.setValue("Aligned");
    const GLuint first = node->image.imageValue().texture;
    ASSERT_TRUE(glIsTexture(first));
    node->alignment.setValue(0);
    const GLuint second = node->image.imageValue().texture;
    EXPECT_NE(second, first);
    EXPECT_TRUE(glIsTexture(second));
    EXPECT_FALSE(glIsTexture(first));

    // Reading again without a change keeps the texture.
    EXPECT_EQ(node->image.imageValue().texture, second);

    node->text.setValue("");
    EXPECT_EQ(std::make_tuple(node->width.numberValue(), node->height.numberValue(), node->image.imageValue().width),
              std::make_tuple(0.0f, 0.0f, 0));
    EXPECT_FALSE(glIsTexture(second));

    // The node deletes its texture when it goes.
    node->text.setValue("Bye");
    const GLuint last = node->image.imageValue().texture;
    ASSERT_TRUE(glIsTexture(last));
    scene.defaultSpace.removeNode(node);
    node = nullptr;
    EXPECT_FALSE(glIsTexture(last));
}
