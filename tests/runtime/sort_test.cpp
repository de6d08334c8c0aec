// Guards the runtime quicksort: ascending order for every input shape and
// record size, records moved whole, every way of comparing and exchanging,
// the pivot formula and the switch to insertion sort at 11 records, the
// pointer-array form, and a stack depth that stays logarithmic on inputs
// that make the partitions as uneven as possible.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "dv_sort.h"

using namespace dv_qem;

namespace {

// ---- records: key first (a byte or a u32), then an id, then a payload -----

dv4u key_of(const unsigned char* record, unsigned size) {
  if (size < 4) return record[0];
  dv4u key;
  std::memcpy(&key, record, 4);
  return key;
}

unsigned char payload_byte(dv4u id, unsigned offset) {
  return static_cast<unsigned char>(id * 7 + offset);
}

void fill_record(unsigned char* record, unsigned size, dv4u key, dv4u id) {
  if (size < 4) {
    std::memset(record, 0, size);
    record[0] = static_cast<unsigned char>(key);
    return;
  }
  std::memcpy(record, &key, 4);
  if (size >= 8) std::memcpy(record + 4, &id, 4);
  for (unsigned k = 8; k < size; ++k) record[k] = payload_byte(id, k);
}

int three_way(dv4u a, dv4u b) { return a < b ? -1 : (a > b ? 1 : 0); }

int compare_bytes(const void* a, const void* b) {
  return three_way(*static_cast<const unsigned char*>(a), *static_cast<const unsigned char*>(b));
}

int compare_words(const void* a, const void* b) {
  return three_way(key_of(static_cast<const unsigned char*>(a), 4),
                   key_of(static_cast<const unsigned char*>(b), 4));
}

class Key_compare : public QS_compare {
 public:
  explicit Key_compare(unsigned size) : size_(size) {}
  int compare(const void* a, const void* b) override {
    return three_way(key_of(static_cast<const unsigned char*>(a), size_),
                     key_of(static_cast<const unsigned char*>(b), size_));
  }

