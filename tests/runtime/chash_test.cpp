// Guards the hash dictionary _Chash: its hashes and self-relative links, the
// sizes it picks as it grows and shrinks, the values and keys it refuses,
// failed allocations and damaged headers that must neither corrupt it nor
// loop, a seeded random model test per key kind, and that a dictionary
// moved in memory together with its table, keys and values still works.
#include <gtest/gtest.h>

#include "dv_test_seed.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "chash.h"
#include "chash_storage.h"
#include "dv_err.h"
#include "dv_hash_size.h"
#include "dv_platform.h"
#include "self_relative.h"

using namespace dv_qem;

namespace {

using int_dict = _Chash<unsigned int, void*>;
using string_dict = _Chash<dv_char_star_nocopy, void*>;
using pointer_dict = _Chash<void*, void*>;

_Chash_header& header_of(_Chash_table& dict) { return *reinterpret_cast<_Chash_header*>(&dict); }

_Chash_slot* slot_at(_Chash_table& dict, dv4u position) {
  _Chash_header& header = header_of(dict);
  return static_cast<_Chash_slot*>(_VRN_link_target(&header.slots, header.slots)) + position;
}

// The heap, refusing to allocate while refusing is on.
bool refusing = false;
void* refusable_allocate(size_t bytes) {
  if (refusing) throw dv_err_out_of_virtual_memory("test heap refuses %u bytes", static_cast<unsigned>(bytes));
  return _VRN_allocate_zeroed(1, bytes);
}
const _Chash_block_source kRefusableHeap = {refusable_allocate, _VRN_free};

class RefusingHeap {
 public:
  RefusingHeap() {
    _Chash_set_transient_block_source(&kRefusableHeap);
    refusing = true;
  }
  ~RefusingHeap() {
    refusing = false;
    _Chash_set_transient_block_source(nullptr);
  }
};

// Values the dictionaries map to.
int value_objects[4096];
void* value(size_t i) { return &value_objects[i]; }

}  // namespace

TEST(ChashHash, StringHashes) {
  const struct {
    const char* key;
    dv4u hash;
  } rows[] = {
      {"", 97169},        // the seed
      {"a", 1653488},     // (97169 ^ 97) x 17 = 97264 x 17
      {"ab", 28107698},   // (1653488 ^ 98) x 17 = 1653394 x 17
      {"\xE9", 4293315576u},  // the byte is signed: (97169 ^ 0xFFFFFFE9) x 17 mod 2^32
  };
  for (const auto& row : rows) EXPECT_EQ(_Chash_string_hash(row.key), row.hash) << '"' << row.key << '"';
}

TEST(ChashHash, IntegerAndPointerHashes) {
  EXPECT_EQ(_Chash_integer_hash(0), 0u);
  EXPECT_EQ(_Chash_integer_hash(1), 9987001u);
  EXPECT_EQ(_Chash_integer_hash(430), 4294410430u);         // 4294741430 wraps
  EXPECT_EQ(_Chash_integer_hash(0xFFFFFFFF), 4284980295u);  // -9987001 mod 2^32
  int object = 0;
  auto address = static_cast<dv4u>(reinterpret_cast<std::uintptr_t>(&object));
  EXPECT_EQ(_Chash_pointer_hash(&object), address * 9987001u);
}

TEST(SelfRelativeLink, Encoding) {
  alignas(4) char area[64];
  char* field = area + 32;
  const struct {
    const void* target;
    dv4s link;
    bool reachable;
  } rows[] = {
      {nullptr, 0, true}, {field, -1, true}, {field + 4, 4, true},
      {field - 8, -8, true}, {field - 1, -1, false},  // -1 is taken by the field itself
  };
  for (const auto& row : rows) {
    EXPECT_EQ(_VRN_link_to(field, row.target), row.link);
    EXPECT_EQ(_VRN_link_can_reach(field, row.target), row.reachable);
    if (row.reachable) {
      EXPECT_EQ(_VRN_link_target(field, row.link), row.target);
    }
  }
}

