// The render caches of a loaded, drawn model while its tables grow: the
// viewer record, the loaded models, the selection and the model pass linked
// for real, against recording stand-ins for OpenGL. Each table of the model
// is grown past a doubling (its records move) and the model is drawn again;
// every cache must still name the record it describes.
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "viewer/draw_model.h"
#include "viewer/loaded_models.h"
#include "viewer/selection.h"
#include "viewer/viewer.h"
#include "tests/unit/render/gl_stand_ins.h"
#include "tests/unit/render/viewer_teardown.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Records added to each table: 16 slots double to 32 and again to 64.
const int GROWN = 40;

// What the model pass sent besides its primitives: multiplied matrices and the matrix depth.
struct Recorder {
    std::vector<std::vector<float>> matrices;
    int depth = 0;
};

Recorder g_rec;

}  // namespace

extern "C" {
void glNormal3fv(const GLfloat *) {}
void glTexCoord2f(GLfloat, GLfloat) {}
void glColor4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glColor4fv(const GLfloat *) {}
void glEnable(GLenum) {}
void glDisable(GLenum) {}
GLboolean glIsEnabled(GLenum) { return GL_FALSE; }
void glBlendFunc(GLenum, GLenum) {}
void glDepthMask(GLboolean) {}
void glPolygonMode(GLenum, GLenum) {}
void glShadeModel(GLenum) {}
void glMatrixMode(GLenum) {}
void glPushMatrix(void) { g_rec.depth++; }
void glPopMatrix(void) { g_rec.depth--; }
void glMultMatrixf(const GLfloat *m) { g_rec.matrices.emplace_back(m, m + 16); }
void glScalef(GLfloat, GLfloat, GLfloat) {}
}

namespace {

std::string fixture(const char *name)
{
    const char *root = getenv("DRUVEX_FIXTURES");
    return std::string(root ? root : DRUVEX_FIXTURES) + "/viewer/" + name;
}

// One frame's model pass, recorded from scratch.
void draw(Viewer *viewer)
{
    g_rec = Recorder();
    gl_log_reset();
    draw_models(viewer);
    EXPECT_EQ(g_rec.depth, 0);
    for (const GlPrimitive &p : g_gl.primitives) EXPECT_TRUE(p.ended);
}

bool drew_vertex(float x, float y, float z)
{
    for (const GlVertex &v : g_gl.vertices)
        if (v.x == x && v.y == y && v.z == z) return true;
    return false;
}

bool multiplied_translation(float x, float y, float z)
{
    for (const std::vector<float> &m : g_rec.matrices)
        if (m[12] == x && m[13] == y && m[14] == z) return true;
    return false;
}

// A child model of one triangle, built in memory.
Model *triangle_model(Model *parent, int n)
{
    std::string name = "kid" + std::to_string(n);
    Model *kid = model_create(name.c_str(), parent);
    for (int32_t id = 1; id <= 3; id++) model_set_point(kid, id, id, 0, n, 1.0f);
    const int32_t corners[4] = {1, 2, 3, 0};
    EXPECT_EQ(model_add_layer(kid, "skin", 127, 127, 127, 0, 0, 0), 1);
    EXPECT_EQ(model_add_face(kid, "skin", 0, corners, nullptr, nullptr, 0), 1);
    return kid;
}

class CacheGrowth : public ::testing::Test {
protected:
    Viewer viewer;
    Model *model = nullptr;

    void SetUp() override
    {
        viewer_init(&viewer);
        int32_t id = viewer_load_model(&viewer, fixture("grow.mod").c_str());
        ASSERT_GT(id, 0);
        ModelXform *xform = rcache_find_model_xform(&viewer, id);
        ASSERT_NE(xform, nullptr);
        model = xform->model;
    }

    void TearDown() override
    {
        viewer_teardown(&viewer);
    }