 private:
  unsigned size_;
};

unsigned swap_calls = 0;

// Exchanges through the scratch record it is given, so the scratch must be
// writable for a whole record.
void swap_through_scratch(unsigned i, unsigned j, void* base, unsigned size, void* scratch) {
  ++swap_calls;
  auto* bytes = static_cast<unsigned char*>(base);
  std::memcpy(scratch, bytes + static_cast<size_t>(i) * size, size);
  std::memcpy(bytes + static_cast<size_t>(i) * size, bytes + static_cast<size_t>(j) * size, size);
  std::memcpy(bytes + static_cast<size_t>(j) * size, scratch, size);
}

// ---- input shapes ----------------------------------------------------------

enum class Shape { random_wide, random_few, sorted, reversed, all_equal, organ_pipe, sawtooth };
const Shape kShapes[] = {Shape::random_wide, Shape::random_few, Shape::sorted,    Shape::reversed,
                         Shape::all_equal,   Shape::organ_pipe, Shape::sawtooth};

std::vector<dv4u> make_keys(Shape shape, unsigned n, std::mt19937& rng, dv4u key_limit) {
  std::vector<dv4u> keys(n);
  for (unsigned i = 0; i < n; ++i) {
    switch (shape) {
      case Shape::random_wide: keys[i] = rng() % key_limit; break;
      case Shape::random_few: keys[i] = rng() % 4; break;
      case Shape::sorted: keys[i] = i % key_limit; break;
      case Shape::reversed: keys[i] = (n - i) % key_limit; break;
      case Shape::all_equal: keys[i] = 7; break;
      case Shape::organ_pipe: keys[i] = std::min(i, n - i) % key_limit; break;
      case Shape::sawtooth: keys[i] = i % 13; break;
    }
  }
  if (shape == Shape::sorted || shape == Shape::reversed) {
    // Keys that wrap at key_limit would no longer be ordered.
    std::sort(keys.begin(), keys.end());
    if (shape == Shape::reversed) std::reverse(keys.begin(), keys.end());
  }
  return keys;
}

// ---- the sort under every way of calling it ---------------------------------

enum class Caller { function, object_ref, object_ptr, function_swap, object_swap };

struct Sort_case {
  unsigned record_size;
  Caller caller;
};

void run_sort(const Sort_case& c, unsigned char* base, unsigned n) {
  _QS_compare_fn fn = c.record_size < 4 ? compare_bytes : compare_words;
  Key_compare object(c.record_size);
  switch (c.caller) {
    case Caller::function: _Quick_sort(base, n, c.record_size, fn); break;
    case Caller::object_ref: _Quick_sort(base, n, c.record_size, object); break;
    case Caller::object_ptr: _Quick_sort(base, n, c.record_size, &object); break;
    case Caller::function_swap:
      _Quick_sort(base, n, c.record_size, fn, swap_through_scratch);
      break;
    case Caller::object_swap:
      _Quick_sort(base, n, c.record_size, object, swap_through_scratch);
      break;
  }
}

class SortCases : public ::testing::TestWithParam<Sort_case> {};

TEST_P(SortCases, OrdersLikeStdSortAndKeepsRecordsWhole) {
  const Sort_case c = GetParam();
  std::vector<unsigned> counts(31);
  std::iota(counts.begin(), counts.end(), 0u);  // every count around the 11/12 boundary
  for (unsigned big : {50u, 101u, 1000u, 3000u}) counts.push_back(big);
  const dv4u key_limit = c.record_size < 4 ? 256 : 1000000;

  const unsigned seed = 20240611u + c.record_size * 10 + static_cast<unsigned>(c.caller);
  std::mt19937 rng(seed);
  for (unsigned n : counts) {
    for (Shape shape : kShapes) {
      SCOPED_TRACE(::testing::Message() << "seed " << seed << " count " << n << " shape "
                                        << static_cast<int>(shape));
      std::vector<dv4u> keys = make_keys(shape, n, rng, key_limit);
      std::vector<unsigned char> data(static_cast<size_t>(n) * c.record_size + 1);
      for (unsigned i = 0; i < n; ++i) fill_record(&data[i * c.record_size], c.record_size, keys[i], i);
      data.back() = 0xA5;  // guard byte just past the array

      swap_calls = 0;
      run_sort(c, data.data(), n);

      std::vector<dv4u> expected = keys;
      std::sort(expected.begin(), expected.end());
      std::vector<dv4u> got(n);
      for (unsigned i = 0; i < n; ++i) got[i] = key_of(&data[i * c.record_size], c.record_size);
      ASSERT_EQ(got, expected);
      ASSERT_EQ(data.back(), 0xA5) << "wrote past the array";

      if (c.record_size >= 8) {
        std::vector<bool> seen(n, false);
        for (unsigned i = 0; i < n; ++i) {
          const unsigned char* record = &data[i * c.record_size];
          dv4u id;
          std::memcpy(&id, record + 4, 4);
          ASSERT_LT(id, n);
          ASSERT_FALSE(seen[id]) << "record " << id << " duplicated";
          seen[id] = true;
          ASSERT_EQ(key_of(record, c.record_size), keys[id]) << "key parted from its record";
          for (unsigned k = 8; k < c.record_size; ++k)
            ASSERT_EQ(record[k], payload_byte(id, k)) << "payload of record " << id;
        }
      }
      bool swapping = c.caller == Caller::function_swap || c.caller == Caller::object_swap;
      if (!swapping) {
        ASSERT_EQ(swap_calls, 0u);
      } else if (!std::is_sorted(keys.begin(), keys.end())) {
        ASSERT_GT(swap_calls, 0u);
      }
    }
  }
}

std::vector<Sort_case> all_sort_cases() {
  std::vector<Sort_case> cases;
  // 12 bytes goes through the stack scratch buffer, 100 through the heap one;
  // 4 bytes without a swap function is exchanged as a word.
  for (unsigned size : {1u, 4u, 12u, 100u})
    for (Caller caller : {Caller::function, Caller::object_ref, Caller::object_ptr,
                          Caller::function_swap, Caller::object_swap})
      cases.push_back({size, caller});
  return cases;
}

std::string sort_case_name(const ::testing::TestParamInfo<Sort_case>& info) {
  static const char* const callers[] = {"function", "object_ref", "object_ptr", "function_swap",
                                        "object_swap"};
  return "size" + std::to_string(info.param.record_size) + "_" +
         callers[static_cast<int>(info.param.caller)];
}

INSTANTIATE_TEST_SUITE_P(Sort, SortCases, ::testing::ValuesIn(all_sort_cases()), sort_case_name);

// ---- algorithm shape: pivot choice and insertion-sort threshold ------------

std::vector<std::pair<unsigned, unsigned>> recorded_swaps;

void record_swap(unsigned i, unsigned j, void* base, unsigned size, void* scratch) {
  recorded_swaps.emplace_back(i, j);
  swap_through_scratch(i, j, base, size, scratch);
}

std::vector<std::pair<unsigned, unsigned>> swaps_sorting_reversed(unsigned n) {
  std::vector<dv4u> keys(n);
  for (unsigned i = 0; i < n; ++i) keys[i] = n - i;
  recorded_swaps.clear();
  _Quick_sort(keys.data(), n, 4, compare_words, record_swap);
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  return recorded_swaps;
}

TEST(SortShape, ElevenRecordsUseInsertionSortOnly) {
  auto swaps = swaps_sorting_reversed(11);
  ASSERT_EQ(swaps.size(), 55u);  // every pair of a reversed run is inverted once
  for (auto [i, j] : swaps) EXPECT_EQ(j, i + 1) << "swap of " << i << " and " << j;
}

TEST(SortShape, TwelveRecordsPartitionFirst) {
  auto swaps = swaps_sorting_reversed(12);
  ASSERT_FALSE(swaps.empty());
  // 11 x 9987001 mod 12 = 11: the last record is moved to the front as pivot.
  EXPECT_EQ(swaps.front(), std::make_pair(0u, 11u));
}

TEST(SortShape, PivotFormulaWrapsAtThirtyTwoBits) {
  struct Row {
    unsigned count;
    unsigned pivot;  // lo + ((lo + hi) * 9987001 mod 2^32) mod (hi - lo + 1), lo = 0
  };
  // For 1000 records 999 x 9987001 exceeds 2^32; without wrapping it would be 999.
  const Row rows[] = {{13, 2}, {20, 19}, {1000, 407}, {5000, 2743}};
  for (const Row& row : rows) {
    auto swaps = swaps_sorting_reversed(row.count);
    ASSERT_FALSE(swaps.empty());
    EXPECT_EQ(swaps.front(), std::make_pair(0u, row.pivot)) << "count " << row.count;
  }
}

// ---- pointer arrays ----------------------------------------------------------

int compare_pointed_ints(const void* a, const void* b) {
  return three_way(*static_cast<const dv4u*>(a), *static_cast<const dv4u*>(b));
}

class Pointed_int_compare : public QS_compare {
 public:
  int compare(const void* a, const void* b) override { return compare_pointed_ints(a, b); }
};

TEST(SortDeref, SortsPointersByWhatTheyPointAt) {
  std::mt19937 rng(77);
  for (bool use_object : {false, true}) {
    for (unsigned n : {0u, 1u, 11u, 12u, 500u}) {
      std::vector<dv4u> values(n);
      for (auto& v : values) v = rng() % 50;
      std::vector<dv4u*> pointers(n);
      for (unsigned i = 0; i < n; ++i) pointers[i] = &values[i];
      std::shuffle(pointers.begin(), pointers.end(), rng);

      Pointed_int_compare object;
      if (use_object)
        _Quick_sort_deref(pointers.data(), n, object);
      else
        _Quick_sort_deref(pointers.data(), n, compare_pointed_ints);

      for (unsigned i = 1; i < n; ++i) ASSERT_LE(*pointers[i - 1], *pointers[i]);
      std::vector<dv4u*> all = pointers;
      std::sort(all.begin(), all.end());
      for (unsigned i = 0; i < n; ++i) ASSERT_EQ(all[i], &values[i]) << "pointer lost";
    }
  }
}

// ---- stack depth and work on hostile inputs -------------------------------

// Lowest stack address reached inside a comparison.
std::uintptr_t lowest_frame = 0;
unsigned long long comparisons = 0;

void note_frame() {
  auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  if (lowest_frame == 0 || here < lowest_frame) lowest_frame = here;
  ++comparisons;
}

// An adversary that settles the values of records only when compared and
// always so that the pivot lands next to the end of its range: every
// partition splits off a couple of records. A sort that recursed into the
// larger part would go as deep as there are records.
struct Adversary {
  std::vector<dv4u> value;
  dv4u gas;
  dv4u solid = 0;
  dv4u candidate = 0;
  int direction;  // +1: ascending order, -1: descending (big part on the other side)