TEST(Chash, NewTableSizes) {
  const struct {
    dv4u hint, size, threshold;
  } rows[] = {{0, 2, 1}, {10, 11, 7}, {16, 17, 11}, {100, 101, 70}, {614, 619, 433}};
  for (const auto& row : rows) {
    int_dict dict(row.hint);
    EXPECT_EQ(dict.table_size(), row.size) << "hint " << row.hint;
    EXPECT_EQ(dict.threshold(), row.threshold) << "hint " << row.hint;
    EXPECT_EQ(dict.cardinality(), 0u);
    EXPECT_EQ(dict.first(), -1);
    dict.self_check();
  }
}

TEST(Chash, SeventhInsertionGrowsTo17) {
  int_dict dict(10);
  for (dv4u k = 1; k <= 6; ++k) dict.insert(k, value(k));
  EXPECT_EQ(dict.table_size(), 11u);
  dict.insert(7, value(7));  // 6 + 0 + 1 >= 7
  EXPECT_EQ(dict.table_size(), 17u);
  EXPECT_EQ(dict.threshold(), 11u);
  EXPECT_EQ(dict.cardinality(), 7u);
  for (dv4u k = 1; k <= 7; ++k) EXPECT_EQ(dict.pick(k), value(k));
  dict.self_check();
}

// Every insertion and removal of a long run resizes exactly as the rules say.
TEST(Chash, GrowsAndShrinksByTheRules) {
  int_dict dict(10);
  const dv4u n = 3000;
  for (dv4u k = 0; k < n; ++k) {
    dv4u size = dict.table_size(), entries = dict.cardinality(), deleted = dict.deleted_count();
    dv4u threshold = dict.threshold();
    bool grows = entries + deleted + 1 >= threshold && deleted < threshold / 4;
    dict.insert(k * 7, value(k % 4096));
    ASSERT_EQ(dict.table_size(), grows ? _Recommended_hash_size(size + size / 2) : size) << "insert " << k;
  }
  dict.self_check();
  int shrinks = 0;
  for (dv4u k = 0; k < n; ++k) {
    dv4u size = dict.table_size();
    ASSERT_TRUE(dict.remove(k * 7));
    dv4u entries = dict.cardinality();
    dv4u expected = size > 11 && entries <= size / 4 ? std::max<dv4u>(11, _Recommended_hash_size(size / 2)) : size;
    ASSERT_EQ(dict.table_size(), expected) << "remove " << k;
    if (expected != size) {
      ++shrinks;
      EXPECT_EQ(dict.deleted_count(), 0u);
    }
  }
  EXPECT_GE(shrinks, 5);
  EXPECT_EQ(dict.table_size(), 11u);
  EXPECT_EQ(dict.cardinality(), 0u);
  dict.self_check();
}

TEST(Chash, ManyDeletedSlotsReorganizeInPlace) {
  int_dict dict(10);
  for (dv4u k = 1; k <= 10; ++k) dict.insert(k, value(k));
  ASSERT_EQ(dict.table_size(), 17u);
  for (dv4u k = 1; k <= 3; ++k) ASSERT_TRUE(dict.remove(k));
  ASSERT_EQ(dict.deleted_count(), 3u);
  dict.insert(100, value(100));  // 7 + 3 + 1 >= 11 with 3 deleted >= 11 / 4
  EXPECT_EQ(dict.table_size(), 17u);
  EXPECT_EQ(dict.deleted_count(), 0u);
  EXPECT_EQ(dict.cardinality(), 8u);
  dict.self_check();
}

TEST(Chash, RemovingFromTheSmallestTableNeverShrinksIt) {
  int_dict dict(10);
  for (dv4u k = 1; k <= 6; ++k) dict.insert(k, value(k));
  for (dv4u k = 1; k <= 6; ++k) {
    EXPECT_TRUE(dict.remove(k));
    EXPECT_EQ(dict.table_size(), 11u);
  }
  EXPECT_FALSE(dict.remove(1));
  EXPECT_EQ(dict.deleted_count(), 6u);
  dict.self_check();
}

TEST(Chash, ReinsertingAKeyReplacesItsValue) {
  string_dict dict(10);
  dict.insert("alpha", value(1));
  dict.insert("alpha", value(2));
  EXPECT_EQ(dict.cardinality(), 1u);
  EXPECT_EQ(dict.pick("alpha"), value(2));
  EXPECT_TRUE(dict.contains("alpha", value(2)));
  EXPECT_FALSE(dict.contains("alpha", value(1)));
  EXPECT_FALSE(dict.contains("beta"));
  dict.self_check();
}

