#include "foundation/keyed_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Rec {
    int32_t a;
    int32_t b;
};

// Slot index of an element returned by the table.
int32_t slot_of(const KeyedTable &t, const void *element)
{
    return (int32_t)(((const unsigned char *)element - t.data) / t.element_size);
}

bool all_zero(const unsigned char *bytes, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        if (bytes[i])
            return false;
    }
    return true;
}

// A KEY_INT table of Rec holding keys 1..n, each with a = key, b = -key.
struct IntTable : ::testing::Test {
    KeyedTable t;
    void SetUp() override { ASSERT_EQ(1, table_init(&t, sizeof(Rec), KEY_INT)); }
    void TearDown() override { table_free(&t); }
    void fill(int32_t n)
    {
        for (int32_t k = 1; k <= n; k++) {
            Rec *r = (Rec *)table_add(&t, k);
            ASSERT_NE(nullptr, r);
            r->a = k;
            r->b = -k;
        }
    }
    std::vector<int32_t> walk_keys()
    {
        std::vector<int32_t> keys;
        int32_t key = 0;
        for (void *e = table_first(&t, &key); e; e = table_next(&t, &key))
            keys.push_back(key);
        return keys;
    }
};

} // namespace

TEST(KeyedTableInit, RefusesBadArgumentsAndLeavesTheTableAlone)
{
    EXPECT_EQ(0, table_init(nullptr, 4, KEY_INT));
    struct Case { int32_t size; int32_t kind; };
    for (Case c : {Case{0, KEY_INT}, Case{-4, KEY_NONE}, Case{4, -1}, Case{4, 3}}) {
        KeyedTable t;
        std::memset(&t, 0x5a, sizeof t);
        EXPECT_EQ(0, table_init(&t, c.size, c.kind)) << c.size << " " << c.kind;
        EXPECT_EQ(0x5a5a5a5a, t.count);
    }
    KeyedTable t;
    std::memset(&t, 0x5a, sizeof t);
    ASSERT_EQ(1, table_init(&t, 12, KEY_NAME));
    EXPECT_EQ(12, t.element_size);
    EXPECT_EQ(KEY_NAME, t.kind);
    EXPECT_EQ(0, t.capacity);
    EXPECT_EQ(0, t.count);
    EXPECT_EQ(nullptr, t.data);
    EXPECT_EQ(nullptr, t.slots);
    EXPECT_EQ(nullptr, t.index);
}

TEST(KeyedTableInit, EveryOperationRefusesMissingTableOrStorage)
{
    EXPECT_EQ(nullptr, table_add(nullptr, 1));
    EXPECT_EQ(nullptr, table_add(nullptr, "a"));
    EXPECT_EQ(0, table_remove(nullptr, 1));
    EXPECT_EQ(nullptr, table_find(nullptr, 1));
    EXPECT_EQ(nullptr, table_first(nullptr));
    EXPECT_EQ(nullptr, table_next(nullptr));
    EXPECT_EQ(0, table_count(nullptr));
    EXPECT_EQ(-1, table_index_of(nullptr, 1, 0));
    EXPECT_EQ(nullptr, table_nth(nullptr, 0, 1));
    EXPECT_EQ(0, table_copy(nullptr, nullptr));
    EXPECT_EQ(0, table_free(nullptr));
    EXPECT_EQ(0, table_clear(nullptr));

    KeyedTable zero = {};
    EXPECT_EQ(nullptr, table_add(&zero, 1)); // element size 0: never initialised
    EXPECT_EQ(0, zero.capacity);

    KeyedTable t;
    table_init(&t, 4, KEY_INT);
    int32_t key = 99;
    EXPECT_EQ(nullptr, table_find(&t, 1));
    EXPECT_EQ(0, table_remove(&t, 1));
    EXPECT_EQ(nullptr, table_first(&t, &key));
    EXPECT_EQ(0, key);
    EXPECT_EQ(nullptr, table_next(&t));
    EXPECT_EQ(0, table_count(&t));
    EXPECT_EQ(-1, table_index_of(&t, 1, 1));
    EXPECT_EQ(nullptr, table_nth(&t, 0, 0));
    EXPECT_EQ(0, t.capacity);
}

TEST_F(IntTable, AddOfPresentKeyReturnsTheSameElementUnchanged)
{
    fill(5);
    Rec *before = (Rec *)table_find(&t, 3);
    Rec *again = (Rec *)table_add(&t, 3);
    EXPECT_EQ(before, again);
    EXPECT_EQ(3, again->a);
    EXPECT_EQ(-3, again->b);
    EXPECT_EQ(5, table_count(&t));
}

