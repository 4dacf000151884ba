// Keyed table: inline element storage with parallel key slots, an open-addressing
// hash from key to slot, a min-heap of freed slots so that the lowest free slot is
// found without scanning, and a list of used slots for dense positions once holes exist.
// The hash of an integer table is built on its first lookup: tables whose keys only grow
// and that are never searched (faces, strips, lines and other id-keyed lists) never pay
// for one, neither in memory nor in rehashing at every doubling. While every key equals a
// fixed base plus its slot (ids added in ascending order without gaps, as points and faces
// are), a lookup is plain indexing and no hash is built at all.
#include "foundation/keyed_table.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define POOL_POISON(block, size) ASAN_POISON_MEMORY_REGION(block, size)
#define POOL_UNPOISON(block, size) ASAN_UNPOISON_MEMORY_REGION(block, size)
#else
#define POOL_POISON(block, size) ((void)(block), (void)(size))
#define POOL_UNPOISON(block, size) ((void)(block), (void)(size))
#endif

constexpr int32_t FIRST_CAPACITY = 16;
constexpr int32_t MAX_CAPACITY = 1 << 30; // doubling stops here: capacity stays an int32_t
constexpr int32_t EMPTY_BUCKET = -1;

// Storage blocks of at least this size are kept when freed and handed out again: a model
// that is closed and opened again (or the next model of a load) writes memory that is
// already mapped instead of taking a page fault for every 4 KiB of fresh memory.
constexpr size_t POOL_MIN_BLOCK = 64 * 1024;
// At most this much freed storage is kept, in at most POOL_SLOTS blocks; beyond that blocks
// go back to the allocator.
constexpr size_t POOL_MAX_BYTES = 256u * 1024 * 1024;
constexpr int POOL_SLOTS = 256;

// Freed large storage blocks waiting for reuse (used on the one Tcl thread only).
struct StoragePool {
    void *blocks[POOL_SLOTS];
    size_t sizes[POOL_SLOTS];
    int count;
    size_t bytes;
};
static StoragePool g_pool;

// One hash bucket: the slot it points at and that slot's key hash.
struct IndexBucket {
    int32_t slot;  // slot index, EMPTY_BUCKET when the bucket is free
    uint32_t hash; // hash of the slot's key, kept so growth and deletion never rehash names
};

// Everything that makes lookups cheap; rebuilt from nothing on the first add, deep-copied
// by table_copy and deleted by table_free.
struct KeyedTableIndex {
    std::vector<IndexBucket> buckets; // 2 x capacity buckets, linear probing; KEY_INT: empty
                                      // until the first lookup (see ensure_int_index)
    int32_t max_key;                  // KEY_INT: no key in the table is above this
    bool any_key;                     // KEY_INT: max_key is set (a key was ever added)
    bool direct;                      // KEY_INT: every used slot holds key direct_base + slot
    int64_t direct_base;              // KEY_INT: key of slot 0 while direct
    std::vector<int32_t> free_heap;   // min-heap of freed slots below fresh; capacity reserved
    int32_t fresh;                    // slots at or above this have not been used since allocation
    int32_t first_used;               // no used slot lies below this (a lower bound)
    std::vector<int32_t> dense_slots; // used slots in ascending order, while dense_valid
    bool dense_valid;                 // dense_slots is up to date (built on a dense query with holes)
};