TEST(Chash, StringKeysCompareByContents) {
  string_dict dict(10);
  std::string held = "shared name";
  dict.insert(held.c_str(), value(1));
  std::string asked = held;  // another copy of the same text
  EXPECT_EQ(dict.pick(asked.c_str()), value(1));
  EXPECT_EQ(dict.key_at(dict.first()), held.c_str());  // the key is held, not copied
  EXPECT_EQ(dict.pick(nullptr), nullptr);
  EXPECT_FALSE(dict.remove(nullptr));
}

TEST(Chash, RefusesNullValuesAndNullStringKeys) {
  string_dict dict(10);
  EXPECT_THROW(dict.insert("a", nullptr), dv_err_illegal_pointer);
  EXPECT_THROW(dict.insert(nullptr, value(1)), dv_err_illegal_pointer);
  EXPECT_EQ(dict.cardinality(), 0u);
  EXPECT_EQ(dict.first(), -1);
}

// A value word of -1 marks a deleted slot, so a slot can not hold its own
// address, nor the address before it (whose offset would also be -1).
TEST(Chash, RefusesValuesItsSlotCanNotLink) {
  int_dict dict(10);
  dict.insert(5, value(5));
  dv4s position = dict.first();
  char* slot = reinterpret_cast<char*>(slot_at(dict, position));
  for (char* bad : {slot, slot - 1}) {
    EXPECT_THROW(dict.insert(5, bad), dv_err_illegal_pointer);
    EXPECT_EQ(dict.pick(5), value(5));
  }
  dict.insert(5, slot + 1);  // any other address is fine
  EXPECT_EQ(dict.pick(5), slot + 1);
  EXPECT_EQ(dict.cardinality(), 1u);
  dict.self_check();
}

TEST(Chash, ClearEmptiesTheTable) {
  int_dict dict(10);
  for (dv4u k = 0; k < 50; ++k) dict.insert(k, value(k));
  dict.remove(3);
  dv4u size = dict.table_size();
  dict.clear();
  EXPECT_EQ(dict.cardinality(), 0u);
  EXPECT_EQ(dict.deleted_count(), 0u);
  EXPECT_EQ(dict.table_size(), size);
  EXPECT_EQ(dict.first(), -1);
  EXPECT_EQ(dict.pick(4), nullptr);
  dict.insert(4, value(4));
  EXPECT_EQ(dict.pick(4), value(4));
  dict.self_check();
}

TEST(Chash, CursorEnds) {
  int_dict dict(10);
  EXPECT_EQ(dict.first(), -1);
  EXPECT_EQ(dict.next(-1), -1);
  dict.insert(1, value(1));
  dv4s position = dict.first();
  ASSERT_GE(position, 0);
  EXPECT_EQ(dict.key_at(position), 1u);
  EXPECT_EQ(dict.value_at(position), value(1));
  EXPECT_EQ(dict.next(position), -1);
}

TEST(Chash, HintPastTheLargestSizeIsRefused) {
  try {
    int_dict dict(9987002);
    FAIL() << "a table of 0xFFFFFFFF slots was made";
  } catch (const dv_err_alloc& e) {
    EXPECT_NE(std::strstr(e.get_report(), "4294967295 slots"), nullptr) << e.get_report();
  }
}

// Growing the largest table would need 0xFFFFFFFF slots: the insert is
// refused and the dictionary stays as it was. (The table of 9987001 slots is
// never written, so its pages stay untouched.)
TEST(Chash, GrowingPastTheLargestSizeIsRefused) {
  int_dict dict(9987001);
  ASSERT_EQ(dict.table_size(), 9987001u);
  for (dv4u k = 1; k <= 3; ++k) dict.insert(k, value(k));
  dv4u threshold = dict.threshold();
  header_of(dict).threshold = 4;  // as if the table were full: 3 + 0 + 1 >= 4, 0 deleted < 4 / 4
  EXPECT_THROW(dict.insert(4, value(4)), dv_err_alloc);
  EXPECT_EQ(dict.cardinality(), 3u);
  EXPECT_EQ(dict.pick(4), nullptr);
  EXPECT_FALSE(dict.in_reorg());
  EXPECT_EQ(dict.table_size(), 9987001u);
  header_of(dict).threshold = threshold;
  dict.self_check();
}