TEST_F(IntTable, GrowsFrom16ByDoublingAndZeroFillsTheNewHalf)
{
    // The first 16 slots get storage as they are reached: a table of one element holds one.
    table_add(&t, 1);
    EXPECT_EQ(16, t.capacity);
    EXPECT_EQ(1, t.room);
    EXPECT_TRUE(all_zero(t.data, sizeof(Rec)));
    for (int32_t k = 1; k <= 16; k++) {
        Rec *r = (Rec *)table_add(&t, k);
        r->a = k;
        r->b = -k;
        EXPECT_EQ(k <= 1 ? 1 : k <= 2 ? 2 : k <= 4 ? 4 : k <= 8 ? 8 : 16, t.room) << k;
    }
    EXPECT_EQ(16, t.capacity);
    Rec *r17 = (Rec *)table_add(&t, 17);
    EXPECT_EQ(32, t.capacity);
    EXPECT_EQ(32, t.room);
    EXPECT_EQ(16, slot_of(t, r17));
    EXPECT_TRUE(all_zero(t.data + 16 * sizeof(Rec), 16 * sizeof(Rec)));
    for (int32_t s = 17; s < 32; s++)
        EXPECT_EQ(0u, t.slots[s].used);
    for (int32_t k = 1; k <= 16; k++) {
        Rec *r = (Rec *)table_find(&t, k);
        ASSERT_NE(nullptr, r);
        EXPECT_EQ(k - 1, slot_of(t, r));
        EXPECT_EQ(k, r->a);
        EXPECT_EQ(-k, r->b);
    }
    for (int32_t k = 18; k <= 1000; k++)
        table_add(&t, k);
    EXPECT_EQ(1024, t.capacity);
    EXPECT_EQ(1000, table_count(&t));
}

TEST_F(IntTable, NewElementTakesTheLowestFreeSlotKeepingItsOldBytes)
{
    fill(5);
    ASSERT_EQ(1, table_remove(&t, 3)); // slot 2
    Rec *r = (Rec *)table_add(&t, 50);
    EXPECT_EQ(2, slot_of(t, r));
    EXPECT_EQ(3, r->a); // the removed element's bytes are still there
    EXPECT_EQ(-3, r->b);
    EXPECT_EQ(nullptr, table_find(&t, 3));
    EXPECT_EQ(r, table_find(&t, 50));

    // Freed slots are reused lowest first, whatever order they were freed in,
    // and only then does the never-used tail come into play.
    fill(12);
    for (int32_t key : {8, 4, 11, 2})
        ASSERT_EQ(1, table_remove(&t, key));
    std::vector<int32_t> slots;
    for (int32_t key = 100; key < 106; key++)
        slots.push_back(slot_of(t, table_add(&t, key)));
    EXPECT_EQ((std::vector<int32_t>{1, 3, 8, 11, 13, 14}), slots);
}

TEST_F(IntTable, RemoveRefusesKeysBelowOneButFindStillSeesThem)
{
    fill(2);
    ASSERT_NE(nullptr, table_add(&t, 0));
    ASSERT_NE(nullptr, table_add(&t, -7));
    EXPECT_EQ(0, table_remove(&t, 0));
    EXPECT_EQ(0, table_remove(&t, -7));
    EXPECT_EQ(4, table_count(&t));
    EXPECT_NE(nullptr, table_find(&t, 0));
    EXPECT_EQ(3, table_index_of(&t, -7, 0));
    EXPECT_EQ(0, table_remove(&t, 55));
    EXPECT_EQ(1, table_remove(&t, 2));
    EXPECT_EQ(0, table_remove(&t, 2));
    EXPECT_EQ(0, t.slots[1].key);
}

TEST_F(IntTable, NameKeysAreRefusedOnIntegerTables)
{
    fill(3);
    EXPECT_EQ(nullptr, table_add(&t, "1"));
    EXPECT_EQ(nullptr, table_find(&t, "1"));
    EXPECT_EQ(0, table_remove(&t, "1"));
    EXPECT_EQ(-1, table_index_of(&t, "1", 0));
    EXPECT_EQ(3, table_count(&t));
}

TEST(KeyedTablePlainList, KeepsDuplicatesAndHasNoLookup)
{
    KeyedTable t;
    table_init(&t, sizeof(int32_t), KEY_NONE);
    int32_t *first = (int32_t *)table_add(&t, 4);
    *first = 40;
    int32_t *second = (int32_t *)table_add(&t, 4);
    *second = 41;
    EXPECT_NE(first, second);
    EXPECT_EQ(2, table_count(&t));
    EXPECT_EQ(nullptr, table_find(&t, 4));
    EXPECT_EQ(-1, table_index_of(&t, 4, 0));
    EXPECT_EQ(0, table_remove(&t, 4));
    for (int32_t i = 2; i < 40; i++)
        *(int32_t *)table_add(&t, 7) = 40 + i;
    int32_t key = 0;
    int32_t *e = (int32_t *)table_first(&t, &key);
    EXPECT_EQ(4, key); // the stored key comes back from the walk
    EXPECT_EQ(40, *e);
    for (int32_t n = 0; n < 40; n++)
        EXPECT_EQ(40 + n, *(int32_t *)table_nth(&t, n, 1));
    table_free(&t);
}

TEST_F(IntTable, WalkVisitsSlotOrderAndStaysAtTheEnd)
{
    fill(6);
    table_remove(&t, 2);
    table_add(&t, 9); // lands in slot 1, before keys 3..6
    EXPECT_EQ((std::vector<int32_t>{1, 9, 3, 4, 5, 6}), walk_keys());
    int32_t key = 123;
    EXPECT_EQ(nullptr, table_next(&t, &key));
    EXPECT_EQ(0, key);
    EXPECT_EQ(nullptr, table_next(&t));
    EXPECT_EQ(t.capacity, t.cursor);

    // Removing the element at the cursor is safe; the walk goes on after it.
    std::vector<int32_t> seen;
    for (Rec *r = (Rec *)table_first(&t, &key); r; r = (Rec *)table_next(&t, &key)) {
        seen.push_back(key);
        if (key == 9 || key == 4)
            table_remove(&t, key);
    }
    EXPECT_EQ((std::vector<int32_t>{1, 9, 3, 4, 5, 6}), seen);
    EXPECT_EQ((std::vector<int32_t>{1, 3, 5, 6}), walk_keys());

    // Deleting everything by restarting the walk after each removal.
    while (table_first(&t, &key))
        table_remove(&t, key);
    EXPECT_EQ(0, table_count(&t));
    EXPECT_EQ(nullptr, table_first(&t));
    EXPECT_EQ(16, t.capacity);
    Rec *r = (Rec *)table_add(&t, 77);
    EXPECT_EQ(0, slot_of(t, r));
    EXPECT_EQ(r, table_first(&t));
}