static bool has_storage(const KeyedTable *table);
static bool usable(const KeyedTable *table);
static uint32_t hash_int(int32_t key);
static uint32_t hash_name(const char *name);
static bool name_storable(const char *name);
static bool ensure_int_index(const KeyedTable *table);
static int32_t lookup_int(const KeyedTable *table, int32_t key);
static void note_int_key(KeyedTableIndex *index, int32_t slot, int32_t key);
static int32_t lookup_name(const KeyedTable *table, const char *name);
static void index_insert(KeyedTableIndex *index, int32_t slot, uint32_t hash);
static void index_erase(KeyedTableIndex *index, int32_t slot, uint32_t hash);
static int grow(KeyedTable *table);
static int grow_to(KeyedTable *table, int32_t new_capacity);
static void *enlarged(void *block, size_t old_size, size_t new_size);
static void *storage_take(size_t size);
static void storage_give(void *block, size_t size);
static int32_t take_free_slot(KeyedTable *table);
static void release_slot(KeyedTable *table, int32_t slot, uint32_t hash);
static void *element_at(const KeyedTable *table, int32_t slot);
static void *walk_from(KeyedTable *table, int32_t start);
static bool no_holes(const KeyedTable *table);
static bool build_dense(const KeyedTable *table);
static int32_t dense_position(const KeyedTable *table, int32_t slot);
[[maybe_unused]] static bool counts_agree(const KeyedTable *table);

int table_init(KeyedTable *table, int32_t element_size, int32_t key_kind)
{
    if (!table || element_size < 1 || key_kind < KEY_NONE || key_kind > KEY_NAME)
        return 0;
    std::memset(table, 0, sizeof *table);
    table->element_size = element_size;
    table->kind = key_kind;
    return 1;
}

void *table_add(KeyedTable *table, int32_t key)
{
    if (!table || table->element_size < 1 || table->kind == KEY_NAME ||
        table->kind < KEY_NONE || table->kind > KEY_NAME)
        return nullptr;
    // A key above every key added so far, or any key before the first, cannot be present:
    // no lookup (and no hash) needed.
    if (table->kind == KEY_INT && has_storage(table) && table->index->any_key &&
        key <= table->index->max_key) {
        int32_t found = lookup_int(table, key);
        if (found == -2)
            return nullptr;
        if (found >= 0)
            return element_at(table, found);
    }
    int32_t slot = take_free_slot(table);
    if (slot < 0)
        return nullptr;
    table->slots[slot].key = key;
    if (table->kind == KEY_INT)
        note_int_key(table->index, slot, key);
    return element_at(table, slot);
}

void *table_add(KeyedTable *table, const char *name)
{
    if (!table || table->element_size < 1 || table->kind != KEY_NAME)
        return nullptr;
    if (has_storage(table) && name) {
        int32_t found = lookup_name(table, name);
        if (found >= 0)
            return element_at(table, found);
    }
    // A missing (or unstorable) name is refused only after the first storage exists.
    if (!has_storage(table) && !grow(table))
        return nullptr;
    if (!name_storable(name))
        return nullptr;
    int32_t slot = take_free_slot(table);
    if (slot < 0)
        return nullptr;
    table->slots[slot].key = 0;
    KeyedTableName *stored = &table->names[slot];
    std::memset(stored->text, 0, sizeof stored->text);
    std::memcpy(stored->text, name, std::strlen(name));
    index_insert(table->index, slot, hash_name(name));
    return element_at(table, slot);
}

int table_remove(KeyedTable *table, int32_t key)
{
    if (!usable(table) || table->kind != KEY_INT || key < 1)
        return 0;
    int32_t slot = lookup_int(table, key);
    if (slot < 0)
        return 0;
    table->slots[slot].key = 0;
    release_slot(table, slot, hash_int(key));
    return 1;
}

int table_remove(KeyedTable *table, const char *name)
{
    if (!usable(table) || table->kind != KEY_NAME || !name)
        return 0;
    int32_t slot = lookup_name(table, name);
    if (slot < 0)
        return 0;
    release_slot(table, slot, hash_name(name));
    return 1;
}

void *table_find(KeyedTable *table, int32_t key)
{
    if (!usable(table) || table->kind != KEY_INT)
        return nullptr;
    return element_at(table, lookup_int(table, key));
}

void *table_find(KeyedTable *table, const char *name)
{
    if (!usable(table) || table->kind != KEY_NAME || !name)
        return nullptr;
    return element_at(table, lookup_name(table, name));
}

