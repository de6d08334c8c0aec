// Guards the B-tree dictionary faults mended: copying and assigning a
// dictionary facade over a B-tree (entries, order, the no-duplicates and
// point-to-key settings kept); a point-to-key tree whose key lies past the
// start of its element (the shared key slot moves to a remaining element's
// key when the element it pointed into leaves); and restrict() on a cursor
// of a C-string tree made without a restriction.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_btree.h"
#include "dv_coll_err.h"
#include "dv_cursor.h"
#include "dv_new.h"
#include "dv_outofline_dictionary.h"
#include "dv_typespec.h"

using namespace dv_qem;

namespace {
// The key sits after another field, as it does after a virtual-table pointer.
struct Keyed {
  int tag;
  int key;
  char name[12];
};
}  // namespace
DV_DEFINE_TYPESPEC(Keyed, "BtreeDictionaryFaultsKeyed", DV_NO_POINTERS, DV_NO_VTABLES);

namespace {

constexpr int item_count = 64;

class BtreeDictionaryFaults : public dv_test::coll_db_test {
 protected:
  void SetUp() override {
    db_ = dv_database::create(path("btree_faults.db").c_str(), 0644, 0, 0);
    items_ = static_cast<Keyed*>(::operator new(sizeof(Keyed) * item_count, db_, &dv_ts<Keyed>::the_instance,
                                                 item_count));
    for (int i = 0; i < item_count; ++i) {
      items_[i].tag = -i;
      items_[i].key = i / 2;  // two items per key
      std::snprintf(items_[i].name, sizeof items_[i].name, "k%02d", i / 2);
    }
  }
  void TearDown() override { db_->close(); }

  Keyed* item(int i) { return &items_[i]; }

