// The save entry points that are not built: each tells the user so through the
// message hook (and the status hook after it) and answers 0.
#include "viewer/loaded_models.h"
#include "viewer/selection.h"
#include "viewer/viewer.h"
#include "tests/unit/render/viewer_teardown.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_save_messages;
std::vector<std::string> g_save_status;

void keep_message(const char *text) { g_save_messages.push_back(text); }
void keep_status(const char *text) { g_save_status.push_back(text); }

} // namespace

TEST(SaveNotImplemented, EachEntryPointPostsTheMessageAndFails)
{
    struct Entry {
        const char *name;
        int (*save)(Viewer *);
    };
    const Entry entries[] = {{"scene", viewer_save_scene_not_implemented},
                             {"animation", viewer_save_animation_not_implemented},
                             {"all", viewer_save_all_not_implemented},
                             {"selection", viewer_save_selection_not_implemented}};
    Viewer viewer;
    viewer_init(&viewer);
    viewer_set_message_hook(&viewer, keep_message);
    viewer_set_status_hook(&viewer, keep_status);
    for (const Entry &entry : entries) {
        g_save_messages.clear();
        g_save_status.clear();
        EXPECT_EQ(entry.save(&viewer), 0) << entry.name;
        EXPECT_EQ(g_save_messages, std::vector<std::string>{"Save not implemented"}) << entry.name;
        ASSERT_EQ(g_save_status.size(), 1u) << entry.name;
        EXPECT_NE(g_save_status[0].find("Save not implemented"), std::string::npos) << entry.name;
        EXPECT_STREQ(viewer_last_message(&viewer), "Save not implemented") << entry.name;
        // A null viewer posts nothing and still answers 0.
        g_save_messages.clear();
        EXPECT_EQ(entry.save(nullptr), 0) << entry.name;
        EXPECT_TRUE(g_save_messages.empty()) << entry.name;
    }
    viewer_teardown(&viewer);
}
