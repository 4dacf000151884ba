// A model costs what its records need: tables get storage at their first record, and
// within their first 16 slots only for the slots they reach, with no lookup index; a copy
// of a model is as small as the model.
#include "model_fixture.h"

using namespace model_test;

namespace {

struct TableRoom {
    const char *what;
    const KeyedTable *table;
    int32_t room;  // 0: no storage at all
};

void expect_rooms(const Model *m, const char *which)
{
    const Layer *layer = static_cast<const Layer *>(table_nth(const_cast<KeyedTable *>(&m->layers), 0, 0));
    ASSERT_NE(layer, nullptr) << which;
    const TableRoom tables[] = {
        {"points", &m->points, 4},      {"layers", &m->layers, 1},          {"faces", &layer->faces, 1},
        {"joints", &m->joints, 0},      {"blends", &m->blends, 0},          {"children", &m->children, 0},
        {"collides", &m->collides, 0},  {"strips", &layer->strips, 0},      {"lines", &layer->lines, 0},
        {"uvees", &layer->uvees, 0},    {"texture", &layer->texture, 0},    {"normals", &layer->normals, 0},
        {"pn normals", &layer->pn_normals, 0},
    };
    for (const TableRoom &t : tables) {
        SCOPED_TRACE(std::string(which) + " " + t.what);
        EXPECT_EQ(t.table->room, t.room);
        EXPECT_EQ(t.table->capacity, t.room ? 16 : 0);
        EXPECT_EQ(t.table->data == nullptr, t.room == 0);
        EXPECT_EQ(t.table->index, nullptr);
    }
}

}  // namespace

TEST(ModelCost, SmallModelAndItsCopyHoldOnlyTheirRecords)
{
    Model *m = model_create("tri.mod", nullptr);
    ASSERT_NE(m, nullptr);
    for (int32_t id = 1; id <= 3; id++) ASSERT_EQ(model_set_point(m, id, id, 2 * id, 0, 1.0f), 1);
    ASSERT_EQ(model_add_layer(m, "skin", 100, 100, 100, 0, 0, 0), 1);
    const int32_t corners[4] = {1, 2, 3, 0};
    ASSERT_EQ(model_add_face(m, "skin", 0, corners, nullptr, nullptr, 0), 1);
    expect_rooms(m, "model");
    Model *copy = model_copy(m, nullptr);
    ASSERT_NE(copy, nullptr);
    expect_rooms(copy, "copy");
    EXPECT_NE(copy->points.data, m->points.data);
    EXPECT_NE(copy->directory, m->directory);
    model_free(copy);
    model_free(m);
}