TEST(Chash, FailedGrowthWithdrawsTheInsert) {
  int_dict dict(10);
  for (dv4u k = 1; k <= 6; ++k) dict.insert(k, value(k));
  {
    RefusingHeap refuse;
    EXPECT_THROW(dict.insert(7, value(7)), dv_err_out_of_virtual_memory);
  }
  EXPECT_EQ(dict.cardinality(), 6u);
  EXPECT_EQ(dict.table_size(), 11u);
  EXPECT_EQ(dict.pick(7), nullptr);
  EXPECT_FALSE(dict.in_reorg());
  dict.self_check();
  dict.insert(7, value(7));  // the heap is back
  EXPECT_EQ(dict.table_size(), 17u);
  dict.self_check();
}

TEST(Chash, FailedShrinkWithdrawsTheRemoval) {
  int_dict dict(10);
  for (dv4u k = 1; k <= 40; ++k) dict.insert(k, value(k));
  dv4u size = dict.table_size();
  dv4u k = 1;
  while (dict.cardinality() - 1 > size / 4) ASSERT_TRUE(dict.remove(k++));
  dv4u deleted = dict.deleted_count();
  {
    RefusingHeap refuse;
    EXPECT_THROW(dict.remove(k), dv_err_out_of_virtual_memory);
  }
  EXPECT_EQ(dict.pick(k), value(k));
  EXPECT_EQ(dict.deleted_count(), deleted);
  EXPECT_EQ(dict.table_size(), size);
  dict.self_check();
  EXPECT_TRUE(dict.remove(k));
  EXPECT_LT(dict.table_size(), size);
  dict.self_check();
}

