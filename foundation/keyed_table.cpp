// Keyed table: inline element storage with parallel key slots (and stored names) in one
// block per table: the elements, then the slots, then the names.
//
// A table of 16 slots, as every table is until its 17th element, is scanned: it has no
// index, and its block holds only the slots up to its highest used one (the room, 1 to 16),
// so the many small tables of a small model cost a few hundred bytes, not a full 16 slots
// each. Larger tables keep an index: an open-addressing hash from key to slot, a min-heap
// of freed slots so that the lowest free slot is found without scanning, and a list of used
// slots for dense positions once holes exist. The hash of an integer table is built on its
// first lookup: tables whose keys only grow and that are never searched (faces, strips,
// lines and other id-keyed lists) never pay for one, neither in memory nor in rehashing at
// every doubling. While every key equals a fixed base plus its slot (ids added in ascending
// order without gaps, as points and faces are), a lookup is plain indexing and no hash is
// built at all.
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

constexpr int32_t FIRST_CAPACITY = 16;    // capacity from the first add; tables of it are scanned
constexpr int32_t MAX_CAPACITY = 1 << 30; // doubling stops here: capacity stays an int32_t
constexpr int32_t EMPTY_BUCKET = -1;

// Storage blocks of at least this size are kept when their table is freed and handed out
// again: a model that is closed and opened again (or the next model of a load) writes memory
// that is already mapped instead of taking a page fault for every 4 KiB of fresh memory.
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

// Everything that makes lookups in a table above 16 slots cheap; built from the slots when
// the table first grows past 16, deep-copied by table_copy and deleted by table_free.
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
static size_t slots_offset(const KeyedTable *table, size_t room);
static size_t block_bytes(const KeyedTable *table, size_t room);
static void place_block(KeyedTable *table, unsigned char *block, int32_t room);
static int grow(KeyedTable *table);
static int resize(KeyedTable *table, int32_t new_room, int32_t new_capacity);
static bool fit_index(KeyedTable *table);
static KeyedTableIndex *build_index(const KeyedTable *table);
static void *storage_take(size_t size, bool zeroed);
static void storage_give(void *block, size_t size);
static int32_t take_free_slot(KeyedTable *table);
static int32_t take_scanned_slot(KeyedTable *table);
static void release_slot(KeyedTable *table, int32_t slot, uint32_t hash);
static void *element_at(const KeyedTable *table, int32_t slot);
static void *walk_from(KeyedTable *table, int32_t start);
static bool no_holes(const KeyedTable *table);
static bool build_dense(const KeyedTable *table);
static int32_t dense_position(const KeyedTable *table, int32_t slot);
static int32_t nth_used_slot(const KeyedTable *table, int32_t n);
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
    // In an indexed table a key above every key added so far, or any key before the first,
    // cannot be present: no lookup (and no hash) needed.
    if (table->kind == KEY_INT && has_storage(table) &&
        (!table->index || (table->index->any_key && key <= table->index->max_key))) {
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
    if (table->kind == KEY_INT && table->index)
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
    if (!has_storage(table) && !resize(table, 1, FIRST_CAPACITY))
        return nullptr;
    if (!name_storable(name))
        return nullptr;
    int32_t slot = take_free_slot(table);
    if (slot < 0)
        return nullptr;
    table->slots[slot].key = 0;
    KeyedTableName *stored = &table_names(table)[slot];
    std::memset(stored->text, 0, sizeof stored->text);
    std::memcpy(stored->text, name, std::strlen(name));
    if (table->index)
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
    if (!table->index)
        return walk_from(table, 0);
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
        *name_out = element && table->kind == KEY_NAME ? table_names(table)[table->cursor].text : nullptr;
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
        *name_out = element && table->kind == KEY_NAME ? table_names(table)[table->cursor].text : nullptr;
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
        if (n < 0 || n >= table->room || !table->slots[n].used)
            return nullptr;
        return element_at(table, n);
    }
    if (n < 0 || n >= table->count)
        return nullptr;
    if (no_holes(table))
        return element_at(table, n);
    if (table->index && build_dense(table))
        return element_at(table, table->index->dense_slots[(size_t)n]);
    return element_at(table, nth_used_slot(table, n));
}