void *table_first(KeyedTable *table)
{
    if (!usable(table) || table->count == 0)
        return nullptr;
    // Slots below first_used are all free, so starting there equals starting at 0.
    void *element = walk_from(table, table->index->first_used);
    if (element)
        table->index->first_used = table->cursor;
    return element;
}

void *table_first(KeyedTable *table, int32_t *key_out)
{
    void *element = table_first(table);
    if (key_out)
        *key_out = element && table->kind != KEY_NAME ? table->slots[table->cursor].key : 0;
    return element;
}

void *table_first(KeyedTable *table, const char **name_out)
{
    void *element = table_first(table);
    if (name_out)
        *name_out = element && table->kind == KEY_NAME ? table->names[table->cursor].text : nullptr;
    return element;
}

void *table_next(KeyedTable *table)
{
    if (!usable(table))
        return nullptr;
    int32_t cursor = std::min(std::max(table->cursor, -1), table->capacity);
    return walk_from(table, cursor < table->capacity ? cursor + 1 : cursor);
}

void *table_next(KeyedTable *table, int32_t *key_out)
{
    void *element = table_next(table);
    if (key_out)
        *key_out = element && table->kind != KEY_NAME ? table->slots[table->cursor].key : 0;
    return element;
}

void *table_next(KeyedTable *table, const char **name_out)
{
    void *element = table_next(table);
    if (name_out)
        *name_out = element && table->kind == KEY_NAME ? table->names[table->cursor].text : nullptr;
    return element;
}

int32_t table_count(const KeyedTable *table)
{
    if (!usable(table))
        return 0;
    return table->count;
}

int32_t table_index_of(KeyedTable *table, int32_t key, int dense)
{
    if (!usable(table) || table->kind != KEY_INT)
        return -1;
    int32_t slot = lookup_int(table, key);
    if (slot < 0)
        return -1;
    if (!dense)
        return slot;
    return dense_position(table, slot);
}

int32_t table_index_of(KeyedTable *table, const char *name, int dense)
{
    if (!usable(table) || table->kind != KEY_NAME || !name)
        return -1;
    int32_t slot = lookup_name(table, name);
    if (slot < 0 || !dense)
        return slot;
    return dense_position(table, slot);
}

void *table_nth_checked(KeyedTable *table, int32_t n, int dense)
{
    if (!usable(table) || table->count == 0)
        return nullptr;
    if (!dense) {
        if (n < 0 || n >= table->capacity || !table->slots[n].used)
            return nullptr;
        return element_at(table, n);
    }
    if (n < 0 || n >= table->count)
        return nullptr;
    if (no_holes(table))
        return element_at(table, n);
    if (build_dense(table))
        return element_at(table, table->index->dense_slots[(size_t)n]);
    int32_t passed = 0;
    for (int32_t slot = table->index->first_used; slot < table->capacity; slot++) {
        if (!table->slots[slot].used)
            continue;
        if (passed == n)
            return element_at(table, slot);
        passed++;
    }
    return nullptr;
}

int table_direct_base(const KeyedTable *table, int64_t *base)
{
    if (!usable(table) || table->kind != KEY_INT || !base || !table->index->direct)
        return 0;
    *base = table->index->direct_base;
    return 1;
}

