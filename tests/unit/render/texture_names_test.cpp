// Layer textures in the model pass, against recording GL stand-ins: uploads
// happen once per slot and then the texture is only bound, the upload format
// follows the pixels a slot holds, sizes the driver refuses are resampled,
// and every GL texture name made is deleted again (or forgotten once its
// context is gone). Also the small pure helpers of the drawing.
#include "foundation/keyed_table.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "viewer/draw_model.h"
#include "viewer/draw_overlay.h"
#include "viewer/draw_texture.h"
#include "viewer/loaded_models.h"
#include "viewer/selection.h"
#include "viewer/viewer.h"
#include "tests/unit/render/viewer_teardown.h"

#include "gl_stand_ins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

std::string draw_fixture(const char *name)
{
    const char *root = getenv("DRUVEX_FIXTURES");
    return std::string(root ? root : DRUVEX_FIXTURES) + "/draw/" + name;
}

class TextureNames : public ::testing::Test {
protected:
    Viewer viewer;

    void SetUp() override
    {
        g_gl.max_texture_size = 1024;
        g_gl.any_size = 1;
        g_gl.serial = 1;
        viewer_init(&viewer);
        gl_log_reset();
    }

    void TearDown() override
    {
        g_gl.serial = 1;
        viewer_teardown(&viewer);
        g_gl.live.clear();
    }

    Model *open(const char *name)
    {
        int32_t id = viewer_load_model(&viewer, draw_fixture(name).c_str());
        EXPECT_GT(id, 0) << name;
        ModelXform *xform = rcache_find_model_xform(&viewer, id);
        return xform ? xform->model : nullptr;
    }

    // One frame as the frame loop draws it: again while the pass uploaded textures.
    void frame()
    {
        int passes = 0;
        do {
            draw_models(&viewer);
        } while (viewer.frame_uploads != 0 && ++passes < 16);
    }
};

}  // namespace

TEST_F(TextureNames, AnImageIsUploadedOnceThenOnlyBound)
{
    open("tex_quads24.mod");
    draw_models(&viewer);
    ASSERT_EQ(g_gl.uploads.size(), 1u);
    EXPECT_EQ(viewer.frame_uploads, 1);
    EXPECT_EQ(g_gl.uploads[0].format, (GLenum)GL_RGB);
    EXPECT_EQ(g_gl.uploads[0].width, 2);
    EXPECT_EQ(g_gl.uploads[0].height, 2);
    GLuint name = g_gl.uploads[0].name;
    gl_log_reset();
    for (int i = 0; i < 3; i++) draw_models(&viewer);
    EXPECT_EQ(g_gl.uploads.size(), 0u);
    EXPECT_EQ(viewer.frame_uploads, 0);
    ASSERT_EQ(g_gl.binds.size(), 3u);
    for (GLuint bound : g_gl.binds) EXPECT_EQ(bound, name);
}

TEST_F(TextureNames, FiftyOpenDrawCloseCyclesLeaveNoNames)
{
    size_t made = 0;
    for (int cycle = 0; cycle < 50; cycle++) {
        open("tex_mirror.mod");
        open("tex_reflect.mod");
        frame();
        made += g_gl.uploads.size();
        viewer_close_all(&viewer);
        ASSERT_TRUE(g_gl.live.empty()) << "cycle " << cycle;
        gl_log_reset();
    }
    // Image and mirror image, and the two reflection images, each cycle.
    EXPECT_EQ(made, 50u * 4u);
}

TEST_F(TextureNames, ReplacedImagesAndDeletedLayersGiveTheirNamesBack)
{
    Model *model = open("tex_mirror.mod");
    frame();
    ASSERT_EQ(g_gl.live.size(), 2u);
    std::set<GLuint> old_names = g_gl.live;
    ASSERT_EQ(model_add_image(model, "face", LAYER_SLOT_IMAGE, "green.tga", 4, 5), 1);
    gl_log_reset();
    frame();
    // Both old names are deleted at the next bind; both slots upload anew.
    EXPECT_EQ(std::set<GLuint>(g_gl.deleted.begin(), g_gl.deleted.end()), old_names);
    EXPECT_EQ(g_gl.uploads.size(), 2u);
    EXPECT_EQ(g_gl.live.size(), 2u);

    Layer *layer = model_find_layer(model, "face");
    draw_release_layer_textures(layer);
    ASSERT_EQ(model_delete_layer(model, "face"), 1);
    EXPECT_TRUE(g_gl.live.empty());
}

TEST_F(TextureNames, UploadFormatFollowsTheKeyedPixelsWhateverTheOrder)
{
    const char *models[] = {"tex_keyed.mod", "tex_keyed_after.mod"};
    for (const char *name : models) {
        open(name);
        frame();
        ASSERT_EQ(g_gl.uploads.size(), 1u) << name;
        EXPECT_EQ(g_gl.uploads[0].format, (GLenum)GL_RGBA) << name;
        // Top left texel is the key colour, made transparent.
        ASSERT_EQ(g_gl.uploads[0].first_texels.size(), 8u);
        EXPECT_EQ(g_gl.uploads[0].first_texels[3], 0) << name;
        EXPECT_EQ(g_gl.uploads[0].first_texels[7], 255) << name;
        viewer_close_all(&viewer);
        gl_log_reset();
    }
}

