// Guards that chained lists stored by earlier builds stay readable: a
// committed database (fixtures/stored_lists.db, made as fixtures/README.md
// says) holds a list facade, a bare list that refuses duplicates, and a keyed
// hash table whose overflow lists keep their elements in heads stored as
// "dv_qem::dv_list". A copy is opened at another address, walked,
// self-checked and edited (old overflow lists grow and shrink, new ones are
// made beside them) and saved; a second process sees every edit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <typeinfo>
#include <vector>

#include "coll_db_test.h"
#include "dv_coll_typed.h"
#include "dv_cursor.h"
#include "dv_database_root.h"
#include "dv_list.h"
#include "dv_new.h"
#include "dv_rh_slot.h"
#include "dv_rhash.h"
#include "dv_test_process.h"
#include "dv_thrown_by.h"
#include "dv_typespec.h"
#include "durnavel.h"
#include "rhash_oflo_list.h"

using namespace dv_qem;

namespace {
struct Item {
  int number;
};

// The roots of the fixture, in one object.
struct Anchor {
  dv_collection* list;  // a dv_List facade
  dv_list* bare;        // a bare list refusing duplicates with a signal
  _Rhash* table;        // int keys, duplicates kept in overflow lists
  Item* items;          // items 0 .. item_count-1
};
}  // namespace
DV_DEFINE_TYPESPEC(Item, "StoredListsItem", DV_NO_POINTERS, DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Anchor, "StoredListsAnchor", DV_POINTERS(0, 4, 8, 12), DV_NO_VTABLES);

