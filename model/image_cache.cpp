// Process-wide cache of decoded texture images shared by file path.
// (Interim storage until the keyed table lands.)
#include "model/image_cache.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/tga.h"
#include "foundation/str.h"

static std::vector<ImageCacheEntry *> g_image_entries;
static uint32_t g_image_next_id = 1;

uint8_t *image_cache_load(const char *path, int32_t *width, int32_t *height)
{
    if (!path || !width || !height)
        return nullptr;
    *width = 0;
    *height = 0;
    ImageCacheEntry *entry = image_cache_find(path);
    if (!entry) {
        const char *message = nullptr;
        TgaImage *image = tga_read(path, &message);
        if (!image)
            return nullptr;
        entry = static_cast<ImageCacheEntry *>(calloc(1, sizeof(ImageCacheEntry)));
        entry->file = str_dup(path);
        entry->width = static_cast<uint32_t>(image->width);
        entry->height = static_cast<uint32_t>(image->height);
        entry->pixels = image->pixels;
        entry->id = g_image_next_id++;
        image->pixels = nullptr;
        tga_free(image);
        g_image_entries.push_back(entry);
    }
    entry->references++;
    *width = static_cast<int32_t>(entry->width);
    *height = static_cast<int32_t>(entry->height);
    return entry->pixels;
}

int image_cache_release(const char *path)
{
    ImageCacheEntry *entry = image_cache_find(path);
    if (!entry)
        return 0;
    if (--entry->references > 0)
        return 1;
    for (size_t i = 0; i < g_image_entries.size(); i++)
        if (g_image_entries[i] == entry)
            g_image_entries.erase(g_image_entries.begin() + i);
    free(entry->file);
    free(entry->pixels);
    free(entry->keyed_pixels);
    free(entry);
    return 1;
}

uint8_t *image_cache_colour_key(const char *path, uint8_t r, uint8_t g, uint8_t b)
{
    ImageCacheEntry *entry = image_cache_find(path);
    if (!entry)
        return nullptr;
    if (!entry->keyed_pixels) {
        size_t count = static_cast<size_t>(entry->width) * entry->height;
        uint8_t *keyed = static_cast<uint8_t *>(malloc(count * 4));
        for (size_t i = 0; i < count; i++) {
            const uint8_t *rgb = entry->pixels + i * 3;
            keyed[i * 4] = rgb[0];
            keyed[i * 4 + 1] = rgb[1];
            keyed[i * 4 + 2] = rgb[2];
            keyed[i * 4 + 3] = (rgb[0] == r && rgb[1] == g && rgb[2] == b) ? 0 : 255;
        }
        entry->keyed_pixels = keyed;
    }
    return entry->keyed_pixels;
}

ImageCacheEntry *image_cache_find(const char *path)
{
    if (!path)
        return nullptr;
    for (ImageCacheEntry *entry : g_image_entries)
        if (strcmp(entry->file, path) == 0)
            return entry;
    return nullptr;
}

KeyedTable *image_cache_table(void)
{
    return nullptr;
}
