// Guards the hash sets and bags as collections: creation by kind and
// behaviour, duplicates in sets and bags, the null refusal, walks through a
// cursor (a bag element delivered once per occurrence), removal through a
// cursor (a second removal refused, every element removable in one walk,
// no element skipped or repeated while tables shrink), clearing, copies with
// storage of their own, assignment through the dictionary part, and the
// exact texts of the refused operations.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_coll_typed.h"
#include "dv_cursor.h"
#include "dv_dyn_hash.h"
#include "dv_thrown_by.h"

using namespace dv_qem;
using dv_test::thrown_by;

namespace {

// What a walk with a fresh cursor delivers, with multiplicity.
std::multiset<void*> walk(const dv_collection& c) {
  std::multiset<void*> seen;
  dv_cursor cursor(c);
  for (void* e = cursor.first(); cursor.more(); e = cursor.next()) seen.insert(e);
  return seen;
}

TEST(HashSet, CreatedByKindAndBehaviour) {
  dv_collection& set = dv_collection::create(0, 0, 0);
  dv_collection& bag = dv_collection::create(0, dv_allow_duplicates, 0);
  EXPECT_STREQ(set.rep_name(), "_RH_dynhash");
  EXPECT_EQ(set._rep_enum(), 4);
  EXPECT_EQ(set.get_behavior(), 0u);
  EXPECT_EQ(set._fast_count(), 0);
  EXPECT_STREQ(bag.rep_name(), "_RH_dynhash");
  EXPECT_EQ(bag._rep_enum(), 5);
  EXPECT_EQ(bag.get_behavior(), 2u);
  EXPECT_EQ(bag._fast_count(), 1);
  EXPECT_NO_THROW((void)static_cast<dv_set&>(set));
  EXPECT_NO_THROW((void)static_cast<dv_bag&>(bag));
  dv_collection::destroy(set);
  dv_collection::destroy(bag);
}

TEST(HashSet, ASetHoldsAnElementOnce) {
  dv_set set(0);
  int a = 0;
  set.insert(&a);
  set.insert(&a);
  EXPECT_EQ(set.cardinality(), 1u);
  EXPECT_EQ(set.count(&a), 1);
  EXPECT_EQ(set.only(), &a);
  int b = 0;
  EXPECT_EQ(set.remove(&b), 0);  // not there: nothing changes
  EXPECT_EQ(set.cardinality(), 1u);
  EXPECT_EQ(set.remove(&a), 1);
  EXPECT_TRUE(set.empty());
  EXPECT_EQ(set.pick(), nullptr);
}

TEST(HashSet, ABagCountsOccurrences) {
  dv_bag bag(0);
  int a = 0;
  for (int i = 0; i < 3; ++i) bag.insert(&a);
  EXPECT_EQ(bag.cardinality(), 3u);
  EXPECT_EQ(bag.count(&a), 3);
  EXPECT_EQ(bag.compute_n_keys(), 1u);  // one occupied slot
  EXPECT_EQ(walk(bag), (std::multiset<void*>{&a, &a, &a}));
  EXPECT_EQ(bag.remove(&a), 0);  // still held twice
  EXPECT_EQ(bag.remove(&a), 0);
  EXPECT_EQ(bag.remove(&a), 1);
  EXPECT_TRUE(bag.empty());
  EXPECT_NO_THROW(bag.check_hash_invariants());
}

TEST(HashSet, NullIsRefusedBeforeAnythingIsStored) {
  dv_set set(0);
  EXPECT_EQ(thrown_by([&] { set.insert(nullptr); }),
            "dv_err_coll_nulls - <err-0024-1910>an attempt was made to insert a null element");
  EXPECT_EQ(set.directory_size(), 1u);
  EXPECT_EQ(set.table(0), nullptr);
  EXPECT_TRUE(set.empty());
}

TEST(HashSet, RemovalThroughACursor) {
  dv_bag bag(0);
  int a = 0, b = 0;
  bag.insert(&a);
  bag.insert(&b);
  bag.insert(&b);
  dv_cursor c(bag);
  void* first = c.retrieve();
  c.remove_at();
  EXPECT_TRUE(c.at_deleted_element());
  EXPECT_EQ(thrown_by([&] { c.remove_at(); }),
            "dv_err_coll_illegal_cursor - <err-0024-1960>remove_at() invoked with the cursor positioned at a deleted "
            "element");
  EXPECT_EQ(bag.cardinality(), 2u);
  // The walk goes on with what is left.
  std::multiset<void*> rest;
  for (void* e = c.next(); c.more(); e = c.next()) rest.insert(e);
  std::multiset<void*> all{&a, &b, &b};
  all.erase(all.find(first));
  EXPECT_EQ(rest, all);
  EXPECT_NO_THROW(bag.check_hash_invariants());
}

TEST(HashSet, RemoveAtWithoutPositionIsANullCursor) {
  dv_set set(0);
  dv_cursor c(set);  // nothing to stand on
  EXPECT_EQ(thrown_by([&] { c.remove_at(); }),
            "dv_err_coll_null_cursor - <err-0024-1955>remove_at() invoked with a null cursor");
  EXPECT_EQ(thrown_by([&] { (void)set.retrieve(c); }),
            "dv_err_coll_null_cursor - <err-0024-1995>retrieve() attempted on a null cursor");
}

// Removing every element, and removing every other one, in one walk: each
// element is visited exactly once although the tables empty under the
// cursor.
TEST(HashSet, RemovingThroughOneCursorVisitsEachElementOnce) {
  for (int every : {1, 2}) {
    for (unsigned behavior : {0u, 2u}) {
      SCOPED_TRACE(std::to_string(every) + "/" + std::to_string(behavior));
      dv_collection& c = dv_collection::create(0, behavior, 0);
      std::vector<int> elements(3000);
      for (auto& e : elements) c.insert(&e);
      if (behavior != 0)
        for (unsigned i = 0; i < elements.size(); i += 3) c.insert(&elements[i]);
      const std::multiset<void*> before = walk(c);
      std::multiset<void*> visited, removed;
      dv_cursor cursor(c);
      int n = 0;
      for (void* e = cursor.first(); cursor.more(); e = cursor.next()) {
        visited.insert(e);
        if (n++ % every == 0) {
          cursor.remove_at();
          removed.insert(e);
        }
      }
      EXPECT_EQ(visited, before);
      EXPECT_EQ(c.cardinality(), before.size() - removed.size());
      std::multiset<void*> left = before;
      for (void* e : removed) left.erase(left.find(e));
      EXPECT_EQ(walk(c), left);
      EXPECT_NO_THROW(c.check_rep_invariants());
      // The next inserts reorganise the tables the walk left behind.
      int extra = 0;
      c.insert(&extra);
      EXPECT_NO_THROW(c.check_rep_invariants());
      dv_collection::destroy(c);
    }
  }
}

TEST(HashSet, BackwardWalkDeliversEveryOccurrence) {
  dv_bag bag(0);
  std::vector<int> elements(50);
  std::multiset<void*> expected;
  for (unsigned i = 0; i < elements.size(); ++i)
    for (unsigned k = 0; k <= i % 3; ++k) {
      bag.insert(&elements[i]);
      expected.insert(&elements[i]);
    }
  std::multiset<void*> seen;
  dv_cursor c(bag);
  for (void* e = c.last(); c.more(); e = c.previous()) seen.insert(e);
  EXPECT_EQ(seen, expected);
}

TEST(HashSet, ClearEmptiesButKeepsTheTables) {
  dv_bag bag(0);
  std::vector<int> elements(2000);
  for (auto& e : elements) bag.insert(&e);
  bag.insert(&elements[0]);
  const unsigned tables = bag.directory_size();
  bag.clear();
  EXPECT_TRUE(bag.empty());
  EXPECT_EQ(bag.directory_size(), tables);
  EXPECT_EQ(bag.compute_n_keys(), 0u);
  EXPECT_EQ(walk(bag).size(), 0u);
  EXPECT_NO_THROW(bag.check_hash_invariants());
  bag.insert(&elements[5]);
  EXPECT_EQ(bag.count(&elements[5]), 1);
}

// A bag that counts what its slots are asked to remove.
class counting_bag : public dv_dyn_bag {
 public:
  explicit counting_bag(unsigned expected) : dv_dyn_bag(expected) {}
  void slot_remove(void* slot, unsigned t, unsigned i, const void* e, int& emptied) override {
    ++removals;
    dv_dyn_bag::slot_remove(slot, t, i, e, emptied);
  }
  int removals = 0;
};

TEST(HashSet, ClearReleasesEverySlotThroughTheSlotOperations) {
  counting_bag bag(0);
  std::vector<int> elements(10);
  for (auto& e : elements) bag.insert(&e);
  bag.insert(&elements[3]);
  bag.removals = 0;
  bag.clear();
  EXPECT_EQ(bag.removals, 11);  // each occurrence, so that slot classes release key copies
  EXPECT_NO_THROW(bag.check_hash_invariants());
}

TEST(HashSet, ACopiedCursorWalksOnByItself) {
  dv_bag bag(0);
  std::vector<int> elements(300);
  for (auto& e : elements) bag.insert(&e);
  bag.insert(&elements[9]);
  dv_cursor a(bag);
  for (int i = 0; i < 40; ++i) a.next();
  dv_cursor b(a);
  EXPECT_EQ(b.retrieve(), a.retrieve());
  std::vector<void*> rest_a, rest_b;
  for (void* e = a.next(); a.more(); e = a.next()) rest_a.push_back(e);
  EXPECT_EQ(b.retrieve() != nullptr, true);  // a's walk did not move b
  for (void* e = b.next(); b.more(); e = b.next()) rest_b.push_back(e);
  EXPECT_EQ(rest_a, rest_b);
  EXPECT_EQ(rest_a.size(), 301u - 41u);
}

TEST(HashSet, CopiesHaveStorageOfTheirOwn) {
  std::vector<int> elements(1500);
  dv_bag original(0);
  for (auto& e : elements) original.insert(&e);
  original.insert(&elements[7]);

  dv_bag copy(original);
  EXPECT_NE(copy.index(), original.index());
  EXPECT_EQ(walk(copy), walk(original));
  copy.remove(&elements[0]);
  EXPECT_TRUE(original.contains(&elements[0]));
  EXPECT_EQ(original.cardinality(), 1501u);

  dv_set assigned(0);
  int other = 0;
  assigned.insert(&other);
  dv_set source(0);
  for (auto& e : elements) source.insert(&e);
  assigned = source;
  EXPECT_NE(assigned.index(), source.index());
  EXPECT_FALSE(assigned.contains(&other));
  EXPECT_EQ(walk(assigned), walk(source));
  source.clear();
  EXPECT_EQ(assigned.cardinality(), 1500u);
  EXPECT_NO_THROW(assigned.check_hash_invariants());
  EXPECT_NO_THROW(copy.check_hash_invariants());
}

TEST(HashSet, AssigningThroughTheDictionaryPartAssignsTheElements) {
  int kept = 0, first = 0, second = 0;
  dv_set target(0);
  target.insert(&kept);
  dv_set source(0);
  source.insert(&first);
  source.insert(&second);
  dv_dictionary& as_dictionary = target;
  as_dictionary = static_cast<const dv_dictionary&>(source);
  EXPECT_EQ(walk(target), (std::multiset<void*>{&first, &second}));
  EXPECT_EQ(walk(source), (std::multiset<void*>{&first, &second}));
  EXPECT_NO_THROW(target.check_hash_invariants());
}

TEST(HashSet, TypedSetsAndBags) {
  dv_Set<int>& set = dv_Set<int>::create(dv_database::get_transient_database());
  dv_Bag<int>& bag = dv_Bag<int>::create(dv_database::get_transient_database());
  int a = 0;
  set.insert(&a);
  bag.insert(&a);
  bag.insert(&a);
  EXPECT_EQ(set.cardinality(), 1u);
  EXPECT_EQ(bag.count(&a), 2);
  EXPECT_EQ(set.pick(), &a);
  dv_collection::destroy(set);
  dv_collection::destroy(bag);
}

TEST(HashSetErrors, RefusedOperationsOfSetsAndBags) {
  dv_set set(0);
  dv_cursor c(set);
  const void* out = nullptr;
  int a = 0;
  const std::string positional = "dv_err_coll_not_supported - Operation not supported by sets and bags";
  struct row {
    const char* name;
    std::function<void()> call;
    std::string text;
  };
  const std::vector<row> rows{
      {"retrieve(n)", [&] { (void)set.retrieve(0u); },
       "dv_err_coll_not_supported - sets and bags do not support dv_collection::retrieve(dv_unsigned_int32)"},
      {"remove_at(n)", [&] { set.remove_at(0u); },
       "dv_err_coll_not_supported - sets and bags do not support remove_at(dv_unsigned_int32)"},
      {"insert_first", [&] { set.insert_first(&a); }, positional},
      {"insert_last", [&] { set.insert_last(&a); }, positional},
      {"insert_after(n)", [&] { set.insert_after(&a, 0u); }, positional},
      {"insert_after(c)", [&] { set.insert_after(&a, c); }, positional},
      {"insert_before(n)", [&] { set.insert_before(&a, 0u); }, positional},
      {"insert_before(c)", [&] { set.insert_before(&a, c); }, positional},
      {"remove_first", [&] { set.remove_first(out); }, positional},
      {"remove_last", [&] { set.remove_last(out); }, positional},
      {"retrieve_first", [&] { set.retrieve_first(out); }, positional},
      {"retrieve_last", [&] { set.retrieve_last(out); }, positional},
      {"replace_at(n)", [&] { set.replace_at(&a, 0u); }, positional},
      {"replace_at(c)", [&] { set.replace_at(&a, c); }, positional},
  };
  for (const row& r : rows) EXPECT_EQ(thrown_by(r.call), r.text) << r.name;
}

}  // namespace
