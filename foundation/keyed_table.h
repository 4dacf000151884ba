// The one collection type: fixed-size elements stored inline in slots with a
// used flag, keyed by nothing, by a signed 32-bit integer or by a name of at
// most 31 characters compared exactly. The capacity is 16 slots from the first
// add and doubles when full; a new element always takes the lowest free slot.
// Elements are plain bytes the table copies and zero-fills but never reads, so
// records stored in a table must be trivially copyable.
//
// A table costs what it holds: nothing before its first add, and within its first
// 16 slots storage only for the slots up to the highest used one (the room: 1, 2,
// 4, 8 or 16 slots, larger tables have room for their whole capacity). Slots at or
// above the room are free and hold no bytes: reach slots through table_nth, which
// checks that. Tables of 16 slots keep no lookup index; they are scanned.
//
// Keys: the integer overloads serve KEY_NONE and KEY_INT tables, the name
// overloads KEY_NAME tables; a key of the other form is refused. Pass nullptr
// (not NULL) for a missing name.
//
// The header is a plain record that can sit inside other plain records, but it
// owns its storage (and, above 16 slots, a key index) behind pointers: copying the record by
// assignment aliases the storage and is NOT a copy (use table_copy), and only
// one of the aliases may ever be freed or changed. Moving the record's bytes to a new
// place (as when a table of records holding tables grows) is safe: nothing points back at it.
// For a walk without a key out use the one-argument table_first/table_next (nullptr as the
// key out is ambiguous between the overloads).
#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

constexpr int32_t KEY_NONE = 0;        // no key: a plain list
constexpr int32_t KEY_INT = 1;         // signed 32-bit integer key
constexpr int32_t KEY_NAME = 2;        // name key, compared byte for byte
constexpr int32_t TABLE_NAME_MAX = 31; // longest name key; longer names are refused

// Key slot of one element, parallel to the element storage.
struct KeyedTableSlot {
    uint32_t used; // 1 while the slot holds an element, 0 when free
    int32_t key;   // integer key (KEY_NONE: stored, never compared); 0 in KEY_NAME tables
};

// Stored name key of one slot of a KEY_NAME table: the name, NUL, then zeros.
struct KeyedTableName {
    char text[TABLE_NAME_MAX + 1];
};

struct KeyedTableIndex; // key-to-slot hash and free-slot order, private to keyed_table.cpp

struct KeyedTable {
    int32_t kind;            // KEY_NONE, KEY_INT or KEY_NAME
    int32_t room;            // slots with storage: 0 without, 1..16 (a power of two) while
                             // the capacity is 16, else the capacity
    KeyedTableSlot *slots;   // room key slots in the one storage block, after the elements
                             // and before the names (table_names); null before the first add
    int32_t cursor;          // slot index of the walk position
    int32_t count;           // number of used slots
    int32_t element_size;    // bytes per element, at least 1
    int32_t capacity;        // slots: 0, 16, 32, 64, ...
    unsigned char *data;     // the block: room x element_size bytes of elements first, element i
                             // at i x element_size; null before the first add
    KeyedTableIndex *index;  // lookup index over the slots of a table above 16 slots; else null
};
static_assert(std::is_trivially_copyable<KeyedTable>::value, "KeyedTable must stay a plain record");

// The stored names of a KEY_NAME table with storage, one per slot of its room, in the block
// after the key slots; null for other tables and without storage.
inline KeyedTableName *table_names(const KeyedTable *table)
{
    if (table->kind != KEY_NAME || !table->slots) return nullptr;
    return reinterpret_cast<KeyedTableName *>(table->slots + table->room);
}

