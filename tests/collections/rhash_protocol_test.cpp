// Guards the hash's dictionary protocol and its seams: the slot class and
// flags _Rhash::create chooses by key-type name and hands to the registered
// maker, its refusals, the exact texts of the positional operations, only
// and count on empty or null positions, and restricted walks (equal key,
// all but a key, everything, invalid kinds).
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "dv_dyn_hash.h"
#include "dv_thrown_by.h"

using namespace dv_qem;
using dv_test::thrown_by;

namespace {

// What the maker was handed.
struct made {
  std::string key_type;
  unsigned key_size = 0, expected = 0, flags = 0;
};
made last_made;
_RH_dynhash* last_table = nullptr;

_Rhash* recording_maker(const void*, const char* key_type, unsigned key_size, unsigned expected, unsigned flags) {
  last_made = made{key_type, key_size, expected, flags};
  last_table = new _RH_dynhash(expected, 0);
  return last_table;
}

TEST(RhashCreate, SlotClassAndFlagsByKeyType) {
  struct row {
    const char* key_type;
    unsigned behavior;
    _RH_key_class key_class;
    unsigned flags;
  };
  const std::vector<row> rows{
      {"signed char", 0, _RH_key_class::char_key, 0xA},
      {"char", 2, _RH_key_class::char_key, 0x8},
      {"short", 4, _RH_key_class::short_key, 0xE},
      {"unsigned short", 0, _RH_key_class::ushort_key, 0xA},
      {"int", 0, _RH_key_class::int_key, 0xA},
      {"unsigned int", 0, _RH_key_class::uint_key, 0xA},
      {"long", 0, _RH_key_class::ulong_key, 0xA},
      {"unsigned long", 0, _RH_key_class::ulong_key, 0xA},
      {"float", 0, _RH_key_class::float_key, 0xA},
      {"double", 0, _RH_key_class::pt_key, 0x8A},
      {"long double", 0, _RH_key_class::pt_key, 0x8A},
      {"void*", 0, _RH_key_class::pvoid_index_key, 0xA},
      {"char*", 0, _RH_key_class::char_star, 0x2A},
      {"const char*", 0, _RH_key_class::char_star, 0x2A},
      {"char const*", 8, _RH_key_class::char_star_nocopy, 0x12A},
      {"Point", 0, _RH_key_class::pt_key, 0x9A},
      {"char[]", 0, _RH_key_class::pt_key, 0xDA},
      {"const char[]", 8, _RH_key_class::pt_key_point_only, 0x14A},
      {"Point", 8, _RH_key_class::pt_key_point_only, 0x10A},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.key_type);
    _RH_maker before = _Rhash_register_maker(r.key_class, recording_maker);
    int where = 0;
    _Rhash* h = _Rhash::create(&where, _Coll_cluster_default, r.key_type, 3, 4, 77, r.behavior, nullptr);
    _Rhash_register_maker(r.key_class, before);
    ASSERT_EQ(h, last_table);
    EXPECT_EQ(last_made.key_type, r.key_type);
    EXPECT_EQ(last_made.key_size, 12u);
    EXPECT_EQ(last_made.expected, 77u);
    EXPECT_EQ(last_made.flags, r.flags);
    delete last_table;
  }
}

TEST(RhashCreate, Refusals) {
  int where = 0;
  // An unknown clustering is refused, never answered with a null table.
  EXPECT_EQ(thrown_by([&] { _Rhash::create(&where, static_cast<_Coll_clustering>(3), "int", 4, 1, 0, 0, nullptr); }),
            "dv_err_coll_illegal_arg - _Rhash::create: unknown clustering 3 (0, 1 or 2 expected)");
  EXPECT_EQ(thrown_by([&] { _Rhash::create(&where, _Coll_cluster_default, "void", 4, 1, 0, 0, nullptr); }),
            "dv_err_am - <maint-0023-4390>Incorrect key type in _Rhash::create");
  _RH_maker before = _Rhash_register_maker(_RH_key_class::int_key, nullptr);
  EXPECT_EQ(thrown_by([&] { _Rhash::create(&where, _Coll_cluster_default, "int", 4, 1, 0, 0, nullptr); }),
            "dv_err_coll_not_supported - <err-0024-0545>the operation was not supported by the collection subtype "
            "(no keyed hash table for key type int)");
  _Rhash_register_maker(_RH_key_class::int_key, before);
}