  dv_database* db_ = nullptr;
  Keyed* items_ = nullptr;
};

// ---- copies of a facade over a B-tree ------------------------------------------------------

struct copy_row {
  const char* name;
  unsigned behavior;  // 1 ordered, 2|4 no duplicate keys, 8 point to the key
  bool duplicates;
  bool point_to_key;
};

const copy_row copy_rows[] = {
    {"keeps duplicates", 1, true, false},
    {"no duplicate keys", 1 | 2 | 4, false, false},
    {"points to the keys", 1 | 8, true, true},
    {"points to the keys, no duplicates", 1 | 2 | 4 | 8, false, true},
};

TEST_F(BtreeDictionaryFaults, FacadeCopiesAndAssignmentsKeepTheTreeAndItsSettings) {
  for (const copy_row& row : copy_rows) {
    SCOPED_TRACE(row.name);
    auto* d = new dv_outofline_dictionary(
        dv_dictionary::create(items_, _Coll_cluster_default, "int", 4, 1, 0, row.behavior, 0, nullptr));
    // Without duplicates, one item per key (the even ones).
    const int step = row.duplicates ? 1 : 2;
    for (int i = 0; i < 40; i += step) d->insert(&item(i)->key, item(i));
    const unsigned stored = d->cardinality();
    try {
      dv_outofline_dictionary copy(*d);
      dv_outofline_dictionary assigned;
      assigned = *d;
      delete d;
      d = nullptr;
      for (dv_outofline_dictionary* c : {&copy, &assigned}) {
        auto* tree = dynamic_cast<dv_btree*>(c->get_outofline());
        ASSERT_NE(tree, nullptr) << "the copy is a B-tree";
        EXPECT_EQ(tree->allow_dups() != 0, row.duplicates);
        EXPECT_EQ(tree->is_point_to_key() != 0, row.point_to_key);
        tree->check_tree();
        tree->_check_rep_invariants();
        EXPECT_EQ(c->cardinality(), stored);
        int key = 7;
        EXPECT_EQ(c->count_values(&key), row.duplicates ? 2u : 1u);
        // The walk goes in key order.
        dv_dictionary_cursor& walk = tree->__iteration_start(0);
        int last = -1;
        void* e = nullptr;
        for (int more = tree->__first(walk, e); more; more = tree->__next(walk, e)) {
          EXPECT_GE(static_cast<Keyed*>(e)->key, last);
          last = static_cast<Keyed*>(e)->key;
          if (row.point_to_key) {
            // The slot still points at the key field of an element (of
            // the first under that key), not at a copy.
            const char* held = static_cast<const char*>(tree->__retrieve_key(walk));
            const long at = held - reinterpret_cast<const char*>(items_);
            EXPECT_EQ(at % static_cast<long>(sizeof(Keyed)), static_cast<long>(offsetof(Keyed, key)));
            EXPECT_EQ(*reinterpret_cast<const int*>(held), static_cast<Keyed*>(e)->key);
          }
        }
        tree->__iteration_end(walk);
        if (!row.duplicates) {
          EXPECT_THROW(c->insert(&item(15)->key, item(15)), dv_err_coll) << "key 7 is present";
          EXPECT_EQ(c->count_values(&key), 1u);
        }
      }
    } catch (const dv_err& e) {
      ADD_FAILURE() << e.get_report();
    }
    delete d;
  }
}

// ---- point-to-key with the key past the element's start ------------------------------------

TEST_F(BtreeDictionaryFaults, ThePointedKeyMovesToARemainingElementWhenItsElementLeaves) {
  struct removal {
    const char* name;
    bool by_element;  // the collection's _remove (key found by the tree) or __remove with the key
  } removals[] = {{"removed with its key", false}, {"removed by element", true}};
  for (const removal& how : removals) {
    SCOPED_TRACE(how.name);
    auto* t = static_cast<dv_btree*>(
        dv_dictionary::create(items_, _Coll_cluster_default, "int", 4, 1, 0, 1 | 8, 0, nullptr));
    Keyed* first = item(0);
    Keyed* second = item(1);
    Keyed* third = item(2);
    first->key = second->key = third->key = 500;
    t->__insert(first, &first->key, nullptr, nullptr, 0u);  // the slot points at first's key
    t->__insert(second, &second->key, nullptr, nullptr, 0u);
    t->__insert(third, &third->key, nullptr, nullptr, 0u);
    for (int i = 10; i < 60; ++i) t->__insert(item(i), &item(i)->key, nullptr, nullptr, 0u);

    for (Keyed* leaving : {first, second}) {
      if (how.by_element)
        EXPECT_EQ(t->_remove(leaving), 1);
      else
        t->__remove(leaving, &leaving->key, nullptr);
      leaving->key = 900;  // the element that left changes its key
      int k500 = 500, k900 = 900;
      EXPECT_EQ(t->__count(&k500, nullptr), leaving == first ? 2 : 1);
      EXPECT_EQ(t->__count(&k900, nullptr), 0);
      t->check_tree();
      t->_check_rep_invariants();
    }
    delete t;
  }
}

// ---- restrict() on a C-string tree's cursor -------------------------------------------------

TEST_F(BtreeDictionaryFaults, RestrictOnAStringCursorTakesTheCallersString) {
  auto* t = static_cast<dv_btree*>(
      dv_dictionary::create(items_, _Coll_cluster_default, "char*", 4, 1, 0, 1, 0, nullptr));
  for (int i = 0; i < 40; ++i) {
    const char* name = item(i)->name;
    t->__insert(item(i), &name, nullptr, nullptr, 0u);
  }
  std::string wanted = "k07";
  const char* key = wanted.c_str();
  dv_dictionary_cursor& c = t->__iteration_start(0);
  c.restrict(0 /* equal */, &key);
  wanted = "zzz";  // the cursor keeps a copy of the bound
  std::vector<void*> seen;
  void* e = nullptr;
  for (int more = t->__first(c, e); more; more = t->__next(c, e)) seen.push_back(e);
  EXPECT_EQ(seen.size(), 2u);
  for (void* s : seen) EXPECT_STREQ(static_cast<Keyed*>(s)->name, "k07");
  const char* low = "k05";
  const char* high = "k08";
  c.restrict(2 /* at least */, &low, -1 /* less than */, &high);
  seen.clear();
  for (int more = t->__first(c, e); more; more = t->__next(c, e)) seen.push_back(e);
  EXPECT_EQ(seen.size(), 6u);
  c.unrestrict();
  seen.clear();
  for (int more = t->__first(c, e); more; more = t->__next(c, e)) seen.push_back(e);
  EXPECT_EQ(seen.size(), 40u);
  t->__iteration_end(c);
  delete t;
}

}  // namespace
