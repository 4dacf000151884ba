// The lengths of the triangle primitives the model pass sends, against
// recording stand-ins for OpenGL. Mesa's llvmpipe fills nothing of a
// GL_TRIANGLES draw of exactly 9 vertices whose last triangle lies on one
// window row, and Mesa joins neighbouring triangle lists (strips and fans of
// 3 among them) and cuts a primitive where an attribute first appears. So no
// triangle list may be 3 or 9 long, no strip or fan 3, and the edge flag must
// come before a primitive's first vertex, with every display option.
#include "viewer/draw_model.h"
#include "viewer/loaded_models.h"
#include "viewer/viewer.h"
#include "tests/unit/render/gl_stand_ins.h"
#include "tests/unit/render/viewer_teardown.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string fixture(const char *name)
{
    const char *root = getenv("DRUVEX_FIXTURES");
    return std::string(root ? root : DRUVEX_FIXTURES) + "/viewer/" + name;
}

// Display options a frame is drawn with.
struct Options {
    const char *what;
    int curves, lod, normals, quadlines, mirror, wireframe, cursor;
};

const Options OPTIONS[] = {
    {"flat", 0, 1, 0, 0, 1, 0, 0},        {"curved at level 1", 1, 1, 0, 0, 1, 0, 0},
    {"curved at level 2", 1, 2, 0, 0, 1, 0, 0}, {"normals", 0, 1, 1, 0, 1, 0, 0},
    {"quadlines", 0, 1, 0, 1, 1, 0, 0},   {"wireframe, no mirror", 1, 1, 0, 0, 0, 1, 0},
    {"the 3D cursor alone", 0, 1, 0, 0, 1, 0, 1},
};

}  // namespace

TEST(BatchLengths, NoTriangleListOf3Or9NoStripOrFanOf3AndTheEdgeFlagFirst)
{
    Viewer viewer;
    viewer_init(&viewer);
    ASSERT_GT(viewer_load_model(&viewer, fixture("batches.mod").c_str()), 0);
    for (const Options &o : OPTIONS) {
        viewer.curves = o.curves;
        viewer.lod = o.lod;
        viewer.normals = o.normals;
        viewer.quadlines = o.quadlines;
        viewer.mirror = o.mirror;
        viewer.wireframe = o.wireframe;
        viewer.cursor = o.cursor;
        viewer.triangles = !o.cursor;
        gl_log_reset();
        draw_models(&viewer);
        int sent = 0;
        for (const GlPrimitive &p : g_gl.primitives) {
            int n = p.vertices;
            if (p.mode == GL_TRIANGLES) {
                sent += n;
                EXPECT_TRUE(n != 3 && n != 9) << o.what << ": a triangle list of " << n;
            } else if (p.mode == GL_TRIANGLE_STRIP || p.mode == GL_TRIANGLE_FAN) {
                sent += n;
                EXPECT_NE(n, 3) << o.what << ": a strip or fan of 3";
            } else {
                continue;
            }
            EXPECT_TRUE(p.flag_first) << o.what << ": a primitive of mode " << p.mode << " without the edge flag first";
            EXPECT_TRUE(p.ended) << o.what;
        }
        EXPECT_GT(sent, 0) << o.what;
    }
    viewer_teardown(&viewer);
}
