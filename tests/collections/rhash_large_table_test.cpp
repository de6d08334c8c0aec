// Guards the removed count of a hash table in a table above 82,000 slots,
// where more removals than a 16-bit count holds can happen between two
// rebuilds: the count must not wrap (a wrapped count hides the tombstones,
// so the table is never cleaned and the self-check finds more tombstones
// than removals). Keys are chosen so that every one lands in the same table,
// which then grows in place far beyond a page.
#include <gtest/gtest.h>

#include <vector>

#include "dv_coll_key_functions.h"
#include "dv_rhash.h"

using namespace dv_qem;

namespace {

constexpr int key_count = 70000;
constexpr int removals = 65600;  // more than a 16-bit count holds

// Keys whose hashes agree in the bit that splits the first directory: after
// the first split every key is served by one table.
std::vector<int> keys_of_one_table() {
  std::vector<int> keys;
  for (int k = 0; static_cast<int>(keys.size()) < key_count; ++k) {
    const unsigned h = _Int_hash(&k) << 8;
    if ((h >> 31) == 0) keys.push_back(k);
  }
  return keys;
}

unsigned largest_table(const _Rhash& h) {
  unsigned largest = 0;
  for (unsigned t = 0; t < h.directory_size(); ++t)
    if (const _RH_HashTable* table = h.table(t); table != nullptr && table->n_slots > largest)
      largest = table->n_slots;
  return largest;
}

TEST(RhashLargeTable, RemovedCountDoesNotWrap) {
  static char transient_anchor;
  _Rhash* h = _Rhash::create(&transient_anchor, _Coll_cluster_default, "int", 4, 1, 0, 0x2, nullptr);
  const std::vector<int> keys = keys_of_one_table();
  static int element;  // every key holds the same element
  for (const int& k : keys) h->__insert(&element, &k, nullptr, nullptr, 0u);
  ASSERT_EQ(h->cardinality(), static_cast<unsigned>(key_count));
  ASSERT_GT(largest_table(*h), 82000u) << "the keys did not gather in one large table";
  h->check_hash_invariants();

  for (int i = 0; i < removals; ++i) h->__remove(&element, &keys[i], nullptr);
  h->check_hash_invariants();
  EXPECT_EQ(h->cardinality(), static_cast<unsigned>(key_count - removals));
  for (int i = 0; i < key_count; i += 97) {
    unsigned found = 0;
    h->__pick(0, &keys[i], found);
    EXPECT_EQ(found, i < removals ? 0u : 1u) << "key " << keys[i];
  }
  // Keys go in again over the tombstones.
  for (int i = 0; i < removals; i += 2) h->__insert(&element, &keys[i], nullptr, nullptr, 0u);
  h->check_hash_invariants();
  EXPECT_EQ(h->cardinality(), static_cast<unsigned>(key_count - removals + removals / 2));
  delete h;
}

}  // namespace