namespace {

constexpr int item_count = 64;
constexpr unsigned refuse_and_signal_duplicates = 0x10014;
constexpr unsigned keep_duplicates = 0;  // behaviour bit 0x2 clear

// The fixture's contents, as the maker stored them.
std::vector<int> stored_list() {
  std::vector<int> v;
  for (int i = 0; i < 40; ++i)
    if (i % 5 != 0) v.push_back(i);
  return v;
}
// Key -> items held under it.
struct KeyRow {
  int key;
  std::vector<int> items;
};
std::vector<KeyRow> stored_keys() {
  std::vector<KeyRow> rows{{7, {50, 51, 52}}, {8, {53}}, {9, {}}};
  for (int i = 54; i < 64; ++i) rows[2].items.push_back(i);
  return rows;
}

std::string fixture_path() {
  return (std::filesystem::path(__FILE__).parent_path() / "fixtures" / "stored_lists.db").string();
}
std::string file() { return std::getenv("DV_TEST_FILE"); }

Anchor* anchor_of(dv_database* db) {
  return static_cast<Anchor*>(db->find_root("anchor")->get_value(&dv_ts<Anchor>::the_instance));
}

std::vector<int> numbers(const dv_collection& c) {
  std::vector<int> out;
  dv_cursor walk(c);
  for (void* e = walk.retrieve(); walk.more(); e = walk.next()) out.push_back(static_cast<Item*>(e)->number);
  return out;
}

// The name of the typespec an object was stored with.
std::string stored_type(void* object) {
  unsigned count = 0, offset = 0;
  const dv_typespec* ts = dv_typespec::typespec_at(object, count, offset);
  return ts != nullptr ? ts->get_name() : "(none)";
}

// The chained list of an overflowed key's slot, or null.
dv_collection* overflow_list(_Rhash* table, int key) {
  unsigned t = 0, i = 0, hash = 0;
  int found = 0;
  void* slot = table->find_slot(&key, _RH_lookup, t, hash, i, found);
  if (!found || !table->has_overflow(t, i)) return nullptr;
  return static_cast<_RH_oflo_list*>(static_cast<_RH_slot<int>*>(slot)->element())->elements();
}

std::vector<int> under_key(_Rhash* table, int key) {
  std::vector<int> out;
  if (dv_collection* list = overflow_list(table, key)) return numbers(*list);
  unsigned found = 0;
  if (void* e = table->__pick(0, &key, found)) out.push_back(static_cast<Item*>(e)->number);
  return out;
}

class StoredLists : public dv_test::coll_db_test {};
class StoredListsChild : public dv_test::coll_child_test {};

// After the edit in Reopen.
std::vector<int> edited_list() {
  std::vector<int> v{0};
  for (int n : stored_list())
    if (n % 3 != 0) v.push_back(n);
  v.push_back(40);
  return v;
}

void expect_edited(Anchor* a) {
  EXPECT_EQ(numbers(*a->list), edited_list());
  EXPECT_EQ(numbers(*a->bare), (std::vector<int>{41, 42, 43}));
  EXPECT_EQ(under_key(a->table, 7), (std::vector<int>{50, 52, 49}));
  EXPECT_EQ(under_key(a->table, 8), (std::vector<int>{53}));
  EXPECT_EQ(under_key(a->table, 9), (std::vector<int>{54, 55, 56, 57, 58}));
  EXPECT_EQ(under_key(a->table, 10), (std::vector<int>{44, 45}));
  // An old overflow list stays what it was; a new one is the 4/8 chained list.
  EXPECT_EQ(stored_type(overflow_list(a->table, 7)), "dv_qem::dv_list");
  EXPECT_EQ(stored_type(overflow_list(a->table, 10)), "dv_qem::dv_chained_list_4_8");
  a->list->check_rep_invariants();
  a->bare->check_rep_invariants();
  a->table->check_hash_invariants();
}

TEST_F(StoredLists, AFileOfAnEarlierBuildOpensAndWorks) {
  ASSERT_TRUE(std::filesystem::exists(fixture_path())) << fixture_path();
  std::string db = path("stored_lists.db");
  std::filesystem::copy_file(fixture_path(), db);
  ASSERT_EQ(dv_test::run_child("StoredListsChild.Reopen", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x20000000"}}), 0);
  EXPECT_EQ(dv_test::run_child("StoredListsChild.See", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x24100000"}}), 0);
}

TEST_F(StoredListsChild, Reopen) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  Anchor* a = anchor_of(db);
  ASSERT_NE(a, nullptr);

  // The list facade and the bare list: heads stored as dv_list.
  dv_collection* rep = static_cast<dv_outofline_collection*>(a->list)->get_outofline();
  EXPECT_EQ(stored_type(rep), "dv_qem::dv_list");
  EXPECT_EQ(typeid(*rep), typeid(dv_list));
  a->list->check_rep_invariants();
  EXPECT_EQ(numbers(*a->list), stored_list());
  EXPECT_EQ(stored_type(a->bare), "dv_qem::dv_list");
  EXPECT_EQ(a->bare->get_behavior(), refuse_and_signal_duplicates);
  EXPECT_NE(dv_test::thrown_by([&] { a->bare->insert(&a->items[40]); }).find("<err-0024-0365>"), std::string::npos);

  // The table's overflow lists: chained lists stored as dv_list.
  for (const KeyRow& row : stored_keys()) EXPECT_EQ(under_key(a->table, row.key), row.items) << row.key;
  for (int key : {7, 9}) {
    ASSERT_NE(overflow_list(a->table, key), nullptr) << key;
    EXPECT_EQ(stored_type(overflow_list(a->table, key)), "dv_qem::dv_list") << key;
    overflow_list(a->table, key)->check_rep_invariants();
  }
  a->table->check_hash_invariants();

  // Edits: the list loses every element whose number is a multiple of 3 and
  // gains a first and a last one; the bare list its first and a new last one.
  {
    dv_cursor c(*a->list);
    for (void* e = c.retrieve(); c.more(); e = c.next())
      if (static_cast<Item*>(e)->number % 3 == 0) c.remove_at();
  }
  a->list->insert_first(&a->items[0]);
  a->list->insert_last(&a->items[40]);
  a->bare->remove(&a->items[40]);
  a->bare->insert(&a->items[43]);
  // Old overflow lists grow and shrink; a new key makes a new one.
  int found = 0;
  int key = 7;
  a->table->__insert(&a->items[49], &key, nullptr, nullptr, found);
  a->table->__remove(&a->items[51], &key, nullptr);
  key = 9;
  for (int i = 59; i < 64; ++i) a->table->__remove(&a->items[i], &key, nullptr);
  key = 10;
  a->table->__insert(&a->items[44], &key, nullptr, nullptr, found);
  a->table->__insert(&a->items[45], &key, nullptr, nullptr, found);
  ASSERT_NE(overflow_list(a->table, 10), nullptr);
  expect_edited(a);
  db->save();
  db->close();
}

TEST_F(StoredListsChild, See) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  expect_edited(anchor_of(db));
  db->close();
}

// Writes the fixture's database to DV_MAKE_LIST_FIXTURE (see fixtures/README.md).
TEST_F(StoredListsChild, MakeFixture) {
  const char* target = std::getenv("DV_MAKE_LIST_FIXTURE");
  if (target == nullptr) GTEST_SKIP() << "set DV_MAKE_LIST_FIXTURE to write the fixture";
  dv_database* db = dv_database::create(target, 0644, 0, 0);
  auto* a = new (db, &dv_ts<Anchor>::the_instance) Anchor{};
  a->items = static_cast<Item*>(::operator new(sizeof(Item) * item_count, db, &dv_ts<Item>::the_instance, item_count));
  for (int i = 0; i < item_count; ++i) a->items[i].number = i;
  a->list = &dv_List<Item>::create(db);
  for (int i = 0; i < 40; ++i) a->list->insert(&a->items[i]);
  for (int i = 0; i < 40; i += 5) a->list->remove(&a->items[i]);
  a->bare = &dv_list::create(db, refuse_and_signal_duplicates);
  for (int i = 40; i < 43; ++i) a->bare->insert(&a->items[i]);
  a->table = _Rhash::create(a, _Coll_cluster_default, "int", 4, 1, 0, keep_duplicates, nullptr);
  int found = 0;
  for (const KeyRow& row : stored_keys())
    for (int i : row.items) a->table->__insert(&a->items[i], &row.key, nullptr, nullptr, found);
  db->create_root("anchor")->set_value(a, &dv_ts<Anchor>::the_instance);
  db->save();
  db->close();
}

}  // namespace