    // Grows the points, joints, collide objects, layers (one triangle each), the faces
    // of the body layer and the children (one triangle each) by GROWN records apiece.
    void grow_every_table()
    {
        for (int32_t id = 5; id < 5 + GROWN; id++) ASSERT_EQ(model_set_point(model, id, id, id, 0, 1.0f), 1);
        for (int i = 0; i < GROWN; i++) {
            std::string n = std::to_string(i);
            ASSERT_EQ(model_add_joint(model, ("j" + n).c_str(), i, 0, 0, "arm", 0), 1);
            ASSERT_EQ(model_add_collide(model, ("c" + n).c_str(), 1, 0, 0, 0, 1, 1, 1, "0", "0", "0", 1, 0, 1), 1);
            ASSERT_EQ(model_add_layer(model, ("l" + n).c_str(), 0, 127, 0, 0, 0, 0), 1);
            const int32_t corners[4] = {5 + i, 2, 3, 0};
            ASSERT_EQ(model_add_face(model, ("l" + n).c_str(), 0, corners, nullptr, nullptr, 0), 1);
            ASSERT_EQ(model_add_face(model, "body", 0, corners, nullptr, nullptr, 0), 1);
            ASSERT_EQ(model_add_child(model, triangle_model(model, i), ("kid" + n).c_str(), 0, 0, 100.0f + i, 1, 1, 1,
                                      "0", "0", "0"),
                      1);
        }
    }
};

TEST_F(CacheGrowth, CachesNameTheirRecordsAfterEveryTableOfADrawnModelGrows)
{
    // Caches of every kind before the growth: the drawing makes the face caches and
    // child links, the pose would make the joint and point caches.
    draw(&viewer);
    ASSERT_EQ(viewer.frame_triangles, 4);  // the body quad and the wheel's quad
    Joint *arm = model_find_joint(model, "arm");
    JointCache *arm_cache = rcache_joint(&viewer, model, arm);
    ASSERT_NE(arm_cache, nullptr);
    int32_t arm_cache_id = arm_cache->id;
    EXPECT_EQ(rcache_joint_parent(arm_cache), model_find_joint(model, "root"));
    EXPECT_EQ(rcache_joint_parent(rcache_joint(&viewer, model, model_find_joint(model, "root"))), nullptr);
    PointCache *deformed = rcache_point(&viewer, static_cast<Point *>(table_find(&model->points, 1)));
    ASSERT_NE(deformed, nullptr);
    deformed->position[2] = 5.0f;
    CollideCache *crate = viewer_find_collide(&viewer, "grow", "crate");
    ASSERT_NE(crate, nullptr);
    int32_t crate_id = crate->id;
    EXPECT_EQ(rcache_collide_object_of(crate), model_find_collide(model, "crate"));
    Layer *body = model_find_layer(model, "body");
    Face *quad = static_cast<Face *>(table_first(&body->faces));
    uint32_t quad_id = quad->id;
    FaceCache *quad_cache = rcache_face(&viewer, model, quad);
    ASSERT_NE(quad_cache, nullptr);
    int32_t quad_cache_id = quad_cache->id;
    int32_t wheel_link = viewer_find_model_key(&viewer, "wheel");
    ASSERT_GT(wheel_link, 0);

    grow_every_table();
    ASSERT_GE(model->points.capacity, 64);
    ASSERT_GE(model->joints.capacity, 64);
    ASSERT_GE(model->layers.capacity, 64);
    ASSERT_GE(model->children.capacity, 64);
    ASSERT_GE(model->collides.capacity, 64);
    body = model_find_layer(model, "body");
    ASSERT_GE(body->faces.capacity, 32);

    // Drawn again: the old faces and links through their caches, the new ones
    // through caches made now, the deformed point where its cache puts it.
    draw(&viewer);
    EXPECT_EQ(viewer.frame_triangles, 4 + 2 * GROWN + GROWN);
    EXPECT_TRUE(drew_vertex(-10.0f, -10.0f, 5.0f));
    EXPECT_FALSE(drew_vertex(-10.0f, -10.0f, 0.0f));
    EXPECT_TRUE(drew_vertex(5.0f + GROWN - 1, 5.0f + GROWN - 1, 0.0f));
    EXPECT_TRUE(multiplied_translation(20.0f, 0.0f, 0.0f));
    EXPECT_TRUE(multiplied_translation(0.0f, 0.0f, 100.0f + GROWN - 1));

    // Every cache read after the growth finds the record at its new address.
    quad = static_cast<Face *>(table_find(&body->faces, static_cast<int32_t>(quad_id)));
    quad_cache = rcache_face(&viewer, model, quad);
    ASSERT_NE(quad_cache, nullptr);
    EXPECT_EQ(quad_cache->id, quad_cache_id);
    EXPECT_EQ(rcache_face_of(quad_cache), quad);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(rcache_vertex_position(&viewer, model, quad_cache->corner_index[i], 1),
                  rcache_vertex_position(&viewer, model, quad->point_ids[i], 0));

    arm_cache = rcache_joint(&viewer, model, model_find_joint(model, "arm"));
    ASSERT_NE(arm_cache, nullptr);
    EXPECT_EQ(arm_cache->id, arm_cache_id);
    EXPECT_EQ(rcache_joint_parent(arm_cache), model_find_joint(model, "root"));
    JointCache *last_joint = rcache_joint(&viewer, model, model_find_joint(model, "j39"));
    EXPECT_EQ(rcache_joint_parent(last_joint), model_find_joint(model, "arm"));
    EXPECT_FLOAT_EQ(last_joint->offset[0], 39.0f - 10.0f);

    crate = viewer_find_collide(&viewer, "grow", "crate");
    ASSERT_NE(crate, nullptr);
    EXPECT_EQ(crate->id, crate_id);
    EXPECT_EQ(rcache_collide_object_of(crate), model_find_collide(model, "crate"));
    EXPECT_EQ(rcache_collide_object_of(viewer_find_collide(&viewer, "grow", "c39")), model_find_collide(model, "c39"));

    Child *wheel = model_find_child(model, "wheel");
    ASSERT_NE(wheel, nullptr);
    EXPECT_EQ(viewer_find_model_key(&viewer, "wheel"), wheel_link);
    ChildXform *link = rcache_find_child_xform(&viewer, wheel_link);
    EXPECT_EQ(rcache_child_of(link), wheel);
    EXPECT_EQ(rcache_child_xform(&viewer, model, wheel), link);
    // (Child ids and model ids come from separate counters; the last link's id is
    // above every model id, so the selection takes it as a child id.)
    int32_t last_link = viewer_find_model_key(&viewer, "kid39");
    ASSERT_GT(last_link, 0);
    Child *last_child = model_find_child(model, "kid39");
    EXPECT_EQ(rcache_child_of(rcache_find_child_xform(&viewer, last_link)), last_child);
    ASSERT_EQ(rcache_find_model_xform(&viewer, last_link), nullptr);
    ASSERT_EQ(sel_model(&viewer, last_link), 1);
    EXPECT_EQ(sel_current_model(&viewer), last_child->model);
}

TEST_F(CacheGrowth, ACacheWhoseRecordIsGoneNamesNothing)
{
    // A layer's face gets its cache when drawn; the layer is deleted and a new layer
    // with a face of its own takes the same slots: the old cache must not name it.
    const int32_t corners[4] = {1, 2, 3, 0};
    ASSERT_EQ(model_add_layer(model, "old", 0, 0, 127, 0, 0, 0), 1);
    ASSERT_EQ(model_add_face(model, "old", 0, corners, nullptr, nullptr, 0), 1);
    draw(&viewer);
    Layer *old_layer = model_find_layer(model, "old");
    FaceCache *cache = rcache_face(&viewer, model, static_cast<Face *>(table_first(&old_layer->faces)));
    ASSERT_NE(cache, nullptr);
    int32_t cache_id = cache->id;
    ASSERT_EQ(model_delete_layer(model, "old"), 1);
    ASSERT_EQ(model_add_layer(model, "new", 0, 0, 127, 0, 0, 0), 1);
    ASSERT_EQ(model_add_face(model, "new", 0, corners, nullptr, nullptr, 0), 1);
    draw(&viewer);
    cache = static_cast<FaceCache *>(table_find(&viewer.face_caches, cache_id));
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(rcache_face_of(cache), nullptr);

    // A face, joint or link of another model is not taken for one of this model.
    Model *other = triangle_model(nullptr, 1);
    Layer *skin = model_find_layer(other, "skin");
    ASSERT_EQ(model_add_joint(other, "hip", 0, 0, 0, "world", 0), 1);
    ASSERT_EQ(model_add_child(other, nullptr, "lost", 0, 0, 0, 1, 1, 1, "0", "0", "0"), 1);
    EXPECT_EQ(rcache_face(&viewer, model, static_cast<Face *>(table_first(&skin->faces))), nullptr);
    EXPECT_EQ(rcache_joint(&viewer, model, model_find_joint(other, "hip")), nullptr);
    EXPECT_EQ(rcache_child_xform(&viewer, model, model_find_child(other, "lost")), nullptr);
    model_free(other);

    // Unloaded: the collide cache stays until the next reset but names no object.
    CollideCache *crate = viewer_find_collide(&viewer, "grow", "crate");
    ASSERT_NE(crate, nullptr);
    int32_t crate_id = crate->id;
    viewer_close_all(&viewer);
    crate = static_cast<CollideCache *>(table_find(&viewer.collide_caches, crate_id));
    ASSERT_NE(crate, nullptr);
    EXPECT_EQ(rcache_collide_object_of(crate), nullptr);
}

}  // namespace
