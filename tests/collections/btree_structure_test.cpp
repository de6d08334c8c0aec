// Guards the B-tree's structure and edges: node capacities by key size (and
// the size refused), leaf and interior splits, the collapse back to a root
// leaf when everything is removed, variable-length keys at the inline limit
// and their shared copies, every restriction code in both directions for
// one- and two-sided cursors against a sorted reference, point-to-key
// separators, and the faults mended: only() decided from the tree, __count,
// NaN keys, character-array keys bounded by their size, key-type names,
// copies owning their storage, nothing left in the file after _clear or
// destruction, look-ups that write nothing, removing walks on a snapshot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "durnavel.h"
#include "dv_btree.h"
#include "dv_coll_err.h"
#include "dv_cursor.h"
#include "dv_new.h"
#include "dv_object_cursor.h"
#include "dv_test_process.h"
#include "dv_test_seed.h"
#include "dv_thrown_by.h"
#include "dv_transaction.h"
#include "dv_typespec.h"

using namespace dv_qem;
using dv_test::thrown_by;

namespace {
struct Item {
  int value;
};
}  // namespace
DV_DEFINE_TYPESPEC(Item, "BtreeStructureItem", DV_NO_POINTERS, DV_NO_VTABLES);

namespace {

constexpr int item_count = 4000;

class Btree : public dv_test::coll_db_test {
 protected:
  void SetUp() override {
    db_ = dv_database::create(path("btree.db").c_str(), 0644, 0, 0);
    items_ = static_cast<Item*>(::operator new(sizeof(Item) * item_count, db_, &dv_ts<Item>::the_instance, item_count));
    for (int i = 0; i < item_count; ++i) items_[i].value = i;
  }
  void TearDown() override { db_->close(); }

  dv_btree* make(const char* key_type, unsigned key_size, unsigned behaviour = 1, unsigned key_count = 1,
                 unsigned expected = 0) {
    if (expected == 0)
      return static_cast<dv_btree*>(dv_dictionary::create(items_, _Coll_cluster_default, key_type, key_size,
                                                          key_count, 0, behaviour | 1, 0, nullptr));
    // The schema's way: constructed directly, with an expected size.
    return new (dv_cluster::with(items_), dv_btree::get_dv_typespec())
        dv_btree(key_type, key_size, key_count, behaviour, expected);
  }

  // Objects of the database by typespec name.
  std::map<std::string, int> census() const { return dv_test::object_census(db_); }

  void insert_int(dv_btree* t, int key, int item) { t->__insert(&items_[item], &key, nullptr, nullptr, 0u); }
  void insert_text(dv_btree* t, const char* key, int item) { t->__insert(&items_[item], &key, nullptr, nullptr, 0u); }

  // The element numbers of a walk.
  std::vector<int> walk(dv_btree* t, dv_dictionary_cursor& c, bool forward) {
    std::vector<int> out;
    void* e = nullptr;
    for (int more = forward ? t->__first(c, e) : t->__last(c, e); more;
         more = forward ? t->__next(c, e) : t->__previous(c, e))
      out.push_back(static_cast<Item*>(e)->value);
    return out;
  }

