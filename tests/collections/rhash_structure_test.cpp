// Guards the shape of the extendible hash: sizing for an expected count, the
// growth of a single table up to a page and its split into a two-entry
// directory, the probe's reuse of tombstones, joins of buddy tables only
// (and the tombstone rebuild when no join is possible), rebuilding a grown
// table at a size that holds its keys, the prime slot counts, the stored
// layouts, and print_directory. Hashes are steered through a set whose elements carry
// their own hash.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "dv_dyn_hash.h"
#include "dv_hash_size.h"

using namespace dv_qem;

namespace {

// An element that says what it hashes to; re_hash shifts by 8, so the top d
// bits of the probe hash are bits 23 .. 24-d of `hash`.
struct steered {
  unsigned hash;
};

unsigned steered_hash(const void* e) { return static_cast<const steered*>(e)->hash; }

class steered_set : public dv_dyn_hash {
 public:
  explicit steered_set(unsigned expected) : dv_dyn_hash(expected, 0) {}
  void find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const override {
    rank = _Ptr_rank;
    hash = steered_hash;
  }
};

// Elements whose hashes fall on directory entry `entry` of a directory of
// depth d, distinct in their low bits.
std::vector<steered> on_entry(unsigned entry, unsigned d, unsigned n, unsigned salt = 0) {
  std::vector<steered> v(n);
  for (unsigned i = 0; i < n; ++i) v[i].hash = (entry << (24 - d)) | ((i * 7919u + salt) & ((1u << (24 - d)) - 1));
  return v;
}

// n elements that all hash to h.
std::vector<steered> alike(unsigned n, unsigned h) { return std::vector<steered>(n, steered{h}); }

unsigned depth_for(unsigned expected, unsigned slot_size) {
  unsigned s = _Recommended_hash_size(4068 / slot_size, slot_size, 4068);
  unsigned k = (expected / _Rhash::max_keys(s) + 1) >> 1;
  unsigned bits = 0;
  for (unsigned x = k; x != 0; x >>= 1) ++bits;
  return 1 + (k == 0 ? 1 : bits);
}

TEST(RhashSizing, ExpectedZeroGivesOneTableOfEleven) {
  dv_dyn_hash set(0, 0);
  EXPECT_EQ(set.directory_size(), 1u);
  EXPECT_EQ(set.global_depth(), 0u);
  EXPECT_EQ(set.standard_size(), 11u);
  EXPECT_EQ(set.table(0), nullptr);  // made by the first insert
  EXPECT_EQ(set._cardinality_estimate(), 20u);
  EXPECT_EQ(set.count_table_index(), _Rhash::no_count_table);
}

TEST(RhashSizing, ExpectedTenThousandSizesTheDirectory) {
  struct row {
    unsigned expected, behavior, slot_size;
  };
  for (row r : {row{10000, 0, 4}, row{10000, 2, 8}, row{3000, 0, 4}}) {
    dv_dyn_hash set(r.expected, r.behavior);
    SCOPED_TRACE(r.expected);
    const unsigned d = depth_for(r.expected, r.slot_size);
    EXPECT_EQ(set.global_depth(), d);
    EXPECT_EQ(set.directory_size(), 1u << d);
    EXPECT_EQ(set.standard_size(), set.calculate_n_slots());
    EXPECT_LE(set.calculate_n_slots() * r.slot_size, 4068u);
    for (unsigned t = 0; t < set.directory_size(); ++t) EXPECT_EQ(set.table(t), nullptr);
  }
  EXPECT_EQ(depth_for(10000, 4), 4u);  // 16 entries for 10000 elements of 4-byte slots
}

TEST(RhashSizing, LoadLimits) {
  EXPECT_EQ(_Rhash::max_keys(11), 8u);
  EXPECT_EQ(_Rhash::min_keys(11), 2u);
  EXPECT_EQ(_Rhash::too_many_deleted(101), 39u);
}

TEST(RhashSizing, SlotCountsMustBePrime) {
  auto refused = [](unsigned n) {
    try {
      _Rhash::assert_prime(n);
    } catch (const dv_err_am& e) {
      EXPECT_STREQ(e.get_report(), "dv_err_am - <err-0023-0005> Number of slots must be prime") << n;
      return true;
    }
    return false;
  };
  for (unsigned n : {0u, 1u, 4u, 9u, 25u, 561u, 4087u, 9987003u, 0xFFFFFFFFu}) EXPECT_TRUE(refused(n)) << n;
  for (unsigned n : {2u, 3u, 5u, 11u, 613u, 9987001u, 4294967291u}) EXPECT_FALSE(refused(n)) << n;
  // Every size a table is made with passes.
  for (unsigned n = 2; n < 9987001u; n = n + n / 50 + 1) EXPECT_FALSE(refused(_Recommended_hash_size(n))) << n;
}

TEST(RhashGrowth, ASingleTableGrowsToAPageAndThenSplits) {
  dv_dyn_hash set(0, 0);
  std::vector<int> elements(3000);
  std::vector<unsigned> sizes;
  std::size_t i = 0;
  for (; i < elements.size() && set.directory_size() == 1; ++i) {
    set._insert(&elements[i]);
    unsigned n = set.table(0)->n_slots;
    if (sizes.empty() || sizes.back() != n) sizes.push_back(n);
    ASSERT_NO_THROW(set.check_hash_invariants()) << "after " << i + 1;
  }
  // 11, then x3 x1.25 rounded down to a recommended size while a table fits
  // a page, then the page size.
  std::vector<unsigned> expected{11};
  for (unsigned n = 11;;) {
    unsigned grown = (n * 3) + (n * 3) / 4;
    unsigned next = grown * 4 + 24 < 4097 ? _Recommended_hash_size(grown, 4, grown * 4) : set.calculate_n_slots();
    expected.push_back(next);
    if (next == set.calculate_n_slots()) break;
    n = next;
  }
  EXPECT_EQ(sizes, expected);
  EXPECT_EQ((std::vector<unsigned>{11, 41, 151, 563}), std::vector<unsigned>(expected.begin(), expected.end() - 1));
  // The table that outgrew the page split into a two-entry directory.
  EXPECT_EQ(i, static_cast<std::size_t>(_Rhash::max_keys(set.calculate_n_slots()) + 1));
  ASSERT_EQ(set.directory_size(), 2u);
  EXPECT_EQ(set.global_depth(), 1u);
  ASSERT_NE(set.table(0), set.table(1));
  EXPECT_EQ(set.table(0)->local_depth, 1u);
  EXPECT_EQ(set.table(1)->local_depth, 1u);
  EXPECT_EQ(set.table(0)->key_count + set.table(1)->key_count, i);
  EXPECT_EQ(set.cardinality(), i);
  EXPECT_NO_THROW(set.check_hash_invariants());
}

TEST(RhashProbe, ARemovedHomeSlotIsNotTakenBack) {
  steered_set set(0);
  // Three elements with the same home slot: the first takes it, the others
  // probe on.
  std::vector<steered> e{{5}, {5}, {5}};
  for (auto& x : e) set._insert(&x);
  const _RH_HashTable* table = set.table(0);
  const unsigned home = (5u << 8) % table->n_slots;
  auto slot_of = [&](const steered& x) {
    unsigned t = 0, h = 0, i = 0;
    int found = 0;
    set.find_slot(&x, _RH_lookup, t, h, i, found);
    EXPECT_EQ(found, 1);
    return i;
  };
  EXPECT_EQ(slot_of(e[0]), home);
  const unsigned second = slot_of(e[1]);
  set._remove(&e[0]);
  set._remove(&e[1]);
  // e[0] comes back: not to its home (a tombstone), but to the first
  // tombstone further along its path.
  set._insert(&e[0]);
  EXPECT_EQ(slot_of(e[0]), second);
  EXPECT_NO_THROW(set.check_hash_invariants());
}

TEST(RhashJoin, OnlyBuddyTablesMerge) {
  steered_set set(10000);
  const unsigned d = set.global_depth();
  ASSERT_GE(d, 3u);
  auto a = on_entry(0, d, 10), b = on_entry(1, d, 10), c = on_entry(2, d, 10);
  for (auto* v : {&a, &b, &c})
    for (auto& x : *v) set._insert(&x);
  ASSERT_NE(set.table(1), nullptr);
  ASSERT_NE(set.table(1), set.table(2));
  set._remove(&b[0]);  // entry 1 is now nearly empty: it joins its buddy, entry 0
  EXPECT_EQ(set.table(0), set.table(1));
  EXPECT_NE(set.table(1), set.table(2));
  EXPECT_EQ(set.table(0)->local_depth, d - 1);
  EXPECT_NO_THROW(set.check_hash_invariants());
  set._remove(&c[0]);  // entry 2's buddy (entry 3) has no table: nothing merges
  EXPECT_NE(set.table(2), set.table(1));
  EXPECT_EQ(set.table(2)->local_depth, d);
  EXPECT_NO_THROW(set.check_hash_invariants());
  for (auto* v : {&a, &b, &c})
    for (auto& x : *v) EXPECT_EQ(set._contains(&x), x.hash != b[0].hash && x.hash != c[0].hash);
}

TEST(RhashJoin, AJoinThatDoesNothingFallsThroughToTheTombstoneRebuild) {
  steered_set set(10000);
  const unsigned d = set.global_depth();
  auto v = on_entry(2, d, 500);
  for (auto& x : v) set._insert(&x);
  const unsigned n = set.table(2)->n_slots;
  for (unsigned i = 0; i < 450; ++i) {
    set._remove(&v[i]);
    ASSERT_LE(set.table(2)->removed, _Rhash::too_many_deleted(n)) << "after " << i + 1 << " removals";
  }
  EXPECT_EQ(set.cardinality(), 50u);
  EXPECT_NO_THROW(set.check_hash_invariants());
}

TEST(RhashGrowth, ClusteredKeysSplitIntoOneHalfWhichGrows) {
  steered_set set(0);
  auto v = alike(3000, 0x123);
  for (unsigned i = 0; i < v.size(); ++i) {
    set._insert(&v[i]);
    if (i % 250 == 0) {
      ASSERT_NO_THROW(set.check_hash_invariants()) << "after " << i + 1;
    }
  }
  EXPECT_EQ(set.directory_size(), 2u);
  const _RH_HashTable* full = set.table(0)->key_count != 0 ? set.table(0) : set.table(1);
  EXPECT_EQ(full->key_count, 3000u);
  EXPECT_GT(full->n_slots, set.standard_size());
  EXPECT_NO_THROW(set.check_hash_invariants());
}

TEST(RhashGrowth, AGrownTableIsRebuiltAtASizeThatHoldsItsKeys) {
  // Keys that all hash alike in a hash sized for many: the one table they
  // share grows past the standard size; churn then fills it with tombstones,
  // and the rebuild must keep a size that holds its keys.
  steered_set set(10000);
  auto v = alike(3500, 0x00ABCDEF);
  const unsigned live = 2000;
  for (unsigned i = 0; i < live; ++i) set._insert(&v[i]);
  const unsigned t = set.find_HashTable(set.re_hash(0x00ABCDEF));
  ASSERT_GT(set.table(t)->n_slots, set.standard_size());
  ASSERT_GT(set.table(t)->key_count, _Rhash::max_keys(set.standard_size()));
  for (unsigned i = 0; i + live < v.size(); ++i) {
    set._remove(&v[i]);
    set._insert(&v[i + live]);
    if (i % 500 == 0) {
      ASSERT_NO_THROW(set.check_hash_invariants()) << "after " << i + 1 << " exchanges";
    }
  }
  EXPECT_EQ(set.cardinality(), live);
  for (unsigned i = v.size() - live; i < v.size(); ++i) ASSERT_TRUE(set._contains(&v[i]));
  EXPECT_NO_THROW(set.check_hash_invariants());
}

TEST(RhashPrint, DirectoryModes) {
  steered_set set(10000);
  const unsigned d = set.global_depth();
  auto a = on_entry(0, d, 3), b = on_entry(3, d, 2);
  for (auto* v : {&a, &b})
    for (auto& x : *v) set._insert(&x);
  char line[128];

  testing::internal::CaptureStdout();
  set.print_directory(666);
  std::string out = testing::internal::GetCapturedStdout();
  std::snprintf(line, sizeof line, "0:HT=%i,nk=3,lvl=%u 3:HT=%i,nk=2,lvl=%u \n\n",
                static_cast<int>(reinterpret_cast<std::uintptr_t>(set.table(0)->slots)), d,
                static_cast<int>(reinterpret_cast<std::uintptr_t>(set.table(3)->slots)), d);
  EXPECT_EQ(out, line);

  testing::internal::CaptureStdout();
  set.print_directory(555);
  out = testing::internal::GetCapturedStdout();
  // Runs: [0], [1 2] empty, [3], [4 .. end] empty.
  EXPECT_EQ(out, "total HashTables in use = 4\n\n\n");

  testing::internal::CaptureStdout();
  set.print_directory(888);  // no overflow is kept by a set
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n\n");

  testing::internal::CaptureStdout();
  set.print_directory(1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n\n");
}

TEST(RhashPrint, FourEntriesPerLine) {
  steered_set set(10000);
  const unsigned d = set.global_depth();
  std::vector<std::vector<steered>> groups;
  for (unsigned e = 0; e < 5; ++e) groups.push_back(on_entry(e, d, 1, e));
  for (auto& g : groups) set._insert(&g[0]);
  testing::internal::CaptureStdout();
  set.print_directory(666);
  std::string out = testing::internal::GetCapturedStdout();
  std::size_t first_break = out.find("\n\n");
  ASSERT_NE(first_break, std::string::npos);
  EXPECT_EQ(out.substr(first_break + 2, 2), "4:");
  EXPECT_EQ(out.substr(out.size() - 2), "\n\n");
}

TEST(RhashLayout, StoredSizesAndNames) {
  EXPECT_EQ(sizeof(_Rhash), 36u);
  EXPECT_EQ(sizeof(_RH_HashTable), 24u);
  EXPECT_EQ(sizeof(_Rhash_cursor), 52u);
  EXPECT_STREQ(_RH_HashTable::get_dv_typespec()->get_name(), "dv_qem::_RH_HashTable");
  EXPECT_STREQ(_Rhash_cursor::get_dv_typespec()->get_name(), "dv_qem::_Rhash_cursor");
  EXPECT_STREQ(_RH_dynhash_slot::get_dv_typespec()->get_name(), "dv_qem::_RH_dynhash_slot");
  EXPECT_STREQ(_RH_dynhash_slot_dup::get_dv_typespec()->get_name(), "dv_qem::_RH_dynhash_slot_dup");
  EXPECT_STREQ(dv_set::get_dv_typespec()->get_name(), "dv_qem::dv_set");
  EXPECT_STREQ(dv_bag::get_dv_typespec()->get_name(), "dv_qem::dv_bag");
  dv_dyn_hash set(0, 0);
  dv_dyn_bag bag(0);
  EXPECT_STREQ(set._key_type(), "void*");
  EXPECT_EQ(set.sizeof_slot(), 4u);
  EXPECT_EQ(bag.sizeof_slot(), 8u);
  EXPECT_EQ(set.get_flags(), 0x1u);
  EXPECT_EQ(bag.get_flags(), 0x3u);
  EXPECT_STREQ(set._rep_type(), "_RH_dynhash_slot");
  EXPECT_STREQ(bag._rep_type(), "_RH_dynhash_slot_dup");
  EXPECT_STREQ(set._rep_name(), "_RH_dynhash");
}

}  // namespace
