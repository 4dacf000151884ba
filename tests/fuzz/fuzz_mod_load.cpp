// Fuzz target: the model loader from a file, with children, joints and images
// found beside it. Every image the load took is released again when the model
// is freed, so the image cache is empty after each input.
#include "formats/mod_loader.h"
#include "foundation/keyed_table.h"
#include "model/image_cache.h"
#include "model/model.h"
#include "tests/fuzz/fuzz_common.h"

#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::work_dir();
    fuzz::copy_fixtures({"formats/tex.tga", "formats/parts/box.mod", "formats/parts/grid.mod",
                         "formats/parts/knob.mod", "formats/parts/Wheel.mod", "viewer/wheel.tga",
                         "viewer/child_square.mod", "viewer/plain.mod", "draw/quads24.tga"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string path = fuzz::write_file("fz.mod", data, size);
    Model *model = mod_load(path.c_str());
    model_free(model);
    KeyedTable *cache = image_cache_table();
    if (cache && table_count(cache) != 0) {
        fprintf(stderr, "image cache holds %d images after the model was freed\n", table_count(cache));
        abort();
    }
    return 0;
}