  dv_database* db_ = nullptr;
  Item* items_ = nullptr;
};

// ---- capacities ----------------------------------------------------------------------------

TEST_F(Btree, NodeCapacityFollowsTheKeySize) {
  const struct {
    const char* type;
    unsigned size;
    unsigned capacity;
  } cases[] = {{"int", 4, 338}, {"double", 8, 253}, {"char[]", 2022, 2}, {"char[]", 2000, 2}, {"char[]", 100, 37}};
  for (const auto& c : cases) {
    dv_btree* t = make(c.type, c.size);
    EXPECT_EQ(t->getMaxKeys(), c.capacity) << c.type << " " << c.size;
    EXPECT_EQ(t->stored_key_size(), c.size);
    t->check_tree();
    delete t;
  }
}

TEST_F(Btree, KeysOfMoreThan2022BytesAreRefused) {
  const auto before = census();
  EXPECT_EQ(thrown_by<dv_err_coll_internal>([&] { make("char[]", 2023); }),
            "dv_err_coll_internal - dv_btree - Key size too large.  Key must be <= 2000 bytes");
  // The stored key size counts every key element: 1012 x 2 is refused too.
  EXPECT_EQ(thrown_by<dv_err_coll_internal>([&] { make("char[]", 1012, 1, 2); }),
            "dv_err_coll_internal - dv_btree - Key size too large.  Key must be <= 2000 bytes");
  EXPECT_EQ(census(), before) << "a refused tree leaves nothing behind";
}

// ---- splits ----------------------------------------------------------------------------------

TEST_F(Btree, AFullRootLeafSplitsIntoTwoChainedLeaves) {
  dv_btree* t = make("int", 4);
  for (int k = 0; k <= 338; ++k) insert_int(t, k * 2, k);
  t->check_tree();
  _Coll_btree_node* root = t->root();
  ASSERT_FALSE(root->is_leaf());
  EXPECT_EQ(root->count, 1u);
  _Coll_btree_node* left = root->child(0);
  _Coll_btree_node* right = root->child(1);
  EXPECT_EQ(left->count + right->count, 339u);
  EXPECT_EQ(left->entry(338).target.resolve(), right);
  EXPECT_EQ(right->previous.resolve(), left);
  EXPECT_EQ(left->previous.resolve(), nullptr);
  EXPECT_EQ(right->entry(338).target.resolve(), nullptr);
  EXPECT_EQ(*reinterpret_cast<int*>(t->key_at(root, 0)), *reinterpret_cast<int*>(t->key_at(right, 0)));
  EXPECT_EQ(t->_cardinality(), 339u);
  delete t;
}

TEST_F(Btree, TheSplitPointDependsOnWhereTheNewKeyGoes) {
  const struct {
    int new_key;
    unsigned left, right;
  } cases[] = {{-1, 170, 169}, {10000, 170, 169}};  // position 0; position 338
  for (const auto& c : cases) {
    dv_btree* t = make("int", 4);
    for (int k = 0; k < 338; ++k) insert_int(t, k, k);
    insert_int(t, c.new_key, 400);
    t->check_tree();
    EXPECT_EQ(t->root()->child(0)->count, c.left) << c.new_key;
    EXPECT_EQ(t->root()->child(1)->count, c.right) << c.new_key;
    delete t;
  }
}

TEST_F(Btree, InteriorNodesSplitAndEverythingRemovedCollapsesToTheRootLeaf) {
  const unsigned seed = dv_test::seed();
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  std::mt19937 rng(seed);
  char key[2022] = {};
  dv_btree* t = make("char[]", sizeof key);  // two keys to a node
  std::vector<int> order(300);
  for (int i = 0; i < 300; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  for (int k : order) {
    std::snprintf(key, sizeof key, "key %04d", k);
    t->__insert(&items_[k], key, nullptr, nullptr, 0u);
    ASSERT_NO_FATAL_FAILURE(t->check_tree());
  }
  EXPECT_GE(t->depth(), 6u);
  EXPECT_EQ(t->_cardinality(), 300u);
  std::shuffle(order.begin(), order.end(), rng);
  for (int k : order) {
    std::snprintf(key, sizeof key, "key %04d", k);
    t->__remove(&items_[k], key, nullptr);
    ASSERT_NO_FATAL_FAILURE(t->check_tree()) << "after removing " << k;
  }
  EXPECT_TRUE(t->root()->is_leaf());
  EXPECT_TRUE(t->root()->is_root());
  EXPECT_EQ(t->root()->count, 0u);
  EXPECT_EQ(t->node_count(), 1u);
  EXPECT_TRUE(t->_empty());
  // And it grows again.
  for (int k = 0; k < 20; ++k) {
    std::snprintf(key, sizeof key, "again %02d", k);
    t->__insert(&items_[k], key, nullptr, nullptr, 0u);
  }
  t->check_tree();
  EXPECT_EQ(t->_cardinality(), 20u);
  delete t;
}

// ---- variable-length keys ----------------------------------------------------------------------

TEST_F(Btree, TwentySevenCharactersStayInlineAndTwentyEightGetACopy) {
  dv_btree* t = make("char*", 4);
  EXPECT_EQ(t->stored_key_size(), 32u);
  EXPECT_STREQ(t->_key_type(), "char*");
  EXPECT_EQ(t->_key_size(), 4u);
  const std::string k27(27, 'a');
  const std::string k28(28, 'b');
  const int before = census()["_Coll_var_char_overflow"];
  insert_text(t, k27.c_str(), 1);
  EXPECT_EQ(census()["_Coll_var_char_overflow"], before);
  insert_text(t, k28.c_str(), 2);
  EXPECT_EQ(census()["_Coll_var_char_overflow"], before + 1);
  const char* p27 = k27.c_str();
  const char* p28 = k28.c_str();
  unsigned found = 0;
  EXPECT_EQ(t->__pick(0, &p27, found), &items_[1]);
  EXPECT_EQ(t->__pick(0, &p28, found), &items_[2]);
  // A 28-character key differs from its 27-character head.
  const std::string head = k28.substr(0, 27);
  const char* ph = head.c_str();
  EXPECT_EQ(t->__pick(0, &ph, found), nullptr);
  t->check_tree();
  delete t;
  EXPECT_EQ(census()["_Coll_var_char_overflow"], before);
}

TEST_F(Btree, NullAndEmptyStringKeysAreDistinctAndConstNamesAreStrings) {
  for (const char* type : {"char*", "const char*", "char const*"}) {
    dv_btree* t = make(type, 4);
    EXPECT_TRUE(t->is_var_char_key()) << type;
    insert_text(t, nullptr, 1);
    insert_text(t, "", 2);
    insert_text(t, "x", 3);
    const char* null_key = nullptr;
    const char* empty = "";
    unsigned found = 0;
    EXPECT_EQ(t->__pick(0, &null_key, found), &items_[1]) << type;
    EXPECT_EQ(t->__pick(0, &empty, found), &items_[2]) << type;
    EXPECT_EQ(t->__count(&null_key, nullptr), 1);
    // In order: null, "", "x".
    dv_dictionary_cursor& c = t->__iteration_start(0);
    EXPECT_EQ(walk(t, c, true), (std::vector<int>{1, 2, 3}));
    t->__iteration_end(c);
    t->_check_rep_invariants();
    delete t;
  }
}

TEST_F(Btree, LongKeysLeaveNoCopiesBehindAcrossSplitsRemovalsAndClear) {
  const auto before = census();
  const unsigned seed = dv_test::seed();
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  std::mt19937 rng(seed);
  dv_btree* t = make("char*", 4, 1, 1, 500);  // with spare nodes
  std::multimap<std::string, int> model;
  auto text = [](int k) { return "a key long enough to need its own copy, number " + std::to_string(k); };
  for (int step = 0; step < 3000; ++step) {
    const int k = static_cast<int>(rng() % 600);
    const std::string s = text(k);
    const char* p = s.c_str();
    if (rng() % 3 != 0 || model.empty()) {
      t->__insert(&items_[k], &p, nullptr, nullptr, 0u);
      model.emplace(s, k);
    } else {
      auto it = model.begin();
      std::advance(it, rng() % model.size());
      const char* q = it->first.c_str();
      t->__remove(&items_[it->second], &q, nullptr);
      model.erase(it);
    }
    if (step % 50 == 0) {
      ASSERT_NO_FATAL_FAILURE(t->check_tree()) << "step " << step;
    }
  }
  EXPECT_GE(t->depth(), 2u);
  EXPECT_EQ(t->_cardinality(), model.size());
  t->_clear();
  t->check_tree();
  auto after_clear = census();
  EXPECT_EQ(after_clear["_Coll_var_char_overflow"], before.count("_Coll_var_char_overflow") ? before.at("_Coll_var_char_overflow") : 0);
  EXPECT_EQ(after_clear["dv_qem::dv_packed_list"], before.count("dv_qem::dv_packed_list") ? before.at("dv_qem::dv_packed_list") : 0);
  delete t;
  EXPECT_EQ(census(), before);
}

// ---- restrictions ------------------------------------------------------------------------------

struct walk_case {
  bool two_sided;
  int low_code, low_key, high_code, high_key;
};

// The keys a cursor delivers: from the first key (in the walk's direction)
// satisfying the starting restriction, the run of keys that satisfy the
// cursor's restrictions (one-sided: every key satisfying the one).
std::vector<int> reference(const std::vector<int>& keys, const walk_case& c, bool forward) {
  auto ok = [](int key, int code, int bound) {
    const int r = key < bound ? -1 : key > bound;
    return dv_btree::satisfies(r, code) != 0;
  };
  std::vector<int> out;
  if (!c.two_sided) {
    for (int k : keys)
      if (ok(k, c.low_code, c.low_key)) out.push_back(k);
    if (!forward) std::reverse(out.begin(), out.end());
    return out;
  }
  std::vector<int> in_order = keys;
  if (!forward) std::reverse(in_order.begin(), in_order.end());
  const int start_code = forward ? c.low_code : c.high_code;
  const int start_key = forward ? c.low_key : c.high_key;
  auto it = std::find_if(in_order.begin(), in_order.end(), [&](int k) { return ok(k, start_code, start_key); });
  for (; it != in_order.end() && ok(*it, c.low_code, c.low_key) && ok(*it, c.high_code, c.high_key); ++it)
    out.push_back(*it);
  return out;
}

TEST_F(Btree, EveryRestrictionCodeInBothDirectionsMatchesASortedReference) {
  // Keys 0, 10, ..., 990 across several leaves (a small capacity), one
  // element each (the element number is the key).
  dv_btree* t = make("char[]", 300);  // 13 keys to a node
  auto key_text = [](int k) {
    std::string s(300, '\0');
    std::snprintf(s.data(), s.size(), "%06d", k);
    return s;
  };
  std::vector<int> keys;
  for (int k = 0; k < 1000; k += 10) {
    keys.push_back(k);
    t->__insert(&items_[k], key_text(k).data(), nullptr, nullptr, 0u);
  }
  ASSERT_GE(t->depth(), 2u);
  const int codes[] = {-2, -1, 0, 1, 2, 100, 200};
  const int bounds[] = {-5, 0, 455, 460, 990, 2000};
  std::vector<walk_case> cases;
  for (int code : codes)
    for (int bound : bounds) cases.push_back({false, code, bound, 200, 0});
  for (int low : codes)
    for (int high : codes)
      for (auto [a, b] : {std::pair{0, 990}, std::pair{455, 700}, std::pair{460, 460}, std::pair{700, 300}})
        cases.push_back({true, low, a, high, b});
  for (const walk_case& c : cases)
    for (bool forward : {true, false}) {
      const std::string low = key_text(c.low_key < 0 ? 0 : c.low_key);
      const std::string high = key_text(c.high_key);
      std::string low_text = c.low_key < 0 ? std::string(300, '\0') : low;
      if (c.low_key < 0) low_text[0] = ' ';  // below every key
      dv_dictionary_cursor& cursor = c.two_sided
                                         ? t->__iteration_start(c.low_code, low_text.data(), c.high_code, high.data(), 0)
                                         : t->__iteration_start(c.low_code, low_text.data(), 0);
      const std::vector<int> got = walk(t, cursor, forward);
      t->__iteration_end(cursor);
      EXPECT_EQ(got, reference(keys, c, forward))
          << (c.two_sided ? "two-sided " : "one-sided ") << c.low_code << " " << c.low_key << " / " << c.high_code
          << " " << c.high_key << (forward ? " forward" : " backward");
    }
  for (int bad : {3, 101, -3}) {
    int k = 5;
    dv_btree* ints = make("int", 4);
    EXPECT_EQ(thrown_by<dv_err_am_restriction>([&] { ints->__iteration_start(bad, &k, 0); }),
              "dv_err_am_restriction - <maint-0023-3685>invalid_restriction in Cbtree::find_first")
        << bad;
    dv_dictionary_cursor& c = ints->__iteration_start(0);
    _dv_btree_cursor& bc = static_cast<_dv_btree_cursor&>(c);
    bc.restrict(bad, &k);
    void* e = nullptr;
    EXPECT_EQ(thrown_by<dv_err_am_restriction>([&] { ints->__last(c, e); }),
              "dv_err_am_restriction - <maint-0023-3685>invalid_restriction in Cbtree::find_last");
    ints->__iteration_end(c);
    delete ints;
  }
  delete t;
}

// ---- duplicates, counts, only ----------------------------------------------------------------

TEST_F(Btree, DuplicateRulesByBehaviour) {
  const struct {
    unsigned behaviour;
    bool duplicates;
  } cases[] = {{0, true}, {2, true}, {4, true}, {6, false}};
  for (const auto& c : cases) {
    dv_btree* t = make("int", 4, c.behaviour);
    EXPECT_EQ(t->__duplicates() != 0, c.duplicates) << c.behaviour;
    EXPECT_EQ(t->_get_behavior(), c.duplicates ? 18u : 16u);
    insert_int(t, 7, 1);
    if (c.duplicates) {
      insert_int(t, 7, 2);
      insert_int(t, 7, 2);  // a repeated pair is kept twice
      EXPECT_EQ(t->_cardinality(), 3u);
      int seven = 7;
      EXPECT_EQ(t->__count(&seven, nullptr), 3);
      t->__remove(&items_[2], &seven, nullptr);
      EXPECT_EQ(t->__count(&seven, nullptr), 2);
      t->__remove(&items_[9], &seven, nullptr);  // an absent pair: nothing happens
      EXPECT_EQ(t->__count(&seven, nullptr), 2);
    } else {
      EXPECT_EQ(thrown_by<dv_err_am_dup_key>([&] { insert_int(t, 7, 2); }),
                "dv_err_am_dup_key - <err-0024-3637>duplicate key in node::insert");
      EXPECT_EQ(t->_cardinality(), 1u);
    }
    t->check_tree();
    delete t;
  }
}

TEST_F(Btree, OnlyIsDecidedFromTheTree) {
  dv_btree* t = make("int", 4);
  EXPECT_EQ(thrown_by<dv_err_am_not_singleton>([&] { t->_only(); }),
            "dv_err_am_not_singleton - <maint-0023-3680>not_singleton in _Cbtree::only");
  insert_int(t, 1, 5);
  EXPECT_EQ(t->_cardinality_estimate(), 0u);
  EXPECT_EQ(t->_only(), &items_[5]);  // the estimate is still 0
  insert_int(t, 1, 6);
  EXPECT_THROW(t->_only(), dv_err_am_not_singleton);  // one key, two elements
  int one = 1;
  t->__remove(&items_[6], &one, nullptr);
  insert_int(t, 2, 6);
  EXPECT_THROW(t->_only(), dv_err_am_not_singleton);  // two keys
  EXPECT_EQ(t->_update_cardinality(), 2u);
  EXPECT_EQ(t->_cardinality_estimate(), 2u);
  int empty = 0;
  EXPECT_EQ(thrown_by<dv_err_coll_internal>([&] { t->_only(empty); }),
            "dv_err_coll_internal - dv_btree - Called non-supported version of _only");
  delete t;
}

TEST_F(Btree, AnEmptyTree) {
  dv_btree* t = make("int", 4);
  EXPECT_TRUE(t->_empty());
  unsigned found = 7;
  EXPECT_EQ(t->__pick(found), nullptr);
  EXPECT_EQ(found, 0u);
  dv_dictionary_cursor& c = t->__iteration_start(0);
  void* e = nullptr;
  EXPECT_EQ(t->__first(c, e), 0);
  EXPECT_EQ(t->__is_null(c), 1);
  EXPECT_EQ(t->__retrieve(c), nullptr);
  EXPECT_EQ(t->__retrieve_key(c), nullptr);
  EXPECT_EQ(t->__count(c), 0);
  t->__iteration_end(c);
  EXPECT_EQ(t->_cardinality(), 0u);
  int k = 3;
  EXPECT_EQ(t->__count(&k, nullptr), 0);
  t->__remove(&items_[1], &k, nullptr);  // silent
  delete t;
}

TEST_F(Btree, WhatAnOrderedDictionaryRefuses) {
  dv_btree* t = make("int", 4);
  const void* out = nullptr;
  dv_cursor cursor;
  const struct {
    std::function<void()> call;
    const char* report;
  } cases[] = {
      {[&] { t->_insert_first(items_); }, "dv_err_coll_not_supported - <err-0024-0275>operation not supported without maintain_order behavior"},
      {[&] { t->_insert_last(items_); }, "dv_err_coll_not_supported - <err-0024-0280>insert_last() not supported by dv_btree"},
      {[&] { t->_remove_first(out); }, "dv_err_coll_not_supported - <err-0024-0295>dv_btree::remove_first() attempted on an unordered collection"},
      {[&] { t->_remove_last(out); }, "dv_err_coll_not_supported - <err-0024-0300>dv_btree::remove_last() attempted on an unordered collection"},
      {[&] { t->_retrieve_first(out); }, "dv_err_coll_not_supported - <err-0024-0325>dv_btree::retrieve_first() attempted on an unordered collectio"},
      {[&] { t->_retrieve_last(out); }, "dv_err_coll_not_supported - <err-0024-0330>dv_btree::retrieve_last() attempted on an unordered collection"},
      {[&] { t->_insert_after(items_, 0u); }, "dv_err_coll_not_supported - <err-0024-0305>dv_btree::insert_after() attempted on an unordered collection"},
      {[&] { t->_insert_after(items_, cursor); }, "dv_err_coll_not_supported - <err-0024-0285>insert_after() not supported by dv_btree"},
      {[&] { t->_insert_before(items_, 0u); }, "dv_err_coll_not_supported - <err-0024-0310>dv_btree::insert_before() attempted on an unordered collection"},
      {[&] { t->_insert_before(items_, cursor); }, "dv_err_coll_not_supported - <err-0024-0290>insert_before() not supported by dv_btree"},
      {[&] { t->_remove_at(0u); }, "dv_err_coll_not_supported - <err-0024-0315>dv_btree::remove_at() attempted on an unordered collection"},
      {[&] { t->_replace_at(items_, 0u); }, "dv_err_coll_not_supported - <err-0024-0320>dv_btree::replace_at() attempted on an unordered collection"},
      {[&] { int f = 0; t->__insert(items_, items_, nullptr, nullptr, f); }, "dv_err_coll_internal - dv_btree - non supported version of __insert called"},
      {[&] { int f = 0; t->__remove(items_, items_, f, nullptr); }, "dv_err_coll_internal - dv_btree - Called non-supportted version of __remove()"},
      {[&] { t->_insert(items_); }, "dv_err_coll_not_supported - <err-0024-0014>Unsupported entrypoint for dictionary class"},
  };
  for (const auto& c : cases) EXPECT_EQ(thrown_by<dv_err>(c.call), c.report);
  EXPECT_STREQ(t->_rep_name(), "dv_btree");
  EXPECT_EQ(t->_is_a_hashtable(), 0);
  EXPECT_EQ(t->_cardinality_is_maintained(), 0);
  delete t;
}

// ---- key kinds ---------------------------------------------------------------------------------

TEST_F(Btree, KeyTypeNamesAreRegisteredTypes) {
  const struct {
    const char* type;
    unsigned size, behaviour;
    const char* key_type;
    const char* stored;
  } cases[] = {
      {"int", 4, 1, "int", "int"},
      {"const int", 4, 1, "int", "int"},
      {"char*", 4, 1, "char*", "_Coll_var_char_key"},
      {"dv_char_star_nocopy", 4, 1, "dv_char_star_nocopy", "_dv_char_star_nocopy"},
      {"char[]", 16, 1, "char[]", "char[]"},
      {"const char[]", 16, 1, "char[]", "char[]"},
      {"int", 4, 9, "int", "void*"},  // point to key
  };
  for (const auto& c : cases) {
    dv_btree* t = make(c.type, c.size, c.behaviour);
    EXPECT_STREQ(t->_key_type(), c.key_type) << c.type;
    EXPECT_STREQ(t->internalKeyType(), c.stored) << c.type;
    _Rank_fcn rank = nullptr;
    _Hash_fcn hash = nullptr;
    t->find_functions(rank, hash);  // throws for an unregistered name
    EXPECT_NE(rank, nullptr) << c.type;
    delete t;
  }
}

TEST_F(Btree, NanKeysAreRefused) {
  for (const char* type : {"double", "long double", "float"}) {
    dv_btree* t = make(type, std::strcmp(type, "float") == 0 ? 4 : 8);
    double d = std::nan("");
    float f = std::nanf("");
    const void* key = std::strcmp(type, "float") == 0 ? static_cast<const void*>(&f) : &d;
    EXPECT_THROW(t->__insert(&items_[1], key, nullptr, nullptr, 0u), dv_err_coll_illegal_arg) << type;
    EXPECT_TRUE(t->_empty());
    delete t;
  }
}

TEST_F(Btree, CharacterArrayKeysUseAtMostTheKeySize) {
  dv_btree* t = make("char[]", 4);
  // Keys of exactly four characters, without a terminator, followed by more.
  const char a[] = "abcdXXXX";
  const char b[] = "abcdYYYY";
  t->__insert(&items_[1], a, nullptr, nullptr, 0u);
  EXPECT_EQ(t->__count(b, nullptr), 1) << "the bytes past the key size take no part";
  EXPECT_EQ(std::memcmp(t->key_at(t->root(), 0), "abcd", 4), 0);
  t->__insert(&items_[2], "ab", nullptr, nullptr, 0u);  // shorter: filled with zeros
  EXPECT_EQ(std::memcmp(t->key_at(t->root(), 0), "ab\0\0", 4), 0);
  t->check_tree();
  delete t;
}

TEST_F(Btree, PvoidKeysAnswerTheAddressItself) {
  dv_btree* t = make("dv_pvoid", 4);
  void* key = &items_[42];
  t->__insert(&items_[1], &key, nullptr, nullptr, 0u);
  dv_dictionary_cursor& c = t->__iteration_start(0);
  EXPECT_EQ(t->__retrieve_key(c), &items_[42]);
  t->__iteration_end(c);
  t->_check_rep_invariants();
  EXPECT_EQ(t->remove(&items_[1]), 1);  // finds the key through the cursor
  EXPECT_TRUE(t->_empty());
  delete t;
}

TEST_F(Btree, PointToKeySeparatorsNeverPointAtARemovedElement) {
  // Each element is its own key: the tree keeps the element's address.
  dv_btree* t = make("int", 4, 9);  // ordered, point to key
  EXPECT_TRUE(t->is_point_to_key());
  for (int i = 0; i < 2000; ++i) t->__insert(&items_[i], &items_[i].value, nullptr, nullptr, 0u);
  ASSERT_GE(t->depth(), 2u);
  std::mt19937 rng(dv_test::seed());
  std::vector<int> order(2000);
  for (int i = 0; i < 2000; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  for (int n = 0; n < 1900; ++n) {
    const int i = order[n];
    t->__remove(&items_[i], &items_[i].value, nullptr);
    items_[i].value = -1000000;  // the removed element changes: a stale separator would mislead the search
    if (n % 100 == 0) {
      ASSERT_NO_FATAL_FAILURE(t->check_tree()) << "after " << n;
    }
  }
  t->check_tree();
  for (int n = 1900; n < 2000; ++n) {
    const int i = order[n];
    EXPECT_EQ(t->__count(&items_[i].value, nullptr), 1) << i;
  }
  delete t;
}

// ---- ownership ---------------------------------------------------------------------------------

TEST_F(Btree, CopiesOwnTheirNodesAndKeys) {
  const auto before = census();
  dv_btree* t = make("char*", 4);
  for (int i = 0; i < 400; ++i) {
    const std::string s = "a long key, past the inline part, number " + std::to_string(i % 150);
    insert_text(t, s.c_str(), i);
  }
  auto* copy = new (dv_cluster::with(items_), dv_btree::get_dv_typespec()) dv_btree(*t);
  dv_btree* assigned = make("int", 4);
  *assigned = *t;
  delete t;
  for (dv_btree* each : {copy, assigned}) {
    each->check_tree();
    each->_check_rep_invariants();
    EXPECT_EQ(each->_cardinality(), 400u);
    const std::string s = "a long key, past the inline part, number 7";
    const char* p = s.c_str();
    EXPECT_EQ(each->__count(&p, nullptr), 3);
  }
  delete copy;
  delete assigned;
  EXPECT_EQ(census(), before);
}

TEST_F(Btree, DestructionAndClearLeaveNothingInTheFile) {
  const auto before = census();
  for (const char* type : {"int", "char*"}) {
    dv_btree* t = make(type, 4, 1, 1, 300);
    for (int i = 0; i < 3000; ++i) {
      const std::string s = "key text that is longer than the inline part " + std::to_string(i % 700);
      const char* p = s.c_str();
      int k = i % 700;
      t->__insert(&items_[i], std::strcmp(type, "int") == 0 ? static_cast<const void*>(&k) : &p, nullptr, nullptr, 0u);
    }
    EXPECT_GE(t->depth(), 2u);
    t->_clear();
    EXPECT_EQ(t->node_count(), 1u);
    delete t;
    EXPECT_EQ(census(), before) << type;
  }
}

// Look-ups in a read-only transaction: a write would be refused there.
class BtreeChild : public dv_test::coll_child_test {};

TEST_F(Btree, ALookUpWritesNothing) {
  EXPECT_EQ(dv_test::run_child("BtreeChild.LookUpsInAReadOnlyTransaction", {{"DV_TEST_FILE", path("lookup.db")}}), 0);
}

TEST_F(BtreeChild, LookUpsInAReadOnlyTransaction) {
  dv_transaction::initialize();
  dv_database* db = dv_database::create(std::getenv("DV_TEST_FILE"), 0644, 0, 0);
  dv_transaction::begin(dv_transaction::update);
  auto* items = static_cast<Item*>(::operator new(sizeof(Item) * 4, db, &dv_ts<Item>::the_instance, 4));
  auto* t = static_cast<dv_btree*>(
      dv_dictionary::create(items, _Coll_cluster_default, "char*", 4, 1, 0, 1, 0, nullptr));
  const std::string long_key(60, 'q');
  const char* p = long_key.c_str();
  const char* short_key = "short";
  t->__insert(&items[1], &p, nullptr, nullptr, 0u);
  t->__insert(&items[2], &short_key, nullptr, nullptr, 0u);
  dv_transaction::commit();

  dv_transaction::begin(dv_transaction::read_only);
  const char* absent = "an absent key that is longer than the inline part";
  unsigned found = 0;
  EXPECT_EQ(t->__pick(0, &p, found), &items[1]);
  EXPECT_EQ(t->__pick(0, &absent, found), nullptr);
  EXPECT_EQ(t->__contains(&items[1], &p), 1);
  EXPECT_EQ(t->__count(&absent, nullptr), 0);
  dv_dictionary_cursor& c = t->__iteration_start(2, &p, 0);  // a transient cursor
  void* e = nullptr;
  int walked = 0;
  for (int more = t->__first(c, e); more; more = t->__next(c, e)) ++walked;
  EXPECT_EQ(walked, 2);
  t->__iteration_end(c);
  t->check_tree();
  // The transaction does refuse writes.
  EXPECT_THROW(t->__insert(&items[3], &absent, nullptr, nullptr, 0u), dv_err);
  dv_transaction::commit();
  db->close();
}

TEST_F(Btree, ARemovingWalkGoesOverASnapshot) {
  dv_btree* t = make("int", 4);
  for (int i = 0; i < 1000; ++i) insert_int(t, i % 400, i);
  dv_cursor snapshot(*t, dv_cursor::update_insensitive);
  int removed = 0;
  for (void* e = snapshot.first(); snapshot.more(); e = snapshot.next()) removed += t->remove(e);
  EXPECT_EQ(removed, 1000);
  EXPECT_TRUE(t->_empty());
  t->check_tree();
  delete t;
}

// ---- cursors ------------------------------------------------------------------------------------

TEST_F(Btree, CursorCopiesAndHeldPositionsResumeOnADuplicateKey) {
  dv_btree* t = make("char*", 4);
  for (int i = 0; i < 6; ++i) insert_text(t, "the same long key beyond twenty-seven characters", i);
  insert_text(t, "z", 9);
  const char* low = "a";
  dv_dictionary_cursor& c = t->__iteration_start(2, &low, 0);
  void* e = nullptr;
  t->__first(c, e);
  t->__next(c, e);
  t->__next(c, e);  // on the third element of the key
  auto& bc = static_cast<_dv_btree_cursor&>(c);
  _dv_btree_cursor copy(bc);
  _dv_cursor_holder holder;
  bc.remember(holder);
  std::vector<int> rest_of_original;
  for (int more = t->__next(c, e); more; more = t->__next(c, e)) rest_of_original.push_back(static_cast<Item*>(e)->value);
  std::vector<int> rest_of_copy;
  for (int more = t->__next(copy, e); more; more = t->__next(copy, e)) rest_of_copy.push_back(static_cast<Item*>(e)->value);
  EXPECT_EQ(rest_of_copy, rest_of_original);
  EXPECT_EQ(rest_of_original, (std::vector<int>{3, 4, 5, 9}));
  t->__first(c, e);
  bc.restore(holder);
  std::vector<int> resumed;
  for (int more = t->__next(c, e); more; more = t->__next(c, e)) resumed.push_back(static_cast<Item*>(e)->value);
  EXPECT_EQ(resumed, rest_of_original);
  t->__iteration_end(c);
  delete t;
}

TEST_F(Btree, ADvCursorCopiedOnADuplicateKeyResumesAtTheSameElement) {
  dv_btree* t = make("int", 4);
  for (int i = 0; i < 3; ++i) insert_int(t, 1, i);
  for (int i = 10; i < 15; ++i) insert_int(t, 5, i);  // the second key, with five elements
  insert_int(t, 9, 20);
  dv_cursor c(*t);
  for (int i = 0; i < 5; ++i) c.next();  // on the third element of key 5
  dv_cursor copy(c);
  EXPECT_EQ(copy.retrieve(), c.retrieve());
  std::vector<void*> from_original;
  std::vector<void*> from_copy;
  for (void* e = c.next(); c.more(); e = c.next()) from_original.push_back(e);
  for (void* e = copy.next(); copy.more(); e = copy.next()) from_copy.push_back(e);
  EXPECT_EQ(from_copy, from_original);
  EXPECT_EQ(from_original.size(), 3u);  // two more of key 5, then key 9
  delete t;
}

}  // namespace