int table_copy(const KeyedTable *source, KeyedTable *destination)
{
    if (!source || !destination)
        return 0;
    if (source == destination)
        return 1;
    KeyedTable copy = *source;
    int result = 1;
    copy.data = nullptr;
    copy.slots = nullptr;
    copy.names = nullptr;
    copy.index = nullptr;
    if (has_storage(source)) {
        size_t cap = (size_t)source->capacity;
        copy.data = (unsigned char *)storage_take(cap * (size_t)source->element_size);
        copy.slots = (KeyedTableSlot *)storage_take(cap * sizeof(KeyedTableSlot));
        if (source->names)
            copy.names = (KeyedTableName *)storage_take(cap * sizeof(KeyedTableName));
        try {
            copy.index = new KeyedTableIndex(*source->index);
            // A vector copy drops the reserve that lets removal push without allocating.
            copy.index->free_heap.reserve(cap);
        } catch (const std::bad_alloc &) {
            delete copy.index;
            copy.index = nullptr;
        }
        if (!copy.data || !copy.slots || (source->names && !copy.names) || !copy.index) {
            result = 0;
        } else {
            std::memcpy(copy.data, source->data, cap * (size_t)source->element_size);
            std::memcpy(copy.slots, source->slots, cap * sizeof(KeyedTableSlot));
            if (source->names)
                std::memcpy(copy.names, source->names, cap * sizeof(KeyedTableName));
        }
    } else {
        copy.capacity = 0;
    }
    if (result)
        *destination = copy;
    else
        table_free(&copy);
    return result;
}

int table_reserve(KeyedTable *table, int32_t count)
{
    if (!table || table->element_size < 1 || table->kind < KEY_NONE || table->kind > KEY_NAME ||
        count > MAX_CAPACITY)
        return 0;
    if (count <= table->capacity)
        return 1;
    int32_t capacity = table->capacity ? table->capacity : FIRST_CAPACITY;
    while (capacity < count)
        capacity *= 2;
    return grow_to(table, capacity);
}

int table_shift_keys(KeyedTable *table, int32_t delta)
{
    if (!table || table->kind != KEY_INT || table->element_size < 1)
        return 0;
    if (!has_storage(table) || delta == 0)
        return 1;
    KeyedTableIndex *index = table->index;
    std::vector<IndexBucket> buckets;
    try {
        if (!index->buckets.empty())
            buckets.assign(index->buckets.size(), IndexBucket{EMPTY_BUCKET, 0});
    } catch (const std::bad_alloc &) {
        return 0;
    }
    bool any = false;
    int32_t max_key = 0;
    bool direct = index->direct;
    int64_t base = 0;
    for (int32_t slot = index->first_used; slot < index->fresh; slot++) {
        if (!table->slots[slot].used)
            continue;
        int32_t key = (int32_t)((uint32_t)table->slots[slot].key + (uint32_t)delta);
        table->slots[slot].key = key;
        if (!any)
            base = (int64_t)key - slot;
        else if ((int64_t)key - slot != base)
            direct = false;
        if (!any || key > max_key)
            max_key = key;
        any = true;
    }
    index->max_key = any ? max_key : index->max_key;
    index->direct = direct && any;
    index->direct_base = base;
    if (!buckets.empty()) {
        index->buckets.swap(buckets);
        for (int32_t slot = index->first_used; slot < index->fresh; slot++) {
            if (table->slots[slot].used)
                index_insert(index, slot, hash_int(table->slots[slot].key));
        }
    }
    return 1;
}

int table_free(KeyedTable *table)
{
    if (!table)
        return 0;
    size_t capacity = table->capacity > 0 ? (size_t)table->capacity : 0;
    storage_give(table->data, capacity * (size_t)(table->element_size > 0 ? table->element_size : 0));
    storage_give(table->slots, capacity * sizeof(KeyedTableSlot));
    storage_give(table->names, capacity * sizeof(KeyedTableName));
    delete table->index;
    std::memset(table, 0, sizeof *table);
    return 1;
}

int table_clear(KeyedTable *table)
{
    if (!table)
        return 0;
    int32_t element_size = table->element_size;
    int32_t kind = table->kind;
    table_free(table);
    table_init(table, element_size, kind);
    return 1;
}

// True when the table holds allocated slots with their index.
static bool has_storage(const KeyedTable *table)
{
    return table->capacity > 0 && table->data && table->slots && table->index;
}

// True for a live table with storage: the precondition of every lookup and walk.
static bool usable(const KeyedTable *table)
{
    return table && table->element_size >= 1 && has_storage(table);
}