int table_direct_base(const KeyedTable *table, int64_t *base)
{
    if (!usable(table) || table->kind != KEY_INT || !base)
        return 0;
    if (table->index) {
        if (!table->index->direct)
            return 0;
        *base = table->index->direct_base;
        return 1;
    }
    // A scanned table is checked slot by slot: at most 16 of them.
    bool any = false;
    int64_t found = 0;
    for (int32_t slot = 0; slot < table->room; slot++) {
        if (!table->slots[slot].used)
            continue;
        int64_t slot_base = (int64_t)table->slots[slot].key - slot;
        if (any && slot_base != found)
            return 0;
        found = slot_base;
        any = true;
    }
    if (!any)
        return 0;
    *base = found;
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
    copy.slots = nullptr;
    copy.data = nullptr;
    copy.index = nullptr;
    if (has_storage(source)) {
        size_t bytes = block_bytes(source, (size_t)source->room);
        unsigned char *block = (unsigned char *)storage_take(bytes, false);
        if (block) {
            std::memcpy(block, source->data, bytes);
            place_block(&copy, block, source->room);
        }
        if (block && source->index) {
            try {
                copy.index = new KeyedTableIndex(*source->index);
                // A vector copy drops the reserve that lets removal push without allocating.
                copy.index->free_heap.reserve((size_t)source->capacity);
            } catch (const std::bad_alloc &) {
                delete copy.index;
                copy.index = nullptr;
            }
        }
        if (!block || (source->index && !copy.index))
            result = 0;
    } else {
        copy.capacity = 0;
        copy.room = 0;
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
    if (count <= table->room)
        return 1;
    int32_t capacity = table->capacity ? table->capacity : FIRST_CAPACITY;
    while (capacity < count)
        capacity *= 2;
    return resize(table, capacity, capacity);
}

int table_shift_keys(KeyedTable *table, int32_t delta)
{
    if (!table || table->kind != KEY_INT || table->element_size < 1)
        return 0;
    if (!has_storage(table) || delta == 0)
        return 1;
    KeyedTableIndex *index = table->index;
    if (!index) {
        for (int32_t slot = 0; slot < table->room; slot++) {
            if (table->slots[slot].used)
                table->slots[slot].key = (int32_t)((uint32_t)table->slots[slot].key + (uint32_t)delta);
        }
        return 1;
    }
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
    if (table->data)
        storage_give(table->data, block_bytes(table, (size_t)table->room));
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

// True when the table holds a storage block.
static bool has_storage(const KeyedTable *table)
{
    return table->capacity > 0 && table->room > 0 && table->slots;
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

// Builds the hash of an indexed integer table if it has none yet; false when out of memory.
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
    if (!index) {
        for (int32_t slot = 0; slot < table->room; slot++) {
            if (table->slots[slot].used && table->slots[slot].key == key)
                return slot;
        }
        return -1;
    }
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

// Records a key just stored in slot of an indexed integer table: enters it in the hash if
// one is built, raises the largest key, and ends direct indexing once a key is not base +
// slot.
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
    const KeyedTableName *names = table_names(table);
    if (!table->index) {
        for (int32_t slot = 0; slot < table->room; slot++) {
            if (table->slots[slot].used && std::strcmp(names[slot].text, name) == 0)
                return slot;
        }
        return -1;
    }
    const std::vector<IndexBucket> &buckets = table->index->buckets;
    size_t mask = buckets.size() - 1;
    uint32_t hash = hash_name(name);
    for (size_t i = hash & mask; buckets[i].slot != EMPTY_BUCKET; i = (i + 1) & mask) {
        if (buckets[i].hash == hash && std::strcmp(names[buckets[i].slot].text, name) == 0) {
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

// Bytes of a block of room slots before its key slots: the elements, rounded up so that the
// slots after them are aligned.
static size_t slots_offset(const KeyedTable *table, size_t room)
{
    size_t align = alignof(KeyedTableSlot);
    return (room * (size_t)table->element_size + align - 1) / align * align;
}

// Size of the table's storage block for room slots: elements, key slots, names (KEY_NAME).
static size_t block_bytes(const KeyedTable *table, size_t room)
{
    size_t bytes = slots_offset(table, room) + room * sizeof(KeyedTableSlot);
    if (table->kind == KEY_NAME)
        bytes += room * sizeof(KeyedTableName);
    return bytes;
}

// Points the table's elements and slots (and so its names) into a block laid out for room
// slots.
static void place_block(KeyedTable *table, unsigned char *block, int32_t room)
{
    table->room = room;
    table->data = block;
    table->slots = (KeyedTableSlot *)(block + slots_offset(table, (size_t)room));
}

// Doubles a full table (16 slots the first time). 0 (table unchanged) when out of memory.
static int grow(KeyedTable *table)
{
    if (table->capacity >= MAX_CAPACITY)
        return 0;
    int32_t capacity = table->capacity ? table->capacity * 2 : FIRST_CAPACITY;
    return resize(table, table->capacity ? capacity : 1, capacity);
}

// Enlarges the table's block to new_room slots (not fewer than its room) under the capacity
// new_capacity (not below its capacity): elements, slots and names keep their bytes, the
// added ones are zero, and a table above 16 slots gets its index or has it enlarged. The
// first block is taken zeroed from the allocator, which gives fresh pages without writing
// them; later ones grow in place where the allocator can (a large block is remapped, not
// copied), so growth never holds the old storage beside the new. 0 (table unchanged) when
// out of memory.
static int resize(KeyedTable *table, int32_t new_room, int32_t new_capacity)
{
    size_t old_room = (size_t)table->room;
    size_t room = (size_t)new_room;
    size_t size = (size_t)table->element_size;
    assert(room >= old_room && new_capacity >= table->capacity && new_room <= new_capacity);
    assert(new_capacity == FIRST_CAPACITY || new_room == new_capacity);
    KeyedTable grown = *table;
    grown.capacity = new_capacity;
    bool new_index = new_capacity > FIRST_CAPACITY && !table->index;
    // Built over the present slots before they move; an index enlarged for a growth that
    // then fails is harmless.
    if (new_capacity > FIRST_CAPACITY && !fit_index(&grown))
        return 0;
    unsigned char *block = table->data
        ? (unsigned char *)std::realloc(table->data, block_bytes(table, room))
        : (unsigned char *)storage_take(block_bytes(table, room), true);
    if (!block) {
        if (new_index)
            delete grown.index;
        return 0;
    }
    if (old_room > 0) {
        // Names (highest) and then slots move up to their new places; all that is added is
        // zeroed after.
        KeyedTable before = grown;
        place_block(&before, block, (int32_t)old_room);
        place_block(&grown, block, new_room);
        if (table->kind == KEY_NAME)
            std::memmove(table_names(&grown), table_names(&before), old_room * sizeof(KeyedTableName));
        std::memmove(grown.slots, before.slots, old_room * sizeof(KeyedTableSlot));
        std::memset(grown.data + old_room * size, 0, (room - old_room) * size);
        std::memset(grown.slots + old_room, 0, (room - old_room) * sizeof(KeyedTableSlot));
        if (table->kind == KEY_NAME)
            std::memset(table_names(&grown) + old_room, 0, (room - old_room) * sizeof(KeyedTableName));
    } else {
        place_block(&grown, block, new_room);
    }
    *table = grown;
    assert(counts_agree(table));
    return 1;
}

// Gives a table that has just grown above 16 slots its index, built from its slots, or
// enlarges the index it has to the new capacity; false (the table's index as it was, a
// larger reserve being harmless) when out of memory.
static bool fit_index(KeyedTable *table)
{
    if (!table->index) {
        table->index = build_index(table);
        return table->index != nullptr;
    }
    KeyedTableIndex *index = table->index;
    size_t capacity = (size_t)table->capacity;
    try {
        index->free_heap.reserve(capacity);
        if (table->kind == KEY_NAME || (table->kind == KEY_INT && !index->buckets.empty())) {
            std::vector<IndexBucket> buckets(capacity * 2, IndexBucket{EMPTY_BUCKET, 0});
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
        return false;
    }
    return true;
}

// A new index over the table's slots (the used ones, their keys and names), or null when out
// of memory.
static KeyedTableIndex *build_index(const KeyedTable *table)
{
    KeyedTableIndex *index = new (std::nothrow) KeyedTableIndex();
    if (!index)
        return nullptr;
    index->max_key = 0;
    index->any_key = false;
    index->direct = false;
    index->direct_base = 0;
    index->fresh = 0;
    index->first_used = 0;
    index->dense_valid = false;
    try {
        index->free_heap.reserve((size_t)table->capacity);
        if (table->kind == KEY_NAME)
            index->buckets.assign((size_t)table->capacity * 2, IndexBucket{EMPTY_BUCKET, 0});
        bool direct = true;
        bool seen = false;
        for (int32_t slot = 0; slot < table->room; slot++) {
            if (!table->slots[slot].used)
                continue;
            // Free slots below a used one wait in the heap; ascending order is a valid heap.
            for (int32_t free_slot = index->fresh; free_slot < slot; free_slot++)
                index->free_heap.push_back(free_slot);
            if (!seen)
                index->first_used = slot;
            seen = true;
            index->fresh = slot + 1;
            int32_t key = table->slots[slot].key;
            if (table->kind == KEY_NAME) {
                index_insert(index, slot, hash_name(table_names(table)[slot].text));
            } else if (table->kind == KEY_INT) {
                if (!index->any_key) {
                    index->direct_base = (int64_t)key - slot;
                } else if ((int64_t)key - slot != index->direct_base) {
                    direct = false;
                }
                if (!index->any_key || key > index->max_key)
                    index->max_key = key;
                index->any_key = true;
            }
        }
        index->direct = direct && index->any_key;
    } catch (const std::bad_alloc &) {
        delete index;
        return nullptr;
    }
    return index;
}

// A block of size bytes, zero when asked (contents undefined otherwise): for a large block
// the smallest kept block that is at most an eighth larger, else a new one; null when out of
// memory.
static void *storage_take(size_t size, bool zeroed)
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
            if (zeroed)
                std::memset(block, 0, size);
            return block;
        }
    }
    if (zeroed)
        return std::calloc(size > 0 ? size : 1, 1);
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
    if (!table->index) {
        int32_t slot = take_scanned_slot(table);
        if (slot != -2)
            return slot;
        // All 16 slots are used: the table doubles and is indexed from now on.
        if (!grow(table))
            return -1;
    }
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

// take_free_slot for a table without index: the first free slot within the room, else the
// room doubled and its first new slot. -2 when all 16 slots are used, -1 when out of memory.
static int32_t take_scanned_slot(KeyedTable *table)
{
    int32_t slot = 0;
    while (slot < table->room && table->slots[slot].used)
        slot++;
    if (slot == table->capacity)
        return -2;
    if (slot == table->room && !resize(table, table->room * 2, table->capacity))
        return -1;
    table->slots[slot].used = 1;
    table->count++;
    assert(counts_agree(table));
    return slot;
}

// Frees a used slot (its bytes and, for names, its stored name stay) and forgets its key.
static void release_slot(KeyedTable *table, int32_t slot, uint32_t hash)
{
    assert(slot >= 0 && slot < table->room && table->slots[slot].used);
    table->slots[slot].used = 0;
    table->count--;
    KeyedTableIndex *index = table->index;
    if (!index) {
        assert(counts_agree(table));
        return;
    }
    assert(slot < index->fresh);
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
// cursor at the capacity (the slots beyond the room are all free).
static void *walk_from(KeyedTable *table, int32_t start)
{
    int32_t slot = start;
    while (slot < table->room && !table->slots[slot].used)
        slot++;
    if (slot >= table->room) {
        table->cursor = table->capacity;
        return nullptr;
    }
    table->cursor = slot;
    return element_at(table, slot);
}

// True when the used slots are exactly 0 .. count-1, so slot and dense positions agree.
static bool no_holes(const KeyedTable *table)
{
    if (table->index)
        return table->index->free_heap.empty() && table->index->fresh == table->count;
    int32_t used = 0;
    while (used < table->room && table->slots[used].used)
        used++;
    return used == table->count;
}

// Brings the list of used slots of an indexed table up to date, so dense queries over a table
// with holes cost a binary search or less until the order next changes; false when out of
// memory.
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
    if (table->index && build_dense(table)) {
        const std::vector<int32_t> &dense = table->index->dense_slots;
        return (int32_t)(std::lower_bound(dense.begin(), dense.end(), slot) - dense.begin());
    }
    int32_t passed = 0;
    for (int32_t i = table->index ? table->index->first_used : 0; i < slot; i++) {
        if (table->slots[i].used)
            passed++;
    }
    return passed;
}

// Slot of the used slot with n used slots before it, counted from the start; -1 when none.
static int32_t nth_used_slot(const KeyedTable *table, int32_t n)
{
    int32_t passed = 0;
    for (int32_t slot = table->index ? table->index->first_used : 0; slot < table->room; slot++) {
        if (!table->slots[slot].used)
            continue;
        if (passed == n)
            return slot;
        passed++;
    }
    return -1;
}

// The bookkeeping that every change keeps: a scanned table counts its used slots within its
// room (at most 16); an indexed one, in constant time, has room for its capacity, each slot
// below fresh used or waiting once in the free heap, and the dense list, while valid,
// listing every used slot.
[[maybe_unused]] static bool counts_agree(const KeyedTable *table)
{
    if (table->count < 0 || table->count > table->room || table->room > table->capacity)
        return false;
    const KeyedTableIndex *index = table->index;
    if (!index) {
        int32_t used = 0;
        for (int32_t slot = 0; slot < table->room; slot++)
            used += table->slots[slot].used ? 1 : 0;
        return table->capacity == FIRST_CAPACITY && used == table->count;
    }
    return table->room == table->capacity &&
           (size_t)table->count + index->free_heap.size() == (size_t)index->fresh &&
           (!index->dense_valid || index->dense_slots.size() == (size_t)table->count);
}
