// Saving a model over its old file: a save that fails at its start or part-way, on a
// full or read-only disk, leaves the old file byte for byte and no other file, and
// gives the system's reason.
#include "formats/mod_writer.h"

#include "foundation/last_error.h"
#include "model/model.h"
#include "model/model_build.h"
#include "tests/unit/temp_dir.h"
#include "tests/unit/write_failures.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Points enough that the file is written in more than one piece of a megabyte.
constexpr int kPoints = 40000;

std::string last_error()
{
    const char *e = err_last();
    return e ? e : "";
}

// A model named "dense" of kPoints points on a line.
Model *dense_model()
{
    Model *m = model_create("dense.mod", nullptr);
    for (int id = 1; id <= kPoints; id++) model_set_point(m, id, id, -id, 7, 1.0f);
    return m;
}

// The file the model is saved to, already there with other content.
const std::string kOld = "#\n# an older dense.mod\n#\npoints\n1 0 0 0\n";

}  // namespace

// A file-size limit cuts the save at its first byte, inside the first piece, and after a
// whole piece went out; the save reports it and the old file stays.
TEST(ModSave, ShortWritesKeepTheOldFile)
{
    WorkDir w;
    Model *m = dense_model();
    ASSERT_EQ(mod_write(m), 1) << last_error();
    const size_t full = read_text(w.path + "dense.mod").size();
    ASSERT_GT(full, size_t(1) << 21);
    for (rlim_t limit : {rlim_t(0), rlim_t(100000), rlim_t(3) << 19, rlim_t(full - 1)}) {
        w.temp.write("dense.mod", kOld);
        std::set<std::string> before = folder_names(w.path);
        ChildOutcome child = run_with_file_limit(limit, [m] { return mod_write(m); });
        ASSERT_TRUE(child.ran) << limit;
        EXPECT_EQ(child.result, 0) << limit;
        EXPECT_EQ(child.reason, "File too large") << limit;
        EXPECT_EQ(read_text(w.path + "dense.mod"), kOld) << limit;
        EXPECT_EQ(folder_names(w.path), before) << limit;
    }
    model_free(m);
}

// A disk with no room, or room for part of the model, and a read-only disk.
TEST(ModSave, FullAndReadOnlyDisksKeepTheOldFile)
{
    WorkDir w;
    Model *m = dense_model();
    for (int room : {0, 16384, -1}) {
        std::string name = "disk" + std::to_string(room + 1);
        SmallTmpfs disk(w.path + name, 256 * 1024);
        if (!disk.mounted) {
            model_free(m);
            GTEST_SKIP() << "no tmpfs can be mounted here";
        }
        w.temp.write(name + "/dense.mod", kOld);
        if (room >= 0) disk.fill(static_cast<size_t>(room));
        if (room < 0 && !disk.make_read_only()) continue;
        w.enter(name);
        std::set<std::string> before = folder_names(disk.path);
        EXPECT_EQ(mod_write(m), 0) << room;
        EXPECT_EQ(last_error(), room < 0 ? "Read-only file system" : "No space left on device") << room;
        EXPECT_EQ(read_text(disk.path + "/dense.mod"), kOld) << room;
        EXPECT_EQ(folder_names(disk.path), before) << room;
        w.enter("");
    }
    model_free(m);
}