// Hash of an integer key (murmur3 finaliser). Every step is invertible, so the hash is
// one-to-one over all 32-bit values: equal hashes mean equal keys.
static uint32_t hash_int(int32_t key)
{
    uint32_t h = (uint32_t)key;
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
}

// FNV-1a over the name's bytes up to its terminator.
static uint32_t hash_name(const char *name)
{
    uint32_t h = 2166136261u;
    for (const unsigned char *p = (const unsigned char *)name; *p; p++) {
        h ^= *p;
        h *= 16777619u;
    }
    return h;
}

// True for a name that fits a stored name key whole.
static bool name_storable(const char *name)
{
    return name && std::memchr(name, 0, TABLE_NAME_MAX + 1) != nullptr;
}

// Builds the hash of an integer table if it has none yet; false when out of memory.
static bool ensure_int_index(const KeyedTable *table)
{
    KeyedTableIndex *index = table->index;
    if (!index->buckets.empty())
        return true;
    try {
        index->buckets.assign((size_t)table->capacity * 2, IndexBucket{EMPTY_BUCKET, 0});
    } catch (const std::bad_alloc &) {
        return false;
    }
    for (int32_t slot = index->first_used; slot < index->fresh; slot++) {
        if (table->slots[slot].used)
            index_insert(index, slot, hash_int(table->slots[slot].key));
    }
    return true;
}

// Slot of the used element with the integer key, -1 when absent, -2 when the hash could not
// be built (out of memory).
static int32_t lookup_int(const KeyedTable *table, int32_t key)
{
    const KeyedTableIndex *index = table->index;
    if (index->direct) {
        int64_t slot = (int64_t)key - index->direct_base;
        if (slot < 0 || slot >= index->fresh || !table->slots[slot].used)
            return -1;
        assert(table->slots[slot].key == key);
        return (int32_t)slot;
    }
    if (!ensure_int_index(table))
        return -2;
    const std::vector<IndexBucket> &buckets = table->index->buckets;
    size_t mask = buckets.size() - 1;
    uint32_t hash = hash_int(key);
    for (size_t i = hash & mask; buckets[i].slot != EMPTY_BUCKET; i = (i + 1) & mask) {
        if (buckets[i].hash == hash) { // hash_int is one-to-one: the key matches
            // Checked within the bucket alone: reading the slot's key as well would cost every
            // lookup of a large table a second cache miss.
            assert(buckets[i].slot >= 0 && buckets[i].slot < table->index->fresh);
            return buckets[i].slot;
        }
    }
    return -1;
}

// Records a key just stored in slot of an integer table: enters it in the hash if one is
// built, raises the largest key, and ends direct indexing once a key is not base + slot.
static void note_int_key(KeyedTableIndex *index, int32_t slot, int32_t key)
{
    if (!index->any_key) {
        index->direct = true;
        index->direct_base = (int64_t)key - slot;
    } else if (index->direct && (int64_t)key - slot != index->direct_base) {
        index->direct = false; // the hash is built from the slots on the next lookup
    }
    if (!index->buckets.empty())
        index_insert(index, slot, hash_int(key));
    if (!index->any_key || key > index->max_key)
        index->max_key = key;
    index->any_key = true;
}

// Slot of the used element with exactly this name, or -1 (also for a name too long to store).
static int32_t lookup_name(const KeyedTable *table, const char *name)
{
    if (!name_storable(name))
        return -1;
    const std::vector<IndexBucket> &buckets = table->index->buckets;
    size_t mask = buckets.size() - 1;
    uint32_t hash = hash_name(name);
    for (size_t i = hash & mask; buckets[i].slot != EMPTY_BUCKET; i = (i + 1) & mask) {
        if (buckets[i].hash == hash && std::strcmp(table->names[buckets[i].slot].text, name) == 0) {
            assert(table->slots[buckets[i].slot].used);
            return buckets[i].slot;
        }
    }
    return -1;
}

