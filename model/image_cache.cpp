// Process-wide cache of decoded texture images shared by file path, with
// reference counts and one colour-keyed RGBA copy per image.
#include "model/image_cache.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "formats/tga.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "foundation/str.h"

struct ImageCache {
    int ready;          // 1 once the tables exist (first load)
    KeyedTable table;   // ImageCacheEntry records keyed by id
    KeyedTable index;   // uint32_t id of the first entry of each path hash, keyed by the hash
    uint32_t next_id;   // id of the next entry, from 1
};

static ImageCache g_image_cache = {0, {}, {}, 1};

static void ensure_cache();
static uint8_t *add_entry(const char *path, TgaImage *image);
static int32_t path_key(const char *path);
static void unlink_entry(const ImageCacheEntry *entry);

uint8_t *image_cache_load(const char *path, int32_t *width, int32_t *height)
{
    if (!path || !width || !height)
        return nullptr;
    *width = 0;
    *height = 0;
    ensure_cache();
    uint8_t *pixels = nullptr;
    ImageCacheEntry *entry = image_cache_find(path);
    if (entry) {
        entry->references++;
        pixels = entry->pixels;
    } else {
        const char *message = nullptr;
        TgaImage *image = tga_read(path, &message);
        if (image) {
            pixels = add_entry(path, image);
            tga_free(image);
        } else {
            err_set(message);
        }
    }
    if (pixels) {
        entry = image_cache_find(path);
        *width = static_cast<int32_t>(entry->width);
        *height = static_cast<int32_t>(entry->height);
    }
    return pixels;
}

int image_cache_release(const char *path)
{
    ImageCacheEntry *entry = image_cache_find(path);
    if (!entry)
        return 0;
    entry->references--;
    if (entry->references == 0) {
        unlink_entry(entry);
        free(entry->file);
        free(entry->pixels);
        free(entry->keyed_pixels);
        table_remove(&g_image_cache.table, static_cast<int32_t>(entry->id));
    }
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
        const uint8_t *rgb = entry->pixels;
        for (size_t i = 0; i < count; i++, rgb += 3) {
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
    if (!path || !g_image_cache.ready)
        return nullptr;
    const uint32_t *first = static_cast<const uint32_t *>(table_find(&g_image_cache.index, path_key(path)));
    uint32_t id = first ? *first : 0;
    while (id != 0) {
        auto *entry = static_cast<ImageCacheEntry *>(table_find(&g_image_cache.table, static_cast<int32_t>(id)));
        if (!entry)
            return nullptr;
        if (strcmp(entry->file, path) == 0)
            return entry;
        id = entry->next_same_key;
    }
    return nullptr;
}

KeyedTable *image_cache_table(void)
{
    return g_image_cache.ready ? &g_image_cache.table : nullptr;
}

// Creates the cache table on first use.
static void ensure_cache()
{
    if (g_image_cache.ready)
        return;
    table_init(&g_image_cache.table, sizeof(ImageCacheEntry), KEY_INT);
    table_init(&g_image_cache.index, sizeof(uint32_t), KEY_INT);
    g_image_cache.ready = 1;
}

// Adds an entry for path under the next id, taking the image's pixels over, and puts it first
// in its index chain; the entry's pixels, or null when a table could not grow (image unchanged).
static uint8_t *add_entry(const char *path, TgaImage *image)
{
    int32_t id = static_cast<int32_t>(g_image_cache.next_id);
    int32_t key = path_key(path);
    uint32_t *first = static_cast<uint32_t *>(table_find(&g_image_cache.index, key));
    uint32_t next = first ? *first : 0;
    if (!first) {
        first = static_cast<uint32_t *>(table_add(&g_image_cache.index, key));
        if (!first)
            return nullptr;
    }
    auto *entry = static_cast<ImageCacheEntry *>(table_add(&g_image_cache.table, id));
    if (!entry) {
        if (next == 0)
            table_remove(&g_image_cache.index, key);
        return nullptr;
    }
    *first = static_cast<uint32_t>(id);
    g_image_cache.next_id++;
    entry->file = str_dup(path);
    entry->width = static_cast<uint32_t>(image->width);
    entry->height = static_cast<uint32_t>(image->height);
    entry->pixels = image->pixels;
    entry->keyed_pixels = nullptr;
    entry->references = 1;
    entry->id = static_cast<uint32_t>(id);
    entry->next_same_key = next;
    image->pixels = nullptr;
    return entry->pixels;
}

// Index key of a path: its FNV-1a hash folded into 1 .. INT32_MAX (keys must be positive).
static int32_t path_key(const char *path)
{
    uint32_t hash = 2166136261u;
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(path); *c; c++) {
        hash ^= *c;
        hash *= 16777619u;
    }
    hash &= 0x7fffffffu;
    return hash == 0 ? 1 : static_cast<int32_t>(hash);
}

// Takes the entry out of its index chain (before it leaves the cache table).
static void unlink_entry(const ImageCacheEntry *entry)
{
    int32_t key = path_key(entry->file);
    uint32_t *link = static_cast<uint32_t *>(table_find(&g_image_cache.index, key));
    if (!link)
        return;
    if (*link == entry->id) {
        if (entry->next_same_key == 0)
            table_remove(&g_image_cache.index, key);
        else
            *link = entry->next_same_key;
        return;
    }
    uint32_t id = *link;
    while (id != 0) {
        auto *previous = static_cast<ImageCacheEntry *>(table_find(&g_image_cache.table, static_cast<int32_t>(id)));
        if (!previous)
            return;
        if (previous->next_same_key == entry->id) {
            previous->next_same_key = entry->next_same_key;
            return;
        }
        id = previous->next_same_key;
    }
}
