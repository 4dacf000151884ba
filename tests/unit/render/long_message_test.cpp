// Messages the viewer posts keep their whole text, however long the path they
// name: the load failure's reason reaches the message hook whole, and the last
// message is kept whole.
#include "viewer/loaded_models.h"
#include "viewer/viewer.h"
#include "tests/unit/render/viewer_teardown.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_long_messages;

void keep_message(const char *text) { g_long_messages.push_back(text); }

// A path of exactly length characters to a model that does not exist, in
// folders of at most 200 characters each.
std::string missing_model_path(size_t length)
{
    const std::string leaf = "/nothere.mod";
    std::string path = "/tmp";
    while (path.size() + leaf.size() < length) {
        size_t room = length - leaf.size() - path.size() - 1;
        path += "/" + std::string(room < 200 ? room : 200, 'd');
    }
    return path + leaf;
}

} // namespace

TEST(LongMessages, ALoadFailureNamesTheWholePath)
{
    Viewer viewer;
    viewer_init(&viewer);
    viewer_set_message_hook(&viewer, keep_message);
    for (size_t length : {300u, 1100u, 4095u}) {
        std::string path = missing_model_path(length);
        ASSERT_EQ(path.size(), length);
        g_long_messages.clear();
        EXPECT_EQ(viewer_load_model(&viewer, path.c_str()), 0) << length;
        EXPECT_EQ(g_long_messages, (std::vector<std::string>{"could not find: " + path, "Load failed"})) << length;
    }
    std::string text = "could not find: " + missing_model_path(4095);
    viewer_message(&viewer, text.c_str());
    EXPECT_EQ(std::string(viewer_last_message(&viewer)), text);
    viewer_teardown(&viewer);
}