TEST_F(IntTable, WalkSurvivesGrowthAndCountsOnlyFromFirst)
{
    fill(16);
    int32_t key = 0;
    table_first(&t, &key);
    table_next(&t, &key);
    EXPECT_EQ(2, key);
    table_add(&t, 17); // grows to 32: slot indices and the cursor stay valid
    EXPECT_EQ(32, t.capacity);
    std::vector<int32_t> rest;
    while (table_next(&t, &key))
        rest.push_back(key);
    EXPECT_EQ(15u, rest.size());
    EXPECT_EQ(3, rest.front());
    EXPECT_EQ(17, rest.back());
}

TEST_F(IntTable, DenseAndSlotIndicesDifferAcrossHoles)
{
    fill(8);
    table_remove(&t, 2); // slot 1
    table_remove(&t, 4); // slot 3
    EXPECT_EQ(5, table_index_of(&t, 6, 0));
    EXPECT_EQ(3, table_index_of(&t, 6, 1));
    EXPECT_EQ(0, table_index_of(&t, 1, 1));
    EXPECT_EQ(-1, table_index_of(&t, 2, 0));
    EXPECT_EQ(-1, table_index_of(&t, 2, 1));

    struct Case { int32_t n; int dense; int32_t key; };
    const Case cases[] = {
        {5, 0, 6}, {3, 1, 6}, {0, 1, 1}, {5, 1, 8}, {7, 0, 8},
        {1, 0, 0}, {6, 1, 0}, {-1, 1, 0}, {-1, 0, 0}, {16, 0, 0}, {8, 0, 0}, {100, 1, 0},
    };
    for (const Case &c : cases) {
        Rec *r = (Rec *)table_nth(&t, c.n, c.dense);
        if (c.key == 0) {
            EXPECT_EQ(nullptr, r) << c.n << " " << c.dense;
        } else {
            ASSERT_NE(nullptr, r) << c.n << " " << c.dense;
            EXPECT_EQ(c.key, r->a) << c.n << " " << c.dense;
        }
    }

    // Without holes slot and dense positions agree.
    table_add(&t, 20);
    table_add(&t, 21);
    for (int32_t n = 0; n < 8; n++) {
        EXPECT_EQ(table_nth(&t, n, 0), table_nth(&t, n, 1));
        EXPECT_EQ(n, table_index_of(&t, t.slots[n].key, 1));
    }
}

TEST(KeyedTableNames, ComparedExactlyAndStoredWhole)
{
    KeyedTable t;
    table_init(&t, sizeof(int32_t), KEY_NAME);
    const char *names[] = {"Body", "body", "Bod", "Body ", "Body2", ""};
    for (int32_t i = 0; i < 6; i++)
        *(int32_t *)table_add(&t, names[i]) = i + 1;
    EXPECT_EQ(6, table_count(&t));
    for (int32_t i = 0; i < 6; i++) {
        int32_t *e = (int32_t *)table_find(&t, names[i]);
        ASSERT_NE(nullptr, e) << names[i];
        EXPECT_EQ(i + 1, *e);
        EXPECT_EQ(i, table_index_of(&t, names[i], 1));
    }
    EXPECT_EQ(nullptr, table_find(&t, "BODY"));

    std::string max(TABLE_NAME_MAX, 'x');
    max.back() = 'y';
    *(int32_t *)table_add(&t, max.c_str()) = 31;
    EXPECT_EQ(31, *(int32_t *)table_find(&t, max.c_str()));
    EXPECT_EQ(nullptr, table_find(&t, max.substr(0, 30).c_str()));
    const char *stored = nullptr;
    table_first(&t, &stored);
    while (stored && max != stored)
        table_next(&t, &stored);
    EXPECT_EQ(max, stored);

    // One character more cannot be stored whole: refused rather than cut, so that two long
    // names sharing their first 31 characters never become one element.
    std::string longer = max + "z";
    EXPECT_EQ(nullptr, table_add(&t, longer.c_str()));
    EXPECT_EQ(nullptr, table_find(&t, longer.c_str()));
    EXPECT_EQ(0, table_remove(&t, longer.c_str()));
    EXPECT_EQ(-1, table_index_of(&t, longer.c_str(), 0));
    EXPECT_EQ(7, table_count(&t));

    EXPECT_EQ(nullptr, table_add(&t, nullptr));
    EXPECT_EQ(nullptr, table_find(&t, nullptr));
    EXPECT_EQ(0, table_remove(&t, nullptr));
    EXPECT_EQ(nullptr, table_add(&t, 5));
    EXPECT_EQ(nullptr, table_find(&t, 5));
    EXPECT_EQ(0, table_remove(&t, 5));

    EXPECT_EQ(1, table_remove(&t, "body"));
    EXPECT_EQ(nullptr, table_find(&t, "body"));
    EXPECT_NE(nullptr, table_find(&t, "Body"));
    EXPECT_EQ(4, table_index_of(&t, "", 1));
    // The freed slot keeps its stored name until it is reused, but is not found.
    EXPECT_STREQ("body", table_names(&t)[1].text);
    table_add(&t, "a");
    EXPECT_EQ(1, table_index_of(&t, "a", 0));
    EXPECT_TRUE(all_zero((const unsigned char *)table_names(&t)[1].text + 2, TABLE_NAME_MAX - 1));
    table_free(&t);
}