TEST_F(TextureNames, NamesOfAContextThatIsGoneAreForgottenNotDeleted)
{
    Model *model = open("tex_quads24.mod");
    frame();
    ASSERT_EQ(g_gl.live.size(), 1u);
    GLuint first = *g_gl.live.begin();

    // A new window and context: the old name means nothing there and is not deleted.
    g_gl.serial = 2;
    gl_log_reset();
    frame();
    EXPECT_TRUE(g_gl.deleted.empty());
    ASSERT_EQ(g_gl.uploads.size(), 1u);
    EXPECT_NE(g_gl.uploads[0].name, first);
    g_gl.live.erase(first);

    // No context current at all: unloading forgets the names without a GL call.
    g_gl.serial = 0;
    gl_log_reset();
    viewer_close_all(&viewer);
    EXPECT_TRUE(g_gl.deleted.empty());
    (void)model;
    g_gl.live.clear();
}

TEST_F(TextureNames, SizesTheDriverRefusesAreResampledIntoAScratchCopy)
{
    struct Case {
        int any_size;
        GLint max_size;
        GLint width, height;
        int scaled;
    };
    const Case cases[] = {
        {1, 1024, 6, 3, 0},  // the driver takes any size: as it is
        {0, 1024, 4, 2, 1},  // powers of two only: the largest below each side
        {1, 2, 2, 2, 1},     // too large for the driver: down to its largest size
    };
    for (const Case &c : cases) {
        g_gl.any_size = c.any_size;
        g_gl.max_texture_size = c.max_size;
        Model *model = open("tex_wide.mod");
        gl_log_reset();
        frame();
        ASSERT_EQ(g_gl.uploads.size(), 1u);
        EXPECT_EQ(g_gl.uploads[0].width, c.width);
        EXPECT_EQ(g_gl.uploads[0].height, c.height);
        EXPECT_EQ(g_gl.scaled, c.scaled);
        // The cached pixels stay as read.
        LayerTexture *texture = static_cast<LayerTexture *>(table_find(&model_find_layer(model, "face")->texture, 1));
        EXPECT_EQ(texture->width[0], 6);
        EXPECT_EQ(texture->pixels[0][0], 255);
        viewer_close_all(&viewer);
    }
}

TEST(DrawHelpers, NoiseWrapsInUnsigned32BitArithmetic)
{
    struct Case {
        float x, y, expected;
    };
    const Case cases[] = {
        {0.0f, 0.0f, -0.28179098f}, {1.5f, 2.9f, 0.56562650f}, {-3.2f, 5.0f, 0.62585431f},
        {100000.0f, -7.0f, 0.95828431f},
    };
    for (const Case &c : cases) EXPECT_NEAR(draw_noise2(c.x, c.y), c.expected, 1e-6f) << c.x << " " << c.y;
    // Out of the integer range and not-a-number still give a value in (-1, 1].
    float big = draw_noise2(3e9f, -3e9f);
    float nan = draw_noise2(std::nanf(""), 1.0f);
    EXPECT_TRUE(big > -1.0f && big <= 1.0f);
    EXPECT_TRUE(nan > -1.0f && nan <= 1.0f);
}

TEST(DrawHelpers, WobbleAddsATenthOfTheSine)
{
    EXPECT_FLOAT_EQ(draw_wobble(0.0f), 0.0f);
    EXPECT_NEAR(draw_wobble(0.5f), 0.6f, 1e-5f);    // sin 90
    EXPECT_NEAR(draw_wobble(-0.5f), -0.4f, 1e-5f);  // |x| chooses the degree
    EXPECT_NEAR(draw_wobble(1.5f), 1.4f, 1e-5f);    // sin 270
    float far = draw_wobble(1e9f);
    EXPECT_TRUE(far == far);
}

TEST(DrawHelpers, DigitGlyphsAreBuiltBottomRowFirstLeftmostPixelHighest)
{
    Viewer viewer = {};
    draw_build_digit_font(&viewer);
    EXPECT_EQ(viewer.font_ready, 1);
    // Digit 1: top row "   ##  ", bottom glyph row "  ######"-like base " ######", blank line below.
    EXPECT_EQ(viewer.digit_glyphs[1][0], 0x00);         // the blank bottom row of the cell
    EXPECT_EQ(viewer.digit_glyphs[1][1], 0x7e);         // " ######."
    EXPECT_EQ(viewer.digit_glyphs[1][11], 0x18);        // "   ##  ."
    EXPECT_EQ(viewer.digit_glyphs[7][11], 0xfe);        // "#######."
    for (int d = 0; d < 10; d++)
        for (int k = 12; k < 96; k++) ASSERT_EQ(viewer.digit_glyphs[d][k], 0) << d << " " << k;
}

TEST(DrawHelpers, SphereMapFollowsNormalAndScreenDirection)
{
    // The stand-in matrices are the identity.
    const float origin[3] = {0.0f, 0.0f, 0.0f};
    const float right[3] = {2.0f, 0.0f, 0.0f};
    const float up_normal[3] = {0.0f, 1.0f, 0.0f};
    const float x_normal[3] = {1.0f, 0.0f, 0.0f};
    const float *positions[2] = {origin, right};
    const float *normals[2] = {up_normal, x_normal};
    float uv[4];
    draw_sphere_map_uv(positions, normals, uv, 2);
    // At the screen centre only the normal moves the lookup.
    EXPECT_FLOAT_EQ(uv[0], 1.5f);
    EXPECT_FLOAT_EQ(uv[1], 1.5f - 0.375f);
    // Off centre the unit screen direction adds an eighth.
    EXPECT_FLOAT_EQ(uv[2], 1.5f + 0.375f + 0.125f);
    EXPECT_FLOAT_EQ(uv[3], 1.5f);
}
