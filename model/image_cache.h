// Process-wide cache of decoded texture images, shared by file path with a
// reference count, with at most one colour-keyed RGBA copy per image. Paths are
// found through an index of path hashes, so each look-up costs the same however
// many images are cached.
#pragma once
#include <cstdint>

struct KeyedTable;

// One decoded image shared by every layer slot that names the same path.
struct ImageCacheEntry {
    char *file;             // owned copy of the path it was loaded from; the lookup key (exact)
    uint32_t width;         // pixels
    uint32_t height;        // pixels
    uint8_t *pixels;        // owned: packed RGB, 3 bytes a pixel, top row first
    uint8_t *keyed_pixels;  // owned: RGBA copy with the colour key applied; null until asked for
    uint32_t references;    // number of layer slots holding this image
    uint32_t id;            // the entry's key in the cache table
    uint32_t next_same_key; // id of the next entry whose path has the same index key, 0 for none
};

// RGB pixels of the image at path, loaded on first use and shared afterwards (one more
// reference); null on failure with width and height 0 and the reader's message as last error.
uint8_t *image_cache_load(const char *path, int32_t *width, int32_t *height);
// Drops one reference to path, freeing the image at 0; 1 when it was cached, else 0.
int image_cache_release(const char *path);
// The image's RGBA copy with pixels of r, g, b made transparent, built on the first call
// (the first key asked for wins); null when path is not cached. References are unchanged.
uint8_t *image_cache_colour_key(const char *path, uint8_t r, uint8_t g, uint8_t b);
// The cache entry of path (exact comparison, through the index), or null.
ImageCacheEntry *image_cache_find(const char *path);
// The cache table of ImageCacheEntry records (integer keys), or null before the first load.
KeyedTable *image_cache_table(void);