// Enters a slot under its hash; the bucket array always has room (twice the capacity).
static void index_insert(KeyedTableIndex *index, int32_t slot, uint32_t hash)
{
    assert(!index->buckets.empty());
    size_t mask = index->buckets.size() - 1;
    size_t i = hash & mask;
    while (index->buckets[i].slot != EMPTY_BUCKET) {
        assert(index->buckets[i].slot != slot); // a slot is entered once
        i = (i + 1) & mask;
    }
    index->buckets[i].slot = slot;
    index->buckets[i].hash = hash;
}

// Takes a slot out of the hash, shifting later buckets of its probe run back so that no
// lookup stops early (no tombstones).
static void index_erase(KeyedTableIndex *index, int32_t slot, uint32_t hash)
{
    std::vector<IndexBucket> &buckets = index->buckets;
    size_t mask = buckets.size() - 1;
    size_t hole = hash & mask;
    while (buckets[hole].slot != slot) {
        assert(buckets[hole].slot != EMPTY_BUCKET); // every used slot is in the hash
        hole = (hole + 1) & mask;
    }
    for (size_t j = (hole + 1) & mask; buckets[j].slot != EMPTY_BUCKET; j = (j + 1) & mask) {
        size_t home = buckets[j].hash & mask;
        // Move bucket j into the hole unless its home lies cyclically in (hole, j].
        bool home_after_hole = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
        if (home_after_hole)
            continue;
        buckets[hole] = buckets[j];
        hole = j;
    }
    buckets[hole].slot = EMPTY_BUCKET;
    buckets[hole].hash = 0;
}

// Doubles the storage (16 slots the first time), zero-filling the new half of the elements,
// slots and names, and resizes the index. 0 (table unchanged in use) when out of memory.
static int grow(KeyedTable *table)
{
    if (table->capacity >= MAX_CAPACITY)
        return 0;
    return grow_to(table, table->capacity ? table->capacity * 2 : FIRST_CAPACITY);
}

// Enlarges the storage to new_capacity slots (a larger power of two) as grow does. The
// first storage is taken zeroed from the allocator, which gives fresh pages without
// writing them.
static int grow_to(KeyedTable *table, int32_t new_capacity)
{
    size_t old_n = (size_t)table->capacity;
    size_t new_n = (size_t)new_capacity;
    size_t size = (size_t)table->element_size;
    assert(new_n > old_n);

    // Each block is enlarged in turn; until capacity changes at the end a larger block is
    // harmless, so a failure part way leaves the table as it was.
    unsigned char *data = (unsigned char *)enlarged(table->data, old_n * size, new_n * size);
    if (!data)
        return 0;
    table->data = data;

    KeyedTableSlot *slots =
        (KeyedTableSlot *)enlarged(table->slots, old_n * sizeof *slots, new_n * sizeof *slots);
    if (!slots)
        return 0;
    table->slots = slots;

    if (table->kind == KEY_NAME) {
        KeyedTableName *names =
            (KeyedTableName *)enlarged(table->names, old_n * sizeof *names, new_n * sizeof *names);
        if (!names)
            return 0;
        table->names = names;
    }

    if (!table->index) {
        table->index = new (std::nothrow) KeyedTableIndex();
        if (!table->index)
            return 0;
        table->index->fresh = 0;
        table->index->first_used = 0;
        table->index->dense_valid = false;
        table->index->max_key = 0;
        table->index->any_key = false;
        table->index->direct = false;
        table->index->direct_base = 0;
    }
    KeyedTableIndex *index = table->index;
    try {
        index->free_heap.reserve(new_n);
        if (table->kind == KEY_NAME || (table->kind == KEY_INT && !index->buckets.empty())) {
            std::vector<IndexBucket> buckets(new_n * 2, IndexBucket{EMPTY_BUCKET, 0});
            size_t mask = buckets.size() - 1;
            for (const IndexBucket &b : index->buckets) {
                if (b.slot == EMPTY_BUCKET)
                    continue;
                size_t i = b.hash & mask;
                while (buckets[i].slot != EMPTY_BUCKET)
                    i = (i + 1) & mask;
                buckets[i] = b;
            }
            index->buckets.swap(buckets);
        }
    } catch (const std::bad_alloc &) {
        return 0;
    }
    table->capacity = new_capacity;
    assert(index->fresh <= table->capacity && counts_agree(table));
    return 1;
}