TEST(KeyedTableNames, MissingNameOnFirstAddAllocatesButAddsNothing)
{
    KeyedTable t;
    table_init(&t, 8, KEY_NAME);
    EXPECT_EQ(nullptr, table_add(&t, nullptr));
    EXPECT_EQ(16, t.capacity);
    EXPECT_EQ(0, table_count(&t));
    EXPECT_EQ(nullptr, table_first(&t));
    void *e = table_add(&t, "a");
    EXPECT_EQ(t.data, e);
    table_free(&t);
}

TEST(KeyedTableNames, ManyNamesSurviveGrowthAndRemoval)
{
    KeyedTable t;
    table_init(&t, sizeof(int32_t), KEY_NAME);
    for (int32_t i = 0; i < 3000; i++)
        *(int32_t *)table_add(&t, ("joint" + std::to_string(i)).c_str()) = i;
    for (int32_t i = 0; i < 3000; i += 3)
        ASSERT_EQ(1, table_remove(&t, ("joint" + std::to_string(i)).c_str()));
    for (int32_t i = 0; i < 3000; i++) {
        int32_t *e = (int32_t *)table_find(&t, ("joint" + std::to_string(i)).c_str());
        if (i % 3 == 0) {
            EXPECT_EQ(nullptr, e) << i;
        } else {
            ASSERT_NE(nullptr, e) << i;
            EXPECT_EQ(i, *e);
        }
    }
    EXPECT_EQ(2000, table_count(&t));
    table_free(&t);
}

TEST_F(IntTable, CopyIsIndependentAndContinuesTheWalk)
{
    fill(20);
    table_remove(&t, 5);
    int32_t key = 0;
    table_first(&t, &key);
    table_next(&t, &key);
    table_next(&t, &key);
    ASSERT_EQ(3, key);

    KeyedTable c = {};
    ASSERT_EQ(1, table_copy(&t, &c));
    EXPECT_EQ(t.cursor, c.cursor);
    EXPECT_EQ(t.count, c.count);
    EXPECT_EQ(t.capacity, c.capacity);
    EXPECT_NE(t.data, c.data);
    EXPECT_EQ(0, std::memcmp(t.data, c.data, (size_t)t.capacity * t.element_size));
    table_next(&c, &key);
    EXPECT_EQ(4, key);
    table_next(&c, &key);
    EXPECT_EQ(6, key);

    // Changes to either side stay on that side, including its key index and free slots.
    ((Rec *)table_find(&c, 1))->a = 1000;
    table_remove(&c, 2);
    table_add(&c, 500);
    table_remove(&t, 7);
    EXPECT_EQ(1, ((Rec *)table_find(&t, 1))->a);
    EXPECT_NE(nullptr, table_find(&t, 2));
    EXPECT_EQ(nullptr, table_find(&t, 500));
    EXPECT_NE(nullptr, table_find(&c, 7));
    EXPECT_EQ(1, table_index_of(&c, 500, 0));
    EXPECT_EQ(4, slot_of(t, table_add(&t, 600)));
    EXPECT_EQ(4, slot_of(c, table_add(&c, 600)));
    EXPECT_EQ(6, slot_of(t, table_add(&t, 601)));
    EXPECT_EQ(20, slot_of(c, table_add(&c, 601)));
    table_free(&c);

    KeyedTable empty;
    table_init(&empty, 3, KEY_NAME);
    KeyedTable c2 = {};
    ASSERT_EQ(1, table_copy(&empty, &c2));
    EXPECT_EQ(0, c2.capacity);
    EXPECT_EQ(nullptr, c2.data);
    EXPECT_EQ(3, c2.element_size);
    EXPECT_NE(nullptr, table_add(&c2, "x"));
    EXPECT_EQ(nullptr, empty.data);
    table_free(&c2);

    EXPECT_EQ(1, table_copy(&t, &t)); // onto itself: nothing to do
    EXPECT_NE(nullptr, table_find(&t, 600));
}

TEST_F(IntTable, ClearKeepsTheShapeAndFreeZeroesEverything)
{
    fill(40);
    ASSERT_EQ(64, t.capacity);
    ASSERT_EQ(1, table_clear(&t));
    EXPECT_EQ(0, table_count(&t));
    EXPECT_EQ(0, t.count);
    EXPECT_EQ(0, t.capacity);
    EXPECT_EQ(nullptr, t.data);
    EXPECT_EQ((int32_t)sizeof(Rec), t.element_size);
    EXPECT_EQ(KEY_INT, t.kind);
    EXPECT_EQ(nullptr, table_find(&t, 1));
    Rec *r = (Rec *)table_add(&t, 3);
    EXPECT_EQ(16, t.capacity);
    EXPECT_EQ(0, r->a); // fresh storage again
    EXPECT_EQ(0, slot_of(t, r));

    ASSERT_EQ(1, table_free(&t));
    KeyedTable zero = {};
    EXPECT_EQ(0, std::memcmp(&zero, &t, sizeof t));
    EXPECT_EQ(nullptr, table_add(&t, 1)); // must be initialised again
    EXPECT_EQ(1, table_clear(&t));        // clearing a zero table leaves it zero
    EXPECT_EQ(0, std::memcmp(&zero, &t, sizeof t));
}