// A header whose numbers do not fit its table is reported, never divided by
// or walked forever.
TEST(Chash, DamagedHeadersAreReported) {
  const struct {
    const char* what;
    void (*damage)(_Chash_header&);
  } rows[] = {
      {"no slots", [](_Chash_header& h) { h.size = 0; }},
      {"size differs from the table", [](_Chash_header& h) { h.size = 13; }},
      {"more entries than slots", [](_Chash_header& h) { h.entries = 12; }},
      {"no table", [](_Chash_header& h) { h.slots = 0; }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    int_dict dict(10);
    dict.insert(1, value(1));
    _Chash_header saved = header_of(dict);
    row.damage(header_of(dict));
    EXPECT_THROW(dict.pick(1), dv_err_heap_corruption);
    EXPECT_THROW(dict.insert(2, value(2)), dv_err_heap_corruption);
    EXPECT_THROW(dict.remove(1), dv_err_heap_corruption);
    EXPECT_THROW(dict.first(), dv_err_heap_corruption);
    EXPECT_THROW(dict.clear(), dv_err_heap_corruption);
    EXPECT_THROW(dict.self_check(), dv_err_heap_corruption);
    header_of(dict) = saved;
  }
}

// A table that never grows (its threshold damaged) fills up: lookups still
// end, and an insert with no free slot is reported.
TEST(Chash, FullTableLookupsEnd) {
  int_dict dict(10);
  header_of(dict).threshold = 1000;
  for (dv4u k = 1; k <= 11; ++k) dict.insert(k, value(k));
  EXPECT_EQ(dict.table_size(), 11u);
  EXPECT_EQ(dict.pick(99), nullptr);
  EXPECT_FALSE(dict.remove(99));
  EXPECT_THROW(dict.insert(99, value(99)), dv_err_heap_corruption);
  for (dv4u k = 1; k <= 11; ++k) EXPECT_EQ(dict.pick(k), value(k));
  EXPECT_TRUE(dict.remove(4));
  dict.insert(99, value(99));  // takes the deleted slot
  EXPECT_EQ(dict.pick(99), value(99));
}

// ---- model test ----------------------------------------------------------

namespace {

// Keys of each kind, by index. Keys are held by the dictionary where they
// are links, and looked up through equal but distinct copies for strings.
struct string_keys {
  using dict = string_dict;
  std::vector<std::string> held, asked;
  std::unordered_map<const char*, size_t> index;
  explicit string_keys(size_t n) {
    for (size_t i = 0; i < n; ++i) held.push_back("key/" + std::to_string(i * 7919 % 100003) + std::string(i % 5, 'x'));
    held.push_back("");  // the empty string is a key like any other
    asked = held;
    for (size_t i = 0; i < held.size(); ++i) index[held[i].c_str()] = i;
  }
  size_t size() const { return held.size(); }
  const char* stored(size_t i) const { return held[i].c_str(); }
  const char* lookup(size_t i) const { return asked[i].c_str(); }
  size_t index_of(const char* key) const { return index.at(key); }
};

struct integer_keys {
  using dict = int_dict;
  std::vector<dv4u> keys;
  std::unordered_map<dv4u, size_t> index;
  explicit integer_keys(size_t n) {
    std::mt19937 fixed(12345);
    std::set<dv4u> seen;
    // Small keys, keys sharing home slots in small tables, the extremes, random words.
    for (dv4u k = 0; k < 40; ++k) seen.insert(k);
    for (dv4u k = 1; k < 40; ++k) seen.insert(k * 11 * 17);
    seen.insert(0xFFFFFFFF);
    while (seen.size() < n) seen.insert(static_cast<dv4u>(fixed()));
    keys.assign(seen.begin(), seen.end());
    for (size_t i = 0; i < keys.size(); ++i) index[keys[i]] = i;
  }
  size_t size() const { return keys.size(); }
  dv4u stored(size_t i) const { return keys[i]; }
  dv4u lookup(size_t i) const { return keys[i]; }
  size_t index_of(dv4u key) const { return index.at(key); }
};

struct pointer_keys {
  using dict = pointer_dict;
  std::vector<char> bytes;  // every byte address is a key, odd ones too
  explicit pointer_keys(size_t n) : bytes(n) {}
  size_t size() const { return bytes.size(); }
  const void* stored(size_t i) const { return &bytes[i]; }
  const void* lookup(size_t i) const { return &bytes[i]; }
  size_t index_of(const void* key) const { return static_cast<const char*>(key) - bytes.data(); }
};

unsigned model_seed() { return dv_test::seed(); }

// Random inserts, removals and lookups against std::map, in phases that
// fill and drain the dictionary; everything is checked after each step.
template <class Keys>
void run_model(const Keys& keys, unsigned seed, int steps) {
  SCOPED_TRACE("seed " + std::to_string(seed) + " (rerun with DV_TEST_SEED)");
  std::printf("model seed %u\n", seed);
  std::mt19937 random(seed);
  typename Keys::dict dict(10);
  std::map<size_t, size_t> model;  // key index -> value index
  dv4u largest = 0, shrinks = 0;
  const double insert_share[] = {0.8, 0.5, 0.15, 0.5};
  for (int step = 0; step < steps; ++step) {
    double share = insert_share[(step / 1500) % 4];
    size_t k = random() % keys.size();
    double roll = std::uniform_real_distribution<double>(0, 1)(random);
    auto it = model.find(k);
    dv4u size = dict.table_size();
    if (roll < share) {
      size_t v = random() % 4096;
      if (it == model.end() || random() % 8 == 0) {
        dict.insert(keys.stored(k), value(v));
        model[k] = v;
      }
    } else if (roll < share + 0.35) {
      ASSERT_EQ(dict.remove(keys.lookup(k)), it != model.end()) << "step " << step;
      model.erase(k);
    } else {
      ASSERT_EQ(dict.pick(keys.lookup(k)), it != model.end() ? value(it->second) : nullptr) << "step " << step;
    }

    ASSERT_NO_THROW(dict.self_check()) << "step " << step;
    ASSERT_EQ(dict.cardinality(), model.size()) << "step " << step;
    for (const auto& [key, v] : model) ASSERT_TRUE(dict.contains(keys.lookup(key), value(v))) << "step " << step;
    std::vector<int> visits(keys.size());
    size_t visited = 0;
    for (dv4s p = dict.first(); p >= 0; p = dict.next(p)) {
      size_t key = keys.index_of(dict.key_at(p));
      ASSERT_EQ(++visits[key], 1) << "step " << step;
      ASSERT_EQ(dict.value_at(p), value(model.at(key))) << "step " << step;
      ++visited;
    }
    ASSERT_EQ(visited, model.size()) << "step " << step;
    largest = std::max(largest, dict.table_size());
    if (dict.table_size() < size) ++shrinks;
  }
  // The phases drove the table through growth and shrinking.
  EXPECT_GE(largest, 401u);
  EXPECT_GT(shrinks, 0u);
}

}  // namespace

TEST(ChashModel, StringKeys) { run_model(string_keys(400), model_seed(), 20000); }
TEST(ChashModel, IntegerKeys) { run_model(integer_keys(400), model_seed(), 20000); }
TEST(ChashModel, PointerKeys) { run_model(pointer_keys(400), model_seed(), 20000); }

// ---- moving a dictionary -------------------------------------------------

namespace {

// One buffer holding a dictionary, its tables, keys and values.
constexpr size_t kArenaSize = 1 << 16;
alignas(8) char arena[kArenaSize];
alignas(8) char moved_arena[kArenaSize];
size_t arena_used = 0;

void* arena_allocate(size_t bytes) {
  size_t at = (arena_used + 7) & ~size_t{7};
  if (at + bytes > kArenaSize) throw dv_err_out_of_virtual_memory("test arena is full");
  arena_used = at + bytes;
  std::memset(arena + at, 0, bytes);
  return arena + at;
}
void arena_release(void*) {}
const _Chash_block_source kArena = {arena_allocate, arena_release};

char* arena_string(const std::string& s) {
  auto* copy = static_cast<char*>(arena_allocate(s.size() + 1));
  std::memcpy(copy, s.c_str(), s.size() + 1);
  return copy;
}

// The address in the moved copy of an address in the arena.
template <class T>
T* moved(const T* p) {
  return reinterpret_cast<T*>(moved_arena + (reinterpret_cast<const char*>(p) - arena));
}

}  // namespace

// Links are relative to the fields that hold them: a copy of the whole
// buffer at another address answers the same lookups with the copy's
// values, even once the original is overwritten. (Pointer keys hash by
// address while transient, so only string and integer keys are moved here.)
TEST(ChashMoved, LookupsWorkAfterMovingTheBuffer) {
  arena_used = 0;
  _Chash_set_transient_block_source(&kArena);
  auto* names = new (arena_allocate(sizeof(string_dict))) string_dict(10);
  auto* numbers = new (arena_allocate(sizeof(int_dict))) int_dict(10);
  const int n = 60;
  std::vector<int*> values;
  for (int i = 0; i < n; ++i) {
    values.push_back(static_cast<int*>(arena_allocate(sizeof(int))));
    *values.back() = i;
    names->insert(arena_string("name " + std::to_string(i)), values.back());
    numbers->insert(1000 + i, values.back());
  }
  _Chash_set_transient_block_source(nullptr);

  std::memcpy(moved_arena, arena, arena_used);
  std::memset(arena, 0xA5, arena_used);
  string_dict* moved_names = moved(names);
  int_dict* moved_numbers = moved(numbers);

  moved_names->self_check();
  moved_numbers->self_check();
  EXPECT_EQ(moved_names->cardinality(), static_cast<dv4u>(n));
  for (int i = 0; i < n; ++i) {
    std::string name = "name " + std::to_string(i);
    ASSERT_EQ(moved_names->pick(name.c_str()), moved(values[i])) << name;
    ASSERT_EQ(*static_cast<int*>(moved_names->pick(name.c_str())), i);
    ASSERT_EQ(moved_numbers->pick(1000 + i), moved(values[i]));
  }
  int visited = 0;
  for (dv4s p = moved_names->first(); p >= 0; p = moved_names->next(p)) {
    const char* key = moved_names->key_at(p);
    EXPECT_TRUE(key >= moved_arena && key < moved_arena + kArenaSize);
    ++visited;
  }
  EXPECT_EQ(visited, n);
  EXPECT_TRUE(moved_numbers->remove(1000));
  EXPECT_EQ(moved_numbers->pick(1000), nullptr);
  EXPECT_EQ(moved_numbers->pick(1001), moved(values[1]));
  moved_numbers->self_check();
}