TEST(RhashErrors, PositionalOperationsOfTheHash) {
  _RH_dynhash h(0, 0);
  int a = 0;
  const void* out = nullptr;
  struct row {
    const char* name;
    std::function<void()> call;
    const char* text;
  };
  const std::vector<row> rows{
      {"insert_first", [&] { h.insert_first(&a); },
       "dv_err_coll_not_supported - <err-0024-0275>operation not supported without maintain_order behavior"},
      {"insert_last", [&] { h.insert_last(&a); },
       "dv_err_coll_not_supported - <err-0024-0280>insert_last() not supported by _Rhash"},
      {"insert_after(n)", [&] { h.insert_after(&a, 1u); },
       "dv_err_coll_not_supported - <err-0024-0305>_Rhash::insert_after() attempted on an unordered collection"},
      {"insert_before(n)", [&] { h.insert_before(&a, 1u); },
       "dv_err_coll_not_supported - <err-0024-0310>_Rhash::insert_before() attempted on an unordered collection"},
      {"remove_first", [&] { h.remove_first(out); },
       "dv_err_coll_not_supported - <err-0024-0295>_Rhash::remove_first() attempted on an unordered collection"},
      {"remove_last", [&] { h.remove_last(out); },
       "dv_err_coll_not_supported - <err-0024-0300>_Rhash::remove_last() attempted on an unordered collection"},
      {"remove_at(n)", [&] { h.remove_at(1u); },
       "dv_err_coll_not_supported - <err-0024-0315>_Rhash::remove_at() attempted on an unordered collection"},
      {"replace_at(n)", [&] { h.replace_at(&a, 1u); },
       "dv_err_coll_not_supported - <err-0024-0320>_Rhash::replace_at() attempted on an unordered collection"},
      {"retrieve_first", [&] { h.retrieve_first(out); },
       "dv_err_coll_not_supported - <err-0024-0325>_Rhash::retrieve_first() attempted on an unordered collectio"},
      {"retrieve_last", [&] { h.retrieve_last(out); },
       "dv_err_coll_not_supported - <err-0024-0330>_Rhash::retrieve_last() attempted on an unordered collection"},
      {"_set_untransformed", [&] { h._set_untransformed(1); }, "dv_err_not_supported - _Rhash::_set_untransformed"},
      {"evolve_rep", [&] { h.evolve_rep(); }, "dv_err_not_supported - _Rhash::evolve_rep"},
      {"_set_allow_dup", [&] { h._set_allow_dup(1); },
       "dv_err_am - <maint-0023-0018>Slot type does not support allow duplicate behavior."},
      {"_only", [&] { (void)h._only(); }, "dv_err_am_empty - <maint-0023-4405>hash table empty, in _Rhash::only"},
      {"two-sided walk", [&] { h.__iteration_start(0, &a, 0, &a, 0); },
       "dv_err_am - <maint-0023-4400>invalid restriction on unordered index"},
      {"insert(e)", [&] { h.insert(&a); },
       "dv_err_coll_not_supported - <err-0024-0014>Unsupported entrypoint for dictionary class"},
  };
  for (const row& r : rows) EXPECT_EQ(thrown_by(r.call), r.text) << r.name;
}

TEST(RhashErrors, OnlyCountAndRetrieveOnNullPositions) {
  _RH_dynhash h(0, 0);
  int a = 0, b = 0;
  int empty = 0;
  EXPECT_EQ(h.__only(empty), nullptr);
  EXPECT_EQ(empty, 1);
  h.__insert(&a, &a, nullptr, nullptr, empty);
  EXPECT_EQ(h.__only(empty), &a);
  h.__insert(&b, &b, nullptr, nullptr, empty);
  EXPECT_EQ(thrown_by([&] { h.__only(empty); }),
            "dv_err_am_not_singleton - <maint-0023-4410>not singleton, in _Rhash::only");
  _Rhash_cursor c(h, _Rhash_cursor::leave_unpositioned);
  EXPECT_EQ(thrown_by([&] { h.__count(c); }), "dv_err_am - <err-0023-0000>Attempt to count with null cursor");
  EXPECT_EQ(thrown_by([&] { h.__retrieve(c); }),
            "dv_err_am - <maint-0023-4445>Attempt to retrieve from _Rhash with null cursor in _Rhash::HashTable_retrieve");
  EXPECT_EQ(thrown_by([&] { h.__retrieve_key(c); }),
            "dv_err_am - <maint-0023-4450>Attempt to retrieve key from _Rhash with null cursor in "
            "_Rhash::HashTable_retrieve_key");
  EXPECT_EQ(thrown_by([&] { _Rhash_cursor two(0, &a, 0, &b, h, _Rhash_cursor::position_at_first); }),
            "dv_err_am - <maint-0023-4400>invalid restriction on unordered index");
}