// ---- randomized comparison with a literal model of the table's rules --------------

namespace {

// Linear-scan table that follows the rules word for word: first free slot, doubling from 16,
// zero-filled growth, walk cursor, dense positions by counting.
struct RefTable {
    int32_t kind = KEY_INT;
    int32_t size = 0;
    int32_t cursor = 0;
    int32_t count = 0;
    int32_t capacity = 0;
    std::vector<uint8_t> used;
    std::vector<int32_t> keys;
    std::vector<std::string> names;
    std::vector<unsigned char> data;

    bool matches(int32_t s, int32_t key, const std::string &name) const
    {
        return used[s] && (kind == KEY_INT ? keys[s] == key : names[s] == name);
    }
    int32_t find(int32_t key, const std::string &name) const
    {
        for (int32_t s = 0; s < capacity; s++) {
            if (matches(s, key, name))
                return s;
        }
        return -1;
    }
    int32_t add(int32_t key, const std::string &name)
    {
        int32_t s = find(key, name);
        if (s >= 0)
            return s;
        if (capacity == 0)
            grow();
        if (kind == KEY_NAME && name.size() > (size_t)TABLE_NAME_MAX)
            return -1;
        for (s = 0; s < capacity && used[s]; s++) {
        }
        if (s == capacity)
            grow();
        used[s] = 1;
        keys[s] = key;
        names[s] = name;
        count++;
        return s;
    }
    void grow()
    {
        capacity = capacity ? capacity * 2 : 16;
        used.resize(capacity, 0);
        keys.resize(capacity, 0);
        names.resize(capacity);
        data.resize((size_t)capacity * size, 0);
    }
    bool remove(int32_t key, const std::string &name)
    {
        if (capacity == 0 || (kind == KEY_INT && key < 1))
            return false;
        int32_t s = find(key, name);
        if (s < 0)
            return false;
        used[s] = 0;
        keys[s] = 0;
        count--;
        return true;
    }
    int32_t dense(int32_t slot) const
    {
        int32_t n = 0;
        for (int32_t s = 0; s < slot; s++)
            n += used[s];
        return n;
    }
    int32_t nth_dense(int32_t n) const
    {
        for (int32_t s = 0; s < capacity; s++) {
            if (used[s] && n-- == 0)
                return s;
        }
        return -1;
    }
    int32_t walk(int32_t from)
    {
        cursor = from;
        while (cursor < capacity && !used[cursor])
            cursor++;
        return cursor < capacity ? cursor : -1;
    }
};

struct Subject {
    KeyedTable t;
    RefTable ref;
};

int32_t slot_or_none(const KeyedTable &t, const void *element)
{
    return element ? slot_of(t, element) : -1;
}

void run_differential(int32_t kind, uint32_t seed, int32_t steps, int32_t key_range)
{
    std::mt19937 rng(seed);
    auto pick = [&](int32_t n) { return (int32_t)(rng() % (uint32_t)n); };
    Subject a;
    table_init(&a.t, 8, kind);
    a.ref.kind = kind;
    a.ref.size = 8;
    auto name_of = [&](int32_t key) {
        if (key % 37 == 0)
            return std::string(TABLE_NAME_MAX + 1 + key % 3, 'n'); // too long to store
        return "n" + std::to_string(key);
    };
    for (int32_t step = 0; step < steps; step++) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
        int32_t key = pick(key_range) - 2; // some keys below 1
        std::string name = name_of(key + 2);
        const char *cname = name.c_str();
        int op = pick(100);
        if (op < 40) {
            void *e = kind == KEY_INT ? table_add(&a.t, key) : table_add(&a.t, cname);
            int32_t want = a.ref.add(key, name);
            ASSERT_EQ(want, slot_or_none(a.t, e));
            ASSERT_EQ(a.ref.capacity, a.t.capacity);
            if (e) {
                // Grown storage must be zero, reused storage must keep its bytes.
                ASSERT_EQ(0, std::memcmp(e, &a.ref.data[(size_t)want * 8], 8));
                uint32_t stamp[2] = {(uint32_t)rng(), (uint32_t)rng()};
                std::memcpy(e, stamp, 8);
                std::memcpy(&a.ref.data[(size_t)want * 8], stamp, 8);
            }
        } else if (op < 65) {
            int got = kind == KEY_INT ? table_remove(&a.t, key) : table_remove(&a.t, cname);
            ASSERT_EQ((int)a.ref.remove(key, name), got);
        } else if (op < 75) {
            void *e = kind == KEY_INT ? table_find(&a.t, key) : table_find(&a.t, cname);
            ASSERT_EQ(a.ref.capacity ? a.ref.find(key, name) : -1, slot_or_none(a.t, e));
            int dense = pick(2);
            int32_t got = kind == KEY_INT ? table_index_of(&a.t, key, dense)
                                          : table_index_of(&a.t, cname, dense);
            int32_t slot = a.ref.capacity ? a.ref.find(key, name) : -1;
            ASSERT_EQ(slot < 0 ? -1 : dense ? a.ref.dense(slot) : slot, got);
        } else if (op < 82) {
            int32_t n = pick(a.ref.capacity + 3) - 1;
            int dense = pick(2);
            int32_t want = -1;
            if (a.ref.count > 0) {
                if (dense)
                    want = n >= 0 && n < a.ref.count ? a.ref.nth_dense(n) : -1;
                else
                    want = n >= 0 && n < a.ref.capacity && a.ref.used[n] ? n : -1;
            }
            ASSERT_EQ(want, slot_or_none(a.t, table_nth(&a.t, n, dense)));
        } else if (op < 90) {
            void *e = table_first(&a.t);
            int32_t want = a.ref.capacity && a.ref.count ? a.ref.walk(0) : -1;
            ASSERT_EQ(want, slot_or_none(a.t, e));
            if (e) {
                ASSERT_EQ(a.ref.cursor, a.t.cursor);
            }
        } else if (op < 97) {
            void *e = table_next(&a.t);
            int32_t want = -1;
            if (a.ref.capacity)
                want = a.ref.walk(std::min(a.ref.cursor + 1, a.ref.capacity));
            ASSERT_EQ(want, slot_or_none(a.t, e));
            ASSERT_EQ(a.ref.cursor, a.t.cursor);
        } else if (op < 99) {
            // Carry on with a copy and drop the original.
            KeyedTable c = {};
            ASSERT_EQ(1, table_copy(&a.t, &c));
            table_free(&a.t);
            a.t = c;
        } else {
            table_clear(&a.t);
            int32_t k = a.ref.kind, s = a.ref.size;
            a.ref = RefTable();
            a.ref.kind = k;
            a.ref.size = s;
        }
        ASSERT_EQ(a.ref.count, table_count(&a.t));
        if (a.ref.capacity) {
            // The table holds the bytes of its room; beyond it the model's slots are free and
            // were never written.
            size_t held = (size_t)a.t.room * 8;
            ASSERT_LE(held, a.ref.data.size());
            ASSERT_EQ(0, std::memcmp(a.t.data, a.ref.data.data(), held));
            ASSERT_TRUE(all_zero(a.ref.data.data() + held, a.ref.data.size() - held));
            for (int32_t s = a.t.room; s < a.ref.capacity; s++)
                ASSERT_FALSE(a.ref.used[s]) << "slot " << s;
        }
    }
    table_free(&a.t);
}

} // namespace

