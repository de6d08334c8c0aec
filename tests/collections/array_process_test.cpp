// Guards a stored array seen by another process that maps the database at
// another address: process A saves a root facade whose array holds 1,000
// persistent objects (with nulls and duplicates); process B reopens it
// elsewhere, finds the slot array and the high-water slot relocated, walks
// and edits it (growth included) and saves; process A sees B's edit. Every
// process runs the self-check.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_array.h"
#include "dv_coll_typed.h"
#include "dv_cursor.h"
#include "dv_database_root.h"
#include "dv_new.h"
#include "dv_test_process.h"
#include "durnavel.h"

using namespace dv_qem;

namespace {

struct Item {
  int id;
  int tag;  // keeps the object at the allocator's minimum size
};

constexpr unsigned kItems = 1000;

// Element i of the saved array: null every 100th, else item i (items 0-9 twice, at 10 and 20 ...).
bool is_null_at(unsigned i) { return i % 100 == 99; }

class ArrayProcess : public dv_test::coll_db_test {};
class ArrayProcessChild : public dv_test::coll_child_test {
 protected:
  static dv_Array<Item>& root(dv_database* db) {
    return *static_cast<dv_Array<Item>*>(
        db->find_root("items")->get_value(dv_outofline_collection::get_dv_typespec()));
  }
  static dv_array& rep(dv_Array<Item>& a) { return static_cast<dv_array&>(*a.get_outofline()); }
};

std::string file() { return std::getenv("DV_TEST_FILE"); }

}  // namespace

DV_DEFINE_TYPESPEC(Item, "array_process_test::Item", DV_NO_POINTERS, DV_NO_VTABLES);

namespace {

TEST_F(ArrayProcess, AStoredArrayWorksInAnotherProcess) {
  std::string db = path("array.db");
  const std::pair<std::string, std::string> at_a{"DV_QEM_AS_START", "0x20000000"};
  const std::pair<std::string, std::string> at_b{"DV_QEM_AS_START", "0x28000000"};
  ASSERT_EQ(dv_test::run_child("ArrayProcessChild.Create", {{"DV_TEST_FILE", db}, at_a}), 0);
  ASSERT_EQ(dv_test::run_child("ArrayProcessChild.WalkAndEdit", {{"DV_TEST_FILE", db}, at_b}), 0);
  EXPECT_EQ(dv_test::run_child("ArrayProcessChild.SeeTheEdit", {{"DV_TEST_FILE", db}, at_a}), 0);
}

TEST_F(ArrayProcessChild, Create) {
  dv_database* db = dv_database::create(file().c_str(), 0644, 0, 0);
  std::vector<Item*> items;
  for (unsigned i = 0; i < kItems; ++i) {
    items.push_back(new (db, &dv_ts<Item>::the_instance) Item);
    items.back()->id = static_cast<int>(i);
  }
  dv_Array<Item>& a = dv_Array<Item>::create(db);
  db->create_root("items")->set_value(&a, dv_outofline_collection::get_dv_typespec());
  for (unsigned i = 0; i < kItems; ++i) a.insert_last(is_null_at(i) ? nullptr : items[i]);
  a.insert_last(items[5]);  // a duplicate
  rep(a).check_rep_invariants();
  db->save();
  db->close();
}

TEST_F(ArrayProcessChild, WalkAndEdit) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x28000000));
  dv_Array<Item>& a = root(db);
  dv_array& r = rep(a);
  r.check_rep_invariants();
  ASSERT_EQ(a.cardinality(), kItems + 1);
  ASSERT_EQ(dv_database::of(&r), db);
  // Every element is an item of this mapping (or null), in order.
  dv_cursor c(a);
  unsigned i = 0;
  for (void* e = nullptr; c.more(); c.next(e), ++i) {
    Item* item = static_cast<Item*>(c.retrieve());
    if (i == kItems) {
      ASSERT_EQ(item->id, 5);
    } else if (is_null_at(i)) {
      ASSERT_EQ(item, nullptr) << i;
    } else {
      ASSERT_EQ(dv_database::of(item), db) << i;
      ASSERT_EQ(item->id, static_cast<int>(i)) << i;
    }
  }
  ASSERT_EQ(i, kItems + 1);
  EXPECT_EQ(a.count(a.retrieve(5)), 2);
  // Edit: drop the nulls, move the last item to the front, grow past capacity.
  EXPECT_EQ(r._remove_all(nullptr), 1);
  Item* last = a.remove_last();
  a.insert_first(last);
  unsigned capacity = r.capacity();
  while (r.capacity() == capacity) a.insert_last(a.retrieve(1));
  r.check_rep_invariants();
  db->save();
  db->close();
}

TEST_F(ArrayProcessChild, SeeTheEdit) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x20000000));
  dv_Array<Item>& a = root(db);
  rep(a).check_rep_invariants();
  EXPECT_EQ(a.count(static_cast<const Item*>(nullptr)), 0);
  EXPECT_EQ(a.retrieve(0u)->id, 5);
  EXPECT_EQ(a.retrieve(1u)->id, 0);
  EXPECT_EQ(a.retrieve_last()->id, 0);
  EXPECT_GT(a.cardinality(), kItems - 10 + 1);
  EXPECT_GT(rep(a).capacity(), a.cardinality());
  db->close();
}

}  // namespace