// The block (null for none) enlarged from old_size to new_size bytes with the added bytes
// zero, or null when out of memory (the block is then unchanged).
static void *enlarged(void *block, size_t old_size, size_t new_size)
{
    if (new_size < POOL_MIN_BLOCK) {
        if (!block)
            return std::calloc(new_size, 1);
        unsigned char *grown = (unsigned char *)std::realloc(block, new_size);
        if (grown)
            std::memset(grown + old_size, 0, new_size - old_size);
        return grown;
    }
    unsigned char *grown = (unsigned char *)storage_take(new_size);
    if (!grown)
        return nullptr;
    if (block)
        std::memcpy(grown, block, old_size);
    std::memset(grown + old_size, 0, new_size - old_size);
    storage_give(block, old_size);
    return grown;
}

// A block of at least size bytes (contents undefined): the smallest kept block that is at
// most an eighth larger, else a new one; null when out of memory.
static void *storage_take(size_t size)
{
    if (size >= POOL_MIN_BLOCK) {
        int best = -1;
        for (int i = 0; i < g_pool.count; i++) {
            if (g_pool.sizes[i] >= size && g_pool.sizes[i] - size <= size / 8 &&
                (best < 0 || g_pool.sizes[i] < g_pool.sizes[best]))
                best = i;
        }
        if (best >= 0) {
            void *block = g_pool.blocks[best];
            g_pool.bytes -= g_pool.sizes[best];
            g_pool.count--;
            g_pool.blocks[best] = g_pool.blocks[g_pool.count];
            g_pool.sizes[best] = g_pool.sizes[g_pool.count];
            POOL_UNPOISON(block, size);
            return block;
        }
    }
    return std::malloc(size > 0 ? size : 1);
}

// Releases a block of size bytes (null for none): kept for reuse when it is large and the
// pool has room, else freed.
static void storage_give(void *block, size_t size)
{
    if (!block)
        return;
    if (size < POOL_MIN_BLOCK || g_pool.count == POOL_SLOTS || g_pool.bytes + size > POOL_MAX_BYTES) {
        std::free(block);
        return;
    }
    // A kept block is out of bounds until it is handed out again, so the sanitizer build
    // still reports a use after free of table storage.
    POOL_POISON(block, size);
    g_pool.blocks[g_pool.count] = block;
    g_pool.sizes[g_pool.count] = size;
    g_pool.count++;
    g_pool.bytes += size;
}

// Marks the lowest free slot used (growing when none is free) and counts it; the caller
// stores the key. -1 when out of memory.
static int32_t take_free_slot(KeyedTable *table)
{
    if (!has_storage(table) && !grow(table))
        return -1;
    KeyedTableIndex *index = table->index;
    int32_t slot;
    if (!index->free_heap.empty()) {
        std::pop_heap(index->free_heap.begin(), index->free_heap.end(), std::greater<int32_t>());
        slot = index->free_heap.back();
        index->free_heap.pop_back();
        // The heap holds each freed slot once, below fresh; its top was the lowest.
        assert(slot >= 0 && slot < index->fresh);
        assert(index->free_heap.empty() || index->free_heap.front() > slot);
    } else {
        if (index->fresh >= table->capacity && !grow(table))
            return -1;
        slot = index->fresh++;
    }
    assert(!table->slots[slot].used);
    table->slots[slot].used = 1;
    table->count++;
    if (slot < index->first_used)
        index->first_used = slot;
    if (index->dense_valid) {
        // Appending after every used slot keeps the dense order; anything else rebuilds later.
        index->dense_valid = index->dense_slots.empty() || slot > index->dense_slots.back();
        if (index->dense_valid) {
            try {
                index->dense_slots.push_back(slot);
            } catch (const std::bad_alloc &) {
                index->dense_valid = false;
            }
        }
    }
    assert(counts_agree(table));
    return slot;
}