TEST(KeyedTableDifferential, IntegerKeysMatchTheLinearModel)
{
    for (uint32_t seed = 1; seed <= 12; seed++)
        run_differential(KEY_INT, seed, 4000, seed % 3 == 0 ? 400 : seed % 3 == 1 ? 40 : 18);
}

TEST(KeyedTableDifferential, NameKeysMatchTheLinearModel)
{
    for (uint32_t seed = 21; seed <= 32; seed++)
        run_differential(KEY_NAME, seed, 4000, seed % 3 == 0 ? 400 : seed % 3 == 1 ? 40 : 18);
}

// Keys that only grow, as face and strip ids do, are added without any lookup; every later
// lookup, get-or-add of an older key, copy, removal and growth still sees all of them.
TEST_F(IntTable, GrowingKeysStayFindableWhateverComesFirst)
{
    const int32_t keys[] = {-5, 0, 3, 7, 8, 40, 1000, INT32_MAX};
    struct Case { const char *name; int first; }; // first: what touches the table after the adds
    const Case cases[] = {{"find", 0}, {"add of a present key", 1}, {"copy", 2}, {"remove", 3},
                          {"index_of", 4}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        table_clear(&t);
        for (int32_t i = 0; i < 100; i++) {
            Rec *r = (Rec *)table_add(&t, 10 * i + 10000);
            ASSERT_NE(nullptr, r);
            r->a = i;
        }
        KeyedTable copy = {};
        KeyedTable *subject = &t;
        if (c.first == 0) {
            EXPECT_EQ(42, ((Rec *)table_find(&t, 10420))->a);
        }
        if (c.first == 1) {
            EXPECT_EQ(7, ((Rec *)table_add(&t, 10070))->a);
            EXPECT_EQ(100, table_count(&t));
        }
        if (c.first == 2) {
            ASSERT_EQ(1, table_copy(&t, &copy));
            subject = &copy;
        }
        if (c.first == 3) {
            EXPECT_EQ(1, table_remove(&t, 10990));
            EXPECT_EQ(0, table_remove(&t, 10990));
            ASSERT_NE(nullptr, table_add(&t, 10990)); // back into its old slot
        }
        if (c.first == 4) {
            EXPECT_EQ(3, table_index_of(&t, 10030, 1));
        }
        // Keys below, between and above the present ones, with growth in between.
        for (int32_t k : keys) {
            Rec *r = (Rec *)table_add(subject, k);
            ASSERT_NE(nullptr, r);
            r->a = -k;
        }
        for (int32_t i = 0; i < 400; i++) ASSERT_NE(nullptr, table_add(subject, 20000 + i));
        EXPECT_EQ(508, table_count(subject));
        for (int32_t i = 0; i < 100; i++) {
            Rec *r = (Rec *)table_find(subject, 10 * i + 10000);
            ASSERT_NE(nullptr, r) << i;
            if (c.first != 3 || i != 99) {
                EXPECT_EQ(i, r->a);
            }
            EXPECT_EQ(nullptr, table_find(subject, 10 * i + 10001));
        }
        for (int32_t k : keys) {
            Rec *r = (Rec *)table_find(subject, k);
            ASSERT_NE(nullptr, r) << k;
            EXPECT_EQ(-k, r->a);
        }
        EXPECT_EQ(nullptr, table_find(subject, INT32_MIN));
        if (subject == &copy) {
            EXPECT_EQ(100, table_count(&t)); // the original is untouched by the copy's adds
            EXPECT_EQ(nullptr, table_find(&t, 20000));
            EXPECT_NE(nullptr, table_find(&t, 10000));
            table_free(&copy);
        }
    }
}

