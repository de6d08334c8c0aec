// Guards bit vectors: capacity rounding and sizes, the in-place layout,
// set/clear/test and the count, iteration both ways across long runs of zero
// words, resizing, the bounds assertion, and a random model test against
// std::vector<bool>.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dv_bitvector.h"
#include "dv_err.h"

using namespace dv_qem;

namespace {

// Owns a transient vector for the length of a test.
struct Owned {
  _Bit_vector* v;
  explicit Owned(_Bit_vector* vector) : v(vector) {}
  ~Owned() { _Bit_vector::destroy(v); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
};

std::vector<dv4u> forward(const _Bit_vector& v) {
  std::vector<dv4u> bits;
  dv4u n;
  for (bool more = v.first_set(n); more; more = v.next_set(n)) bits.push_back(n);
  return bits;
}

std::vector<dv4u> backward(const _Bit_vector& v) {
  std::vector<dv4u> bits;
  dv4u n;
  for (bool more = v.last_set(n); more; more = v.previous_set(n)) bits.push_back(n);
  return bits;
}

TEST(BitVector, CapacityIsAMultipleOfThirtyTwo) {
  struct Row {
    dv4u requested, capacity;
    size_t bytes;
  };
  const Row rows[] = {{0, 32, 12},  {1, 32, 12},   {32, 32, 12},   {33, 64, 16},
                      {100, 128, 24}, {128, 128, 24}, {129, 160, 28}, {1000, 1024, 136}};
  for (const Row& row : rows) {
    EXPECT_EQ(_Bit_vector::capacity_for(row.requested), row.capacity) << row.requested;
    EXPECT_EQ(_Bit_vector::bytes_for(row.requested), row.bytes) << row.requested;
    EXPECT_EQ(_Bit_vector::words_for(row.requested), row.bytes / 4) << row.requested;
    Owned o(_Bit_vector::create(row.requested));
    EXPECT_EQ(o.v->n_bits, row.capacity);
    EXPECT_EQ(o.v->count, 0u);
    EXPECT_EQ(o.v->n_words(), row.capacity / 32);
    EXPECT_TRUE(forward(*o.v).empty());
  }
}

TEST(BitVector, InitWorksInCallerStorageWithTheStoredLayout) {
  // A vector in a word array, as it sits inside a database page.
  dv4u storage[_Bit_vector::words_for(128)];
  std::memset(storage, 0xEE, sizeof storage);
  auto* v = reinterpret_cast<_Bit_vector*>(storage);
  v->init(100);
  EXPECT_EQ(sizeof storage, 24u);
  EXPECT_EQ(storage[0], 128u);  // number of bits
  EXPECT_EQ(storage[1], 0u);    // count
  for (int w = 2; w < 6; ++w) EXPECT_EQ(storage[w], 0u);

  v->set(0);
  v->set(33);
  v->set(127);
  EXPECT_EQ(storage[1], 3u);
  EXPECT_EQ(storage[2], 0x1u);                  // bit 0 of word 0
  EXPECT_EQ(storage[3], 0x2u);                  // bit 33 is bit 1 of word 1
  EXPECT_EQ(storage[5], 0x80000000u);           // bit 127 is bit 31 of word 3
}

TEST(BitVector, SetClearAndCount) {
  Owned o(_Bit_vector::create(64));
  _Bit_vector& v = *o.v;
  v.set(5);
  v.set(63);
  EXPECT_TRUE(v.test(5));
  EXPECT_TRUE(v.test(63));
  EXPECT_FALSE(v.test(6));
  EXPECT_EQ(v.count, 2u);

  v.set(5);  // already set: the count must not drift
  EXPECT_EQ(v.count, 2u);
  v.clear(6);  // already clear
  EXPECT_EQ(v.count, 2u);

  v.clear(5);
  EXPECT_FALSE(v.test(5));
  EXPECT_EQ(v.count, 1u);
  EXPECT_EQ(v.count_set_bits(), 1u);
}

TEST(BitVector, BitBeyondCapacityIsRefused) {
  Owned o(_Bit_vector::create(100));
  for (dv4u n : {128u, 129u, 0xFFFFFFFFu}) {
    for (int op = 0; op < 3; ++op) {
      try {
        if (op == 0) o.v->test(n);
        if (op == 1) o.v->set(n);
        if (op == 2) o.v->clear(n);
        ADD_FAILURE() << "bit " << n << " accepted by operation " << op;
      } catch (const dv_err_internal& e) {
        EXPECT_NE(std::string(e.get_report()).find("Assertion \"n < n_bits\""), std::string::npos)
            << e.get_report();
      }
    }
  }
  EXPECT_EQ(o.v->count, 0u);
  o.v->set(127);  // the last bit of the rounded capacity is usable
  EXPECT_TRUE(o.v->test(127));
}

TEST(BitVector, IterationSkipsLongRunsOfZeroWords) {
  Owned o(_Bit_vector::create(32 * 1000));
  _Bit_vector& v = *o.v;
  const std::vector<dv4u> bits = {0, 31, 32, 5000, 5001, 20000, 31999};
  for (dv4u b : bits) v.set(b);
  EXPECT_EQ(forward(v), bits);
  EXPECT_EQ(backward(v), std::vector<dv4u>(bits.rbegin(), bits.rend()));

  dv4u n = 12345;
  EXPECT_TRUE(v.find_set_from(33, n));
  EXPECT_EQ(n, 5000u);
  EXPECT_TRUE(v.find_set_from(5000, n));
  EXPECT_EQ(n, 5000u);
  EXPECT_TRUE(v.find_set_at_or_below(19999, n));
  EXPECT_EQ(n, 5001u);
  EXPECT_TRUE(v.find_set_at_or_below(0xFFFFFFFFu, n));  // beyond the end: from the top
  EXPECT_EQ(n, 31999u);

  n = 777;
  EXPECT_FALSE(v.find_set_from(32000, n));
  EXPECT_FALSE(v.find_set_from(0xFFFFFFFFu, n));
  v.clear(31999);
  EXPECT_FALSE(v.find_set_from(20001, n));
  EXPECT_EQ(n, 777u) << "the end leaves n alone";
}

TEST(BitVector, IterationOverAnEmptyAndAFullVector) {
  Owned empty(_Bit_vector::create(96));
  dv4u n;
  EXPECT_FALSE(empty.v->first_set(n));
  EXPECT_FALSE(empty.v->last_set(n));

  Owned full(_Bit_vector::create(96));
  for (dv4u b = 0; b < 96; ++b) full.v->set(b);
  EXPECT_EQ(full.v->count, 96u);
  std::vector<dv4u> all(96);
  for (dv4u b = 0; b < 96; ++b) all[b] = b;
  EXPECT_EQ(forward(*full.v), all);
  EXPECT_EQ(backward(*full.v), std::vector<dv4u>(all.rbegin(), all.rend()));
}

TEST(BitVector, ResizeKeepsTheBitsThatFit) {
  Owned small(_Bit_vector::create(40));
  small.v->set(1);
  small.v->set(39);
  small.v->set(63);

  Owned grown(small.v->resized(300));
  EXPECT_EQ(grown.v->n_bits, 320u);
  EXPECT_EQ(grown.v->count, 3u);
  EXPECT_EQ(forward(*grown.v), (std::vector<dv4u>{1, 39, 63}));
  grown.v->set(319);
  EXPECT_EQ(small.v->n_bits, 64u) << "the old vector is left as it was";
  EXPECT_EQ(small.v->count, 3u);

  Owned shrunk(grown.v->resized(32));
  EXPECT_EQ(shrunk.v->n_bits, 32u);
  EXPECT_EQ(shrunk.v->count, 1u) << "bits beyond the new capacity are not counted";
  EXPECT_EQ(forward(*shrunk.v), (std::vector<dv4u>{1}));
}

TEST(BitVector, RandomOperationsMatchAModel) {
  const unsigned seed = 4242;
  std::mt19937 rng(seed);
  Owned o(_Bit_vector::create(200));
  std::vector<bool> model(o.v->n_bits, false);

  for (int step = 0; step < 4000; ++step) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed << " step " << step);
    _Bit_vector& v = *o.v;
    unsigned op = rng() % 10;
    dv4u n = rng() % v.n_bits;
    if (op < 4) {
      v.set(n);
      model[n] = true;
    } else if (op < 8) {
      v.clear(n);
      model[n] = false;
    } else if (op == 8) {
      dv4u from = rng() % (v.n_bits + 40);
      dv4u found = 0;
      bool any = v.find_set_from(from, found);
      dv4u expected = from;
      while (expected < model.size() && !model[expected]) ++expected;
      ASSERT_EQ(any, expected < model.size()) << "from " << from;
      if (any) {
        ASSERT_EQ(found, expected) << "from " << from;
      }
    } else {
      // Resize to a random capacity, sometimes smaller.
      dv4u bits = rng() % 600;
      _Bit_vector* next = v.resized(bits);
      _Bit_vector::destroy(o.v);
      o.v = next;
      model.resize(o.v->n_bits, false);
    }

    const _Bit_vector& w = *o.v;
    ASSERT_EQ(w.n_bits, model.size());
    std::vector<dv4u> expected;
    for (dv4u b = 0; b < model.size(); ++b) {
      ASSERT_EQ(w.test(b), model[b]) << "bit " << b;
      if (model[b]) expected.push_back(b);
    }
    ASSERT_EQ(w.count, expected.size());
    ASSERT_EQ(forward(w), expected);
    ASSERT_EQ(backward(w), std::vector<dv4u>(expected.rbegin(), expected.rend()));
  }
}

}  // namespace
