// Fuzz target: sequences of KeyedTable operations on an integer-keyed and a
// name-keyed table, checked after every step against std::map and a shadow of
// the slots (a new element takes the lowest free slot; walks go in slot order).
#include "foundation/keyed_table.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// The element every table here stores: the value the map holds for its key.
struct Element {
    int32_t value;
    int32_t spare;
};

#define TABLE_CHECK(cond)                                                            \
    do {                                                                             \
        if (!(cond)) {                                                               \
            fprintf(stderr, "table differs from the map: %s (line %d)\n", #cond, __LINE__); \
            abort();                                                                 \
        }                                                                            \
    } while (0)

// What the table must hold: key to (slot, value), and per slot its key or nothing.
template <typename Key>
struct Shadow {
    std::map<Key, std::pair<int32_t, int32_t>> entries;
    std::vector<int> used;    // per slot: 1 when used
    std::vector<Key> keys;    // per slot: its key while used

    int32_t lowest_free()
    {
        for (size_t i = 0; i < used.size(); i++)
            if (!used[i]) return static_cast<int32_t>(i);
        return static_cast<int32_t>(used.size());
    }
    void take(int32_t slot, const Key &key, int32_t value)
    {
        if (static_cast<size_t>(slot) >= used.size()) {
            used.resize(slot + 1, 0);
            keys.resize(slot + 1);
        }
        used[slot] = 1;
        keys[slot] = key;
        entries[key] = {slot, value};
    }
    void release(const Key &key)
    {
        used[entries[key].first] = 0;
        entries.erase(key);
    }
};

int32_t int_key(FuzzedDataProvider &in)
{
    switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0: return in.ConsumeIntegral<int32_t>();
    case 1: return in.ConsumeIntegralInRange<int32_t>(-3, 0);
    default: return in.ConsumeIntegralInRange<int32_t>(1, 80);
    }
}

std::string name_key(FuzzedDataProvider &in)
{
    size_t length = in.ConsumeIntegralInRange<size_t>(0, 36);
    std::string name;
    for (size_t i = 0; i < length; i++) name += static_cast<char>("abAB_ 9\x80"[in.ConsumeIntegralInRange(0, 7)]);
    if (in.ConsumeBool()) name = name.substr(0, 2);
    return name;
}

// Walks the table and checks it against the shadow: same elements, slot order, keys and values.
template <typename Key, typename KeyOut>
void check_walk(KeyedTable *t, Shadow<Key> &s, bool compare_keys)
{
    TABLE_CHECK(table_count(t) == static_cast<int32_t>(s.entries.size()));
    size_t seen = 0;
    int32_t slot = -1;
    KeyOut key_out{};
    for (Element *e = static_cast<Element *>(table_first(t, &key_out)); e;
         e = static_cast<Element *>(table_next(t, &key_out))) {
        do slot++;
        while (static_cast<size_t>(slot) < s.used.size() && !s.used[slot]);
        TABLE_CHECK(static_cast<size_t>(slot) < s.used.size());
        Key key{};
        if constexpr (std::is_same<Key, std::string>::value) key = key_out ? key_out : "";
        else key = key_out;
        // A plain list's shadow is keyed by slot: its stored keys are never compared.
        if (compare_keys) TABLE_CHECK(key == s.keys[slot]);
        TABLE_CHECK(e->value == s.entries[s.keys[slot]].second);
        TABLE_CHECK(table_nth(t, slot, 0) == e);
        TABLE_CHECK(table_nth(t, static_cast<int32_t>(seen), 1) == e);
        seen++;
    }
    TABLE_CHECK(seen == s.entries.size());
    TABLE_CHECK(table_next(t) == nullptr);
    TABLE_CHECK(table_nth(t, static_cast<int32_t>(seen), 1) == nullptr);
}