// The table's own bookkeeping is asserted in the test build, in scanned tables (3 keys) and
// indexed ones (20 keys): a slot marked used behind the table's back, a count that no longer
// matches the free slots, or a key changed behind the index stops the program instead of
// handing out a slot twice or the wrong element.
TEST(KeyedTableDeathTest, BrokenBookkeepingIsCaught)
{
#ifdef NDEBUG
    GTEST_SKIP() << "asserts are off in this build";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto filled = [](KeyedTable *t, int32_t n) {
        table_init(t, sizeof(Rec), KEY_INT);
        for (int32_t k = 1; k <= n; k++) table_add(t, k);
        table_find(t, 1);
    };
    KeyedTable t;
    for (int32_t n : {3, 20}) {
        SCOPED_TRACE(n);
        // A freed slot marked used again by hand: the next add would reuse it.
        EXPECT_DEATH(
            {
                filled(&t, n);
                table_remove(&t, 2);
                t.slots[1].used = 1;
                table_add(&t, n + 1);
            },
            "");
        // A count off by one.
        EXPECT_DEATH(
            {
                filled(&t, n);
                t.count++;
                table_add(&t, n + 1);
            },
            "");
        // The same operations on an intact table pass every check.
        filled(&t, n);
        EXPECT_EQ(1, table_remove(&t, 2));
        EXPECT_NE(nullptr, table_add(&t, n + 1));
        EXPECT_EQ(1, table_index_of(&t, n + 1, 0));
        EXPECT_EQ(n, table_count(&t));
        table_free(&t);
    }
    // A used slot whose key changed behind the index: a lookup lands on the wrong key.
    EXPECT_DEATH(
        {
            filled(&t, 20);
            t.slots[2].key = 99;
            table_find(&t, 3);
        },
        "");
}

// Keys added as base + slot are found by indexing; a key out of that order, a removal and a
// re-add in the freed slot, and keys below the base keep every lookup right.
TEST_F(IntTable, AscendingKeysAndTheirBreaksAreAllFound)
{
    struct Case {
        const char *name;
        std::vector<int32_t> adds;
        std::vector<int32_t> removes;
        std::vector<int32_t> more;
    };
    const Case cases[] = {
        {"ascending from 1", {1, 2, 3, 4, 5}, {}, {}},
        {"ascending from -3", {-3, -2, -1, 0, 1}, {}, {}},
        {"gap", {10, 11, 12, 20, 21}, {}, {}},
        {"below the base", {10, 11, 12, 5, 13}, {}, {}},
        {"removed and re-added", {1, 2, 3, 4}, {2}, {2, 5}},
        {"freed slot takes another key", {1, 2, 3, 4}, {2}, {9, 5}},
    };
    for (const Case &c : cases) {
        KeyedTable k;
        table_init(&k, sizeof(Rec), KEY_INT);
        std::vector<int32_t> present;
        for (int32_t key : c.adds) {
            ((Rec *)table_add(&k, key))->a = key;
            present.push_back(key);
        }
        for (int32_t key : c.removes) {
            EXPECT_EQ(1, table_remove(&k, key)) << c.name;
            present.erase(std::find(present.begin(), present.end(), key));
            EXPECT_EQ(nullptr, table_find(&k, key)) << c.name;
        }
        for (int32_t key : c.more) {
            Rec *r = (Rec *)table_add(&k, key);
            ASSERT_NE(nullptr, r) << c.name;
            r->a = key;
            present.push_back(key);
        }
        for (int32_t key : present) {
            Rec *r = (Rec *)table_find(&k, key);
            ASSERT_NE(nullptr, r) << c.name << " key " << key;
            EXPECT_EQ(key, r->a) << c.name;
            EXPECT_EQ(r, table_add(&k, key)) << c.name << ": a present key is not added twice";
        }
        for (int32_t key : {-100, 6, 7, 8, 14, 100}) {
            if (std::find(present.begin(), present.end(), key) == present.end()) {
                EXPECT_EQ(nullptr, table_find(&k, key)) << c.name << " key " << key;
            }
        }
        EXPECT_EQ((int32_t)present.size(), table_count(&k)) << c.name;
        table_free(&k);
    }
}