  Adversary(unsigned n, int dir) : value(n, n), gas(n), direction(dir) {}

  int compare(dv4u x, dv4u y) {
    if (value[x] == gas && value[y] == gas) value[x == candidate ? x : y] = solid++;
    if (value[x] == gas)
      candidate = x;
    else if (value[y] == gas)
      candidate = y;
    return direction * three_way(value[x], value[y]);
  }
};

Adversary* adversary = nullptr;

int compare_adversarially(const void* a, const void* b) {
  note_frame();
  return adversary->compare(key_of(static_cast<const unsigned char*>(a), 4),
                            key_of(static_cast<const unsigned char*>(b), 4));
}

int compare_counting(const void* a, const void* b) {
  note_frame();
  return compare_words(a, b);
}

std::uintptr_t stack_used_since(std::uintptr_t top) { return top - lowest_frame; }

constexpr std::uintptr_t kStackBound = 8 * 1024;

TEST(SortDepth, UnevenPartitionsKeepTheStackShallow) {
  const unsigned n = 3000;
  for (int direction : {1, -1}) {
    SCOPED_TRACE(direction);
    Adversary a(n, direction);
    adversary = &a;
    std::vector<dv4u> ids(n);
    std::iota(ids.begin(), ids.end(), 0u);
    lowest_frame = 0;
    comparisons = 0;
    auto top = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    _Quick_sort(ids.data(), n, 4, compare_adversarially);
    adversary = nullptr;

    for (unsigned i = 1; i < n; ++i)
      ASSERT_LE(direction * three_way(a.value[ids[i - 1]], a.value[ids[i]]), 0);
    // The adversary really did make the work quadratic ...
    EXPECT_GT(comparisons, static_cast<unsigned long long>(n) * n / 8);
    // ... yet the recursion stayed shallow.
    EXPECT_LT(stack_used_since(top), kStackBound);
  }
}

TEST(SortDepth, HundredThousandEqualRecordsSplitEvenly) {
  const unsigned n = 100000;
  std::vector<dv4u> keys(n, 42);
  lowest_frame = 0;
  comparisons = 0;
  auto top = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  _Quick_sort(keys.data(), n, 4, compare_counting);
  EXPECT_LT(stack_used_since(top), kStackBound);
  // Equal keys meet in the middle of each range: n log n work, not n^2.
  EXPECT_LT(comparisons, 3ull * n * static_cast<unsigned long long>(std::ceil(std::log2(n))));
}

TEST(SortDepth, HundredThousandSortedAndReversedRecords) {
  const unsigned n = 100000;
  for (bool reversed : {false, true}) {
    std::vector<dv4u> keys(n);
    for (unsigned i = 0; i < n; ++i) keys[i] = reversed ? n - i : i;
    lowest_frame = 0;
    comparisons = 0;
    auto top = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    _Quick_sort(keys.data(), n, 4, compare_counting);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_LT(stack_used_since(top), kStackBound);
  }
}

}  // namespace