// Zeroes the header and sets element size and kind; no storage yet. 0 (table unchanged) for a
// null table, element_size < 1 or an unknown kind. Only for a zero, new or freed table.
int table_init(KeyedTable *table, int32_t element_size, int32_t key_kind);
// Element of key, created in the lowest free slot if absent (zero bytes only in fresh storage;
// a reused slot keeps the bytes of its removed element); null on refusal or out of memory.
void *table_add(KeyedTable *table, int32_t key);
// Element of the name (get-or-add as above); null for a null name, one over TABLE_NAME_MAX
// characters, a table that is not KEY_NAME, or out of memory.
void *table_add(KeyedTable *table, const char *name);
// Removes the element of key from a KEY_INT table; 1 if removed, 0 if absent, key < 1 or refused.
int table_remove(KeyedTable *table, int32_t key);
// Removes the element of the name from a KEY_NAME table; 1 if removed, else 0.
int table_remove(KeyedTable *table, const char *name);
// Element whose integer key matches in a KEY_INT table, or null.
void *table_find(KeyedTable *table, int32_t key);
// Element whose name matches exactly in a KEY_NAME table, or null.
void *table_find(KeyedTable *table, const char *name);
// Starts the walk: first element in slot order, or null when the table is empty.
void *table_first(KeyedTable *table);
// As above; key_out (if not null) gets the slot's integer key, 0 for KEY_NAME or when none.
void *table_first(KeyedTable *table, int32_t *key_out);
// As above; name_out (if not null) gets the stored name (valid until the slot is reused or the
// table grows or is freed), null for other kinds or when none.
void *table_first(KeyedTable *table, const char **name_out);
// Next element after the walk cursor in slot order, or null at the end (and again after it).
void *table_next(KeyedTable *table);
// As above with the integer key out, as for table_first.
void *table_next(KeyedTable *table, int32_t *key_out);
// As above with the stored name out, as for table_first.
void *table_next(KeyedTable *table, const char **name_out);
// Number of elements; 0 for a null table, element size < 1 or no storage.
int32_t table_count(const KeyedTable *table);
// Slot index of key (dense 0) or its position among used slots in slot order (dense not 0);
// -1 if absent or refused (KEY_INT tables).
int32_t table_index_of(KeyedTable *table, int32_t key, int dense);
// As above for a name in a KEY_NAME table.
int32_t table_index_of(KeyedTable *table, const char *name, int dense);
// Element of slot n if used (dense 0), or of the n-th used slot in slot order (dense not 0);
// null otherwise.
void *table_nth_checked(KeyedTable *table, int32_t n, int dense);
// The same; a slot by index, the drawing passes' inner lookup and the step of every walk by
// slot, is answered here without a call.
inline void *table_nth(KeyedTable *table, int32_t n, int dense)
{
    if (dense || !table) return table_nth_checked(table, n, dense);
    if (n >= 0 && n < table->room && table->slots[n].used)
        return table->data + (size_t)n * (size_t)table->element_size;
    return nullptr;
}
// 1 when every used slot of a KEY_INT table holds the key *base + slot (keys added in
// ascending order without gaps, as ids are made), with *base set: a key's slot is then
// key - *base when that slot is used. 0 otherwise (base unchanged).
int table_direct_base(const KeyedTable *table, int64_t *base);
// Makes destination an independent copy of source (header, cursor, storage and index). The
// destination's previous storage is not released: copy only into a table holding none.
// 1; 0 for a null source or out of memory (destination unchanged).
int table_copy(const KeyedTable *source, KeyedTable *destination);
// Makes room for count elements without growing again: the capacity becomes the first of 16,
// 32, 64, ... (doubling from the present one) that holds them, the new storage zero as after
// doubling. 1 (also when it already has room); 0 for a null table or out of memory (table
// unchanged in use).
int table_reserve(KeyedTable *table, int32_t count);
// Adds delta to the key of every element of a KEY_INT table (wrapping as uint32_t), keeping
// slots and order: renumbers a copied table of ids. 1; 0 for a null or other table, or out of
// memory (keys then unchanged).
int table_shift_keys(KeyedTable *table, int32_t delta);
// Releases the storage and index and zeroes the whole header; 1, 0 for a null table.
int table_free(KeyedTable *table);
// Releases the storage and index, keeping element size and kind (empty, ready for adds);
// 1, 0 for a null table.
int table_clear(KeyedTable *table);