TEST(RhashWalk, Restrictions) {
  _RH_dynhash h(0, 2);
  std::vector<int> e(20);
  int found = 0;
  for (auto& x : e) h.__insert(&x, &x, nullptr, nullptr, found);
  h.__insert(&e[3], &e[3], nullptr, nullptr, found);  // twice

  auto walk = [&](int kind, const void* key) {
    std::multiset<void*> seen;
    dv_dictionary_cursor& c = h.__iteration_start(kind, key, 0);
    void* v = nullptr;
    for (int more = h.__more(c) ? h.__first(c, v) : 0; more; more = h.__next(c, v)) seen.insert(v);
    h.__iteration_end(c);
    return seen;
  };
  EXPECT_EQ(walk(0, &e[3]), (std::multiset<void*>{&e[3], &e[3]}));
  std::multiset<void*> all_but;
  for (auto& x : e)
    if (&x != &e[3]) all_but.insert(&x);
  EXPECT_EQ(walk(100, &e[3]), all_but);
  EXPECT_EQ(walk(200, nullptr).size(), 21u);
  EXPECT_EQ(thrown_by([&] { walk(7, &e[0]); }), "dv_err_am - <maint-0023-4400>invalid restriction on unordered index");

  unsigned n = 0;
  EXPECT_EQ(h.__pick(0, &e[5], n), &e[5]);
  EXPECT_EQ(n, 1u);
  int missing = 0;
  EXPECT_EQ(h.__pick(0, &missing, n), nullptr);
  EXPECT_EQ(n, 0u);
  EXPECT_NE(h.__pick(100, &e[0], n), &e[0]);
  EXPECT_EQ(h.__count(&e[3], &e[3]), 2);
  EXPECT_TRUE(h.__contains(&e[3], &e[3]));
  EXPECT_FALSE(h.__contains(&missing, &missing));
  EXPECT_NO_THROW(h._check_rep_invariants());
}

TEST(RhashDictionary, CollectionOperationsByWalking) {
  _RH_dynhash h(0, 2);  // the dictionary's own _contains, _count and _remove
  std::vector<int> e(30);
  int found = 0, missing = 0;
  for (auto& x : e) h.__insert(&x, &x, nullptr, nullptr, found);
  h.__insert(&e[3], &e[3], nullptr, nullptr, found);
  EXPECT_EQ(h._contains(&e[7]), 1);
  EXPECT_EQ(h._contains(&missing), 0);
  EXPECT_EQ(h._count(&e[3]), 2);
  EXPECT_EQ(h._remove(&e[3]), 1);  // one entry
  EXPECT_EQ(h._count(&e[3]), 1);
  EXPECT_EQ(h._remove(&missing), 0);
  EXPECT_EQ(h.cardinality(), 30u);
  EXPECT_NE(h.pick(), nullptr);
  EXPECT_EQ(thrown_by([&] { (void)h.retrieve(0u); }),
            "dv_err_coll_not_supported - <err-0024-0014>Unsupported entrypoint for dictionary class");
  EXPECT_NO_THROW(h._check_rep_invariants());
}

TEST(RhashDictionary, ReinitialisingActsOnlyWhenEmpty) {
  _RH_dynhash h(0, 0);
  int a = 0, found = 0;
  h.__insert(&a, &a, nullptr, nullptr, found);
  h._re_initialize(10000);
  EXPECT_EQ(h.directory_size(), 1u);
  h._clear();
  h._re_initialize(10000);
  EXPECT_EQ(h.directory_size(), 16u);
  EXPECT_STREQ(h._key_type(), "void*");
  h.__insert(&a, &a, nullptr, nullptr, found);
  EXPECT_EQ(h.cardinality(), 1u);
  EXPECT_NO_THROW(h.check_hash_invariants());
}

}  // namespace