// Frees a used slot (its bytes and, for names, its stored name stay) and forgets its key.
static void release_slot(KeyedTable *table, int32_t slot, uint32_t hash)
{
    KeyedTableIndex *index = table->index;
    assert(slot >= 0 && slot < index->fresh && table->slots[slot].used);
    table->slots[slot].used = 0;
    table->count--;
    if (!index->buckets.empty())
        index_erase(index, slot, hash);
    if (index->dense_valid) {
        index->dense_valid = !index->dense_slots.empty() && index->dense_slots.back() == slot;
        if (index->dense_valid)
            index->dense_slots.pop_back();
    }
    // Reserved to the capacity at growth, so this never allocates.
    assert(index->free_heap.size() < index->free_heap.capacity());
    index->free_heap.push_back(slot);
    std::push_heap(index->free_heap.begin(), index->free_heap.end(), std::greater<int32_t>());
    assert(counts_agree(table));
}

// Address of the element in slot, or null for -1.
static void *element_at(const KeyedTable *table, int32_t slot)
{
    if (slot < 0)
        return nullptr;
    return table->data + (size_t)slot * (size_t)table->element_size;
}

// Moves the cursor to the first used slot at or after start; its element, or null with the
// cursor at the capacity.
static void *walk_from(KeyedTable *table, int32_t start)
{
    int32_t slot = start;
    while (slot < table->capacity && !table->slots[slot].used)
        slot++;
    table->cursor = slot;
    return element_at(table, slot < table->capacity ? slot : -1);
}

// True when the used slots are exactly 0 .. count-1, so slot and dense positions agree.
static bool no_holes(const KeyedTable *table)
{
    return table->index->free_heap.empty() && table->index->fresh == table->count;
}

// Brings the list of used slots up to date, so dense queries over a table with holes cost a
// binary search or less until the order next changes; false when out of memory.
static bool build_dense(const KeyedTable *table)
{
    KeyedTableIndex *index = table->index;
    if (index->dense_valid)
        return true;
    try {
        index->dense_slots.clear();
        index->dense_slots.reserve((size_t)table->count);
    } catch (const std::bad_alloc &) {
        return false;
    }
    for (int32_t slot = index->first_used; slot < table->capacity; slot++) {
        if (table->slots[slot].used)
            index->dense_slots.push_back(slot);
    }
    index->dense_valid = true;
    assert(counts_agree(table));
    return true;
}

// Number of used slots before a used slot.
static int32_t dense_position(const KeyedTable *table, int32_t slot)
{
    if (no_holes(table))
        return slot;
    if (build_dense(table)) {
        const std::vector<int32_t> &dense = table->index->dense_slots;
        return (int32_t)(std::lower_bound(dense.begin(), dense.end(), slot) - dense.begin());
    }
    int32_t passed = 0;
    for (int32_t i = table->index->first_used; i < slot; i++) {
        if (table->slots[i].used)
            passed++;
    }
    return passed;
}

// The bookkeeping that every change keeps, checked in constant time: each slot below fresh
// is used or waits once in the free heap, and the dense list, while valid, lists every used
// slot.
[[maybe_unused]] static bool counts_agree(const KeyedTable *table)
{
    const KeyedTableIndex *index = table->index;
    return table->count >= 0 && table->count <= table->capacity &&
           (size_t)table->count + index->free_heap.size() == (size_t)index->fresh &&
           (!index->dense_valid || index->dense_slots.size() == (size_t)table->count);
}