void run_int(FuzzedDataProvider &in, int32_t kind)
{
    KeyedTable t;
    TABLE_CHECK(table_init(&t, sizeof(Element), kind) == 1);
    Shadow<int32_t> s;
    int32_t next_value = 1;
    for (int step = 0; step < 400 && in.remaining_bytes() > 0; step++) {
        int32_t key = int_key(in);
        bool present = kind == KEY_INT && s.entries.count(key);
        switch (in.ConsumeIntegralInRange(0, 6)) {
        case 0:
        case 1: {
            Element *e = static_cast<Element *>(table_add(&t, key));
            TABLE_CHECK(e != nullptr);
            if (present) {
                TABLE_CHECK(e->value == s.entries[key].second);
                e->value = next_value;
                s.entries[key].second = next_value;
            } else {
                int32_t slot = s.lowest_free();
                TABLE_CHECK(table_nth(&t, slot, 0) == e);
                e->value = next_value;
                // A plain list keeps every add; give each its own shadow key.
                s.take(slot, kind == KEY_INT ? key : slot, next_value);
            }
            next_value++;
            break;
        }
        case 2: {
            int removed = table_remove(&t, key);
            TABLE_CHECK(removed == (kind == KEY_INT && present && key >= 1 ? 1 : 0));
            if (removed) s.release(key);
            break;
        }
        case 3:
            if (kind == KEY_INT) {
                Element *e = static_cast<Element *>(table_find(&t, key));
                TABLE_CHECK((e != nullptr) == present);
                if (e) TABLE_CHECK(e->value == s.entries[key].second);
                int32_t slot = table_index_of(&t, key, 0);
                TABLE_CHECK(slot == (present ? s.entries[key].first : -1));
                int32_t dense = table_index_of(&t, key, 1);
                if (present) {
                    int32_t before = 0;
                    for (int32_t i = 0; i < slot; i++) before += s.used[i];
                    TABLE_CHECK(dense == before);
                } else {
                    TABLE_CHECK(dense == -1);
                }
            }
            break;
        case 4: {
            KeyedTable copy;
            memset(&copy, 0, sizeof copy);
            TABLE_CHECK(table_copy(&t, &copy) == 1);
            check_walk<int32_t, int32_t>(&copy, s, kind == KEY_INT);
            table_free(&copy);
            break;
        }
        case 5:
            if (in.ConsumeIntegralInRange(0, 15) == 0) {
                TABLE_CHECK(table_clear(&t) == 1);
                s = Shadow<int32_t>();
            }
            break;
        default:
            check_walk<int32_t, int32_t>(&t, s, kind == KEY_INT);
            break;
        }
    }
    check_walk<int32_t, int32_t>(&t, s, kind == KEY_INT);
    TABLE_CHECK(table_free(&t) == 1);
}

void run_name(FuzzedDataProvider &in)
{
    KeyedTable t;
    TABLE_CHECK(table_init(&t, sizeof(Element), KEY_NAME) == 1);
    Shadow<std::string> s;
    int32_t next_value = 1;
    for (int step = 0; step < 400 && in.remaining_bytes() > 0; step++) {
        std::string name = name_key(in);
        bool storable = name.size() <= static_cast<size_t>(TABLE_NAME_MAX);
        bool present = s.entries.count(name) > 0;
        switch (in.ConsumeIntegralInRange(0, 5)) {
        case 0:
        case 1: {
            Element *e = static_cast<Element *>(table_add(&t, name.c_str()));
            TABLE_CHECK((e != nullptr) == storable);
            if (!e) break;
            if (present) {
                TABLE_CHECK(e->value == s.entries[name].second);
                s.entries[name].second = next_value;
            } else {
                int32_t slot = s.lowest_free();
                TABLE_CHECK(table_nth(&t, slot, 0) == e);
                s.take(slot, name, next_value);
            }
            e->value = next_value++;
            break;
        }
        case 2: {
            int removed = table_remove(&t, name.c_str());
            TABLE_CHECK(removed == (present ? 1 : 0));
            if (removed) s.release(name);
            break;
        }
        case 3: {
            Element *e = static_cast<Element *>(table_find(&t, name.c_str()));
            TABLE_CHECK((e != nullptr) == present);
            if (e) TABLE_CHECK(e->value == s.entries[name].second);
            TABLE_CHECK(table_index_of(&t, name.c_str(), 0) == (present ? s.entries[name].first : -1));
            break;
        }
        case 4: {
            KeyedTable copy;
            memset(&copy, 0, sizeof copy);
            TABLE_CHECK(table_copy(&t, &copy) == 1);
            check_walk<std::string, const char *>(&copy, s, true);
            table_free(&copy);
            break;
        }
        default:
            check_walk<std::string, const char *>(&t, s, true);
            break;
        }
    }
    check_walk<std::string, const char *>(&t, s, true);
    TABLE_CHECK(table_find(&t, static_cast<const char *>(nullptr)) == nullptr);
    TABLE_CHECK(table_free(&t) == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0: run_int(in, KEY_INT); break;
    case 1: run_int(in, KEY_NONE); break;
    default: run_name(in); break;
    }
    return 0;
}