// Reserving makes the capacity the power of two that holds the count, zero-filled, and the
// adds up to it neither move the storage nor change what they give.
TEST_F(IntTable, ReserveMakesRoomOnceAndKeepsTheElements)
{
    fill(5);
    ASSERT_EQ(1, table_reserve(&t, 1000));
    EXPECT_EQ(1024, t.capacity);
    EXPECT_TRUE(all_zero(t.data + 5 * sizeof(Rec), (1024 - 5) * sizeof(Rec)));
    const unsigned char *data = t.data;
    for (int32_t k = 6; k <= 1024; k++)
        table_add(&t, k);
    EXPECT_EQ(data, t.data);
    for (int32_t k = 1; k <= 1024; k++)
        ASSERT_NE(nullptr, table_find(&t, k)) << k;
    EXPECT_EQ(-5, ((Rec *)table_find(&t, 5))->b);
    EXPECT_EQ(1, table_reserve(&t, 10));
    EXPECT_EQ(1024, t.capacity);
    EXPECT_EQ(0, table_reserve(nullptr, 10));

    KeyedTable fresh;
    table_init(&fresh, sizeof(Rec), KEY_NAME);
    ASSERT_EQ(1, table_reserve(&fresh, 17));
    EXPECT_EQ(32, fresh.capacity);
    EXPECT_EQ(0, table_count(&fresh));
    ASSERT_NE(nullptr, table_add(&fresh, "first"));
    EXPECT_NE(nullptr, table_find(&fresh, "first"));
    table_free(&fresh);
}

// Shifting renumbers every key in place, whether the table is indexed directly or hashed
// (keys added out of order and looked up), and other tables are refused.
TEST(KeyedTableShift, RenumbersKeysKeepingSlotsAndOrder)
{
    for (int shuffled = 0; shuffled < 2; shuffled++) {
        KeyedTable t;
        table_init(&t, sizeof(Rec), KEY_INT);
        std::vector<int32_t> keys;
        for (int32_t k = 1; k <= 100; k++)
            keys.push_back(k);
        if (shuffled)
            std::shuffle(keys.begin(), keys.end(), std::mt19937(5));
        for (int32_t k : keys)
            ((Rec *)table_add(&t, k))->a = k;
        table_remove(&t, keys[10]);
        ASSERT_NE(nullptr, table_find(&t, keys[0]));
        ASSERT_EQ(1, table_shift_keys(&t, 1000));
        for (int32_t k : keys) {
            Rec *r = (Rec *)table_find(&t, k + 1000);
            if (k == keys[10]) {
                EXPECT_EQ(nullptr, r);
                continue;
            }
            ASSERT_NE(nullptr, r) << k;
            EXPECT_EQ(k, r->a);
            EXPECT_EQ(nullptr, table_find(&t, k));
        }
        int32_t key = 0;
        int32_t slot = 0;
        for (Rec *r = (Rec *)table_first(&t, &key); r; r = (Rec *)table_next(&t, &key), slot++) {
            if (slot == 10)
                slot++;
            EXPECT_EQ(keys[(size_t)slot] + 1000, key);
        }
        ASSERT_NE(nullptr, table_add(&t, 2000));
        EXPECT_EQ(100, table_count(&t));
        table_free(&t);
    }
    KeyedTable names;
    table_init(&names, sizeof(Rec), KEY_NAME);
    EXPECT_EQ(0, table_shift_keys(&names, 1));
    EXPECT_EQ(0, table_shift_keys(nullptr, 1));
}

// Large storage freed by one table is handed to the next table of that size: it must come back
// zero where the table promises fresh storage, and a copy made into it must be exact.
TEST(KeyedTableStorage, ReusedLargeBlocksAreZeroedAndCopiedWhole)
{
    const int32_t n = 40000; // 64 Ki slots of 8 bytes: past the size whose storage is kept
    for (int round = 0; round < 3; round++) {
        KeyedTable t;
        ASSERT_EQ(1, table_init(&t, sizeof(Rec), KEY_INT));
        ASSERT_EQ(1, table_reserve(&t, n));
        ASSERT_TRUE(all_zero(t.data, (size_t)t.capacity * sizeof(Rec))) << "round " << round;
        for (int32_t k = 1; k <= n; k++) {
            Rec *r = (Rec *)table_add(&t, k);
            ASSERT_NE(nullptr, r);
            r->a = k;
            r->b = -k;
        }
        // Growth by doubling past the reserve: the new half is zero too.
        int32_t capacity = t.capacity;
        for (int32_t k = n + 1; k <= capacity + 1; k++)
            ASSERT_NE(nullptr, table_add(&t, k));
        ASSERT_EQ(2 * capacity, t.capacity);
        EXPECT_TRUE(all_zero(t.data + (size_t)(capacity + 1) * sizeof(Rec), (size_t)(capacity - 1) * sizeof(Rec)));
        KeyedTable c;
        ASSERT_EQ(1, table_copy(&t, &c));
        EXPECT_EQ(0, std::memcmp(t.data, c.data, (size_t)t.capacity * sizeof(Rec)));
        EXPECT_EQ(0, std::memcmp(t.slots, c.slots, (size_t)t.capacity * sizeof(KeyedTableSlot)));
        Rec *r = (Rec *)table_find(&c, n);
        ASSERT_NE(nullptr, r);
        EXPECT_EQ(-n, r->b);
        // Dirty both before they are freed, so a block handed out again unwiped shows.
        std::memset(t.data, 0x5a, (size_t)t.capacity * sizeof(Rec));
        std::memset(c.data, 0x5a, (size_t)c.capacity * sizeof(Rec));
        table_free(&c);
        table_free(&t);
    }
}
