// Guards a stored chained list across processes: one process saves a root
// facade whose list holds 1,000 persistent objects; a second maps the
// database at another address, walks the list (head and block links
// relocated), edits it, self-checks and saves; a third sees the edits.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_coll_typed.h"
#include "dv_cursor.h"
#include "dv_database_root.h"
#include "dv_list.h"
#include "dv_new.h"
#include "dv_test_process.h"
#include "dv_typespec.h"
#include "durnavel.h"

using namespace dv_qem;

namespace {
struct Item {
  int number;
};
}  // namespace
DV_DEFINE_TYPESPEC(Item, "ListProcessItem", DV_NO_POINTERS, DV_NO_VTABLES);

namespace {

constexpr int item_count = 1000;

class ListProcess : public dv_test::coll_db_test {};
class ListProcessChild : public dv_test::coll_child_test {};

std::string file() { return std::getenv("DV_TEST_FILE"); }

dv_List<Item>& root_list(dv_database* db) {
  return *static_cast<dv_List<Item>*>(db->find_root("items")->get_value(dv_outofline_collection::get_dv_typespec()));
}

std::vector<int> numbers(dv_List<Item>& list) {
  std::vector<int> out;
  dv_cursor c(list);
  for (void* e = c.retrieve(); c.more(); e = c.next()) out.push_back(static_cast<Item*>(e)->number);
  return out;
}

// After the edit: every third item gone, -1 first, 1000 last.
std::vector<int> edited() {
  std::vector<int> v{-1};
  for (int i = 0; i < item_count; ++i)
    if (i % 3 != 0) v.push_back(i);
  v.push_back(item_count);
  return v;
}

TEST_F(ListProcess, AStoredListIsWalkedAndEditedElsewhere) {
  std::string db = path("list.db");
  ASSERT_EQ(dv_test::run_child("ListProcessChild.Create", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x20000000"}}), 0);
  ASSERT_EQ(dv_test::run_child("ListProcessChild.Edit", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x28000000"}}), 0);
  EXPECT_EQ(dv_test::run_child("ListProcessChild.See", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x20000000"}}), 0);
}

TEST_F(ListProcessChild, Create) {
  dv_database* db = dv_database::create(file().c_str(), 0644, 0, 0);
  auto* items = static_cast<Item*>(::operator new(sizeof(Item) * item_count, db, &dv_ts<Item>::the_instance, item_count));
  for (int i = 0; i < item_count; ++i) items[i].number = i;
  dv_List<Item>& list = dv_List<Item>::create(db);
  for (int i = 0; i < item_count; ++i) list.insert(&items[i]);
  list.check_rep_invariants();
  db->create_root("items")->set_value(&list, dv_outofline_collection::get_dv_typespec());
  db->save();
  db->close();
}

TEST_F(ListProcessChild, Edit) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x28000000));
  dv_List<Item>& list = root_list(db);
  EXPECT_STREQ(list.rep_name(), "dv_chained_list");
  list.check_rep_invariants();
  std::vector<int> all(item_count);
  for (int i = 0; i < item_count; ++i) all[i] = i;
  ASSERT_EQ(numbers(list), all);
  EXPECT_EQ(list.retrieve(999u)->number, 999);
  {
    dv_cursor c(list);
    int i = 0;
    for (c.retrieve(); c.more(); c.next(), ++i)
      if (i % 3 == 0) c.remove_at();
  }
  list.insert_first(new (db, &dv_ts<Item>::the_instance) Item{-1});
  list.insert_last(new (db, &dv_ts<Item>::the_instance) Item{item_count});
  list.check_rep_invariants();
  EXPECT_EQ(numbers(list), edited());
  db->save();
  db->close();
}

TEST_F(ListProcessChild, See) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  dv_List<Item>& list = root_list(db);
  list.check_rep_invariants();
  EXPECT_EQ(numbers(list), edited());
  db->close();
}

}  // namespace
