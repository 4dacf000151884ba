#include "formats/ps2_check.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "foundation/path.h"
#include "model/image_cache.h"

static const char *const MSG_NO_IMAGE = "cannot find PS2 image file: %s";
static const char *const MSG_READ_FAILED = "read failed PS2 image file: %s";
static const char *const MSG_NO_COLORMAP = "cannot find PS2 colormap file: %s";

int ps2_check_all_images()
{
    KeyedTable *cache = image_cache_table();
    if (cache == nullptr) return 1;
    for (int32_t slot = 0; slot < cache->capacity; slot++) {
        const ImageCacheEntry *entry = static_cast<const ImageCacheEntry *>(table_nth(cache, slot, 0));
        if (entry != nullptr && !ps2_check_image(entry->file)) return 0;
    }
    return 1;
}

int ps2_check_image(const char *path)
{
    if (path == nullptr) return 0;
    const char *replaced = path_replace_extension(path, "p2i");
    std::string image = replaced != nullptr ? replaced : std::string(path) + ".p2i";
    FILE *file = fopen(path_resolve(image.c_str()).c_str(), "rb");
    if (file == nullptr) {
        err_setf(MSG_NO_IMAGE, image.c_str());
        return 0;
    }
    unsigned char header[PS2_HEADER_SIZE];
    size_t got = fread(header, 1, sizeof header, file);
    fclose(file);
    if (got != sizeof header) {
        err_setf(MSG_READ_FAILED, image.c_str());
        return 0;
    }
    const unsigned char *d = header + PS2_HEADER_DEPTH;
    int32_t depth = static_cast<int32_t>(static_cast<uint32_t>(d[0]) | static_cast<uint32_t>(d[1]) << 8 |
                                         static_cast<uint32_t>(d[2]) << 16 | static_cast<uint32_t>(d[3]) << 24);
    if (depth >= 16) return 1;
    // The name ends at its zero byte, or with the field when it has none.
    std::string name;
    for (int k = 0; k < PS2_PALETTE_NAME_SIZE && header[PS2_HEADER_PALETTE + k] != 0; k++)
        name += static_cast<char>(header[PS2_HEADER_PALETTE + k]);
    FILE *colormap = fopen(path_resolve((name + ".p2c").c_str()).c_str(), "rb");
    if (colormap == nullptr) {
        err_setf(MSG_NO_COLORMAP, name.c_str());
        return 0;
    }
    fclose(colormap);
    return 1;
}
