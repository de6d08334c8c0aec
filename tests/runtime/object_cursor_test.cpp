// Guards the object cursor: the order of its walk (newest page first, newest
// object first), objects behind vector headers, large objects, system
// objects never visited, an empty database, setting it to an address (the
// middle of an array element, and the refusals with their texts), a closed
// database; and the typespec of an address.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "address_word.h"
#include "alloc_test_db.h"
#include "db_roots.h"
#include "object_cursor.h"

using namespace dv_qem;
using alloc_test::sized_type;
using alloc_test::test_db;

namespace {

struct seen {
  void* object;
  const dv_typespec* ts;
  dv4u count;
};

std::vector<seen> walk(_DB_object_cursor& cursor) {
  std::vector<seen> all;
  for (cursor.first(); cursor.more(); cursor.next()) {
    seen s{};
    EXPECT_EQ(cursor.current(s.object, s.ts, s.count), 1);
    all.push_back(s);
  }
  return all;
}

std::string report_of(const std::function<void()>& action) {
  try {
    action();
  } catch (const dv_err& e) {
    return e.get_report();
  }
  return "(nothing thrown)";
}

std::string hex(const void* p) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", word_of(p));
  return text;
}

}  // namespace

TEST(ObjectCursor, AnEmptyDatabaseHasNoObject) {
  test_db db;
  db.create();
  _DB_roots(db.allocator()).create("system objects only");
  _DB_object_cursor cursor(db.dvdb());
  cursor.first();
  EXPECT_EQ(cursor.more(), 0);
  void* object = &cursor;
  const dv_typespec* ts = dv_typespec::get_int();
  dv4u count = 7;
  EXPECT_EQ(cursor.current(object, ts, count), 0);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(ts, nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(report_of([&] { cursor.next(); }), "dv_err_cursor_at_end - There are no more objects.");
}

TEST(ObjectCursor, WalksNewestPageAndNewestObjectFirst) {
  sized_type item("Item", 24);
  test_db db;
  _DB_allocator& a = db.create();
  std::vector<void*> made;
  for (int i = 0; i < 3; ++i) made.push_back(a.allocate(24, item.ts(), 0, user_page_group));       // page 1
  made.push_back(a.allocate(4000, dv_typespec::get_char(), 4000, user_page_group));                  // page 2
  made.push_back(static_cast<char*>(a.allocate(3 * 24 + 4, item.ts(), 3, user_page_group)) + 4);    // page 1
  made.push_back(a.allocate(20000, dv_typespec::get_char(), 20000, user_page_group));                // a region
  a.allocate(100, dv_typespec::get_char(), 100, system_page_group);

  _DB_object_cursor cursor(db.dvdb());
  std::vector<seen> all = walk(cursor);
  ASSERT_EQ(all.size(), 6u);
  // The region was added last, then page 2, then page 1.
  EXPECT_EQ(all[0].object, made[5]);
  EXPECT_EQ(all[0].count, 20000u);
  EXPECT_EQ(all[1].object, made[3]);
  EXPECT_EQ(all[2].object, made[4]);  // behind its vector header
  EXPECT_EQ(all[2].ts, item.ts());
  EXPECT_EQ(all[2].count, 3u);
  EXPECT_EQ(all[3].object, made[2]);
  EXPECT_EQ(all[4].object, made[1]);
  EXPECT_EQ(all[5].object, made[0]);
  EXPECT_EQ(all[5].count, 0u);
  EXPECT_EQ(cursor.more(), 0);
  EXPECT_EQ(report_of([&] { cursor.next(); }), "dv_err_cursor_at_end - There are no more objects.");
}

TEST(ObjectCursor, SetFindsTheObjectHoldingAnAddress) {
  sized_type item("Item", 24);
  test_db db;
  _DB_allocator& a = db.create();
  char* array = static_cast<char*>(a.allocate(5 * 24, item.ts(), 5, user_page_group));
  char* single = static_cast<char*>(a.allocate(24, item.ts(), 0, user_page_group));
  char* large = static_cast<char*>(a.allocate(20000, dv_typespec::get_char(), 20000, user_page_group));
  _DB_object_cursor cursor(db.dvdb());
  struct row {
    char* address;
    void* object;
  } rows[] = {{array + 2 * 24 + 7, array}, {array, array}, {single + 23, single}, {large + 12345, large}};
  for (const row& r : rows) {
    cursor.set(r.address);
    void* object;
    const dv_typespec* ts;
    dv4u count;
    ASSERT_EQ(cursor.current(object, ts, count), 1);
    EXPECT_EQ(object, r.object);
  }
  // From an object set into, the walk goes on in list order.
  cursor.set(array + 30);
  cursor.next();
  EXPECT_EQ(cursor.more(), 0);  // array was the oldest object of the oldest page
}

TEST(ObjectCursor, SetRefusals) {
  test_db db("cursor.db");
  _DB_allocator& a = db.create();
  test_db other("elsewhere.db");
  void* elsewhere = other.create().allocate(8, dv_typespec::get_char(), 8, user_page_group);
  char* object = static_cast<char*>(a.allocate(16, dv_typespec::get_char(), 16, user_page_group));
  void* system = a.allocate(16, dv_typespec::get_char(), 16, system_page_group);
  _DB_object_cursor cursor(db.dvdb());
  cursor.set(object);
  static int transient;
  char* in_no_database = other.start() + 20 * alloc_test::kMiB;
  struct row {
    const void* address;
    std::string text;
  } rows[] = {
      {&transient, "An object cursor can not be set to a transient address " + hex(&transient) + "."},
      {in_no_database, "The address " + hex(in_no_database) + " is not mapped by any database."},
      {elsewhere, "The address " + hex(elsewhere) + " is not mapped by the cursors current database cursor.db."},
      {object + 16, "There is no object at address " + hex(object + 16) + "."},
      {system, "There is no object at address " + hex(system) + "."},
      {db.start() + 10 * DV_PAGE_SIZE, "There is no object at address " + hex(db.start() + 10 * DV_PAGE_SIZE) + "."},
  };
  ASSERT_TRUE(_DV_int::is_persistent(in_no_database));
  for (const row& r : rows) {
    EXPECT_EQ(report_of([&] { cursor.set(r.address); }), "dv_err_cursor_not_at_object - " + r.text);
    void* at;
    const dv_typespec* ts;
    dv4u count;
    ASSERT_EQ(cursor.current(at, ts, count), 1);
    EXPECT_EQ(at, object);  // the position is kept
  }
}

TEST(ObjectCursor, TheDatabaseMustStillHoldTheObject) {
  auto db = std::make_unique<test_db>("closing.db");
  void* object = db->create().allocate(16, dv_typespec::get_char(), 16, user_page_group);
  _DB_object_cursor cursor(db->dvdb());
  cursor.first();
  ASSERT_EQ(cursor.more(), 1);
  db.reset();  // closed
  std::string text = "dv_err_cursor_not_at_object - The database closing.db no longer contains the current object at " +
                     hex(object) + ".";
  EXPECT_EQ(report_of([&] { cursor.more(); }), text);
  void* at;
  const dv_typespec* ts;
  dv4u count;
  EXPECT_EQ(report_of([&] { cursor.current(at, ts, count); }), text);
}

TEST(ObjectCursor, TypespecOfAnAddress) {
  sized_type item("Item", 24);
  test_db db;
  _DB_allocator& a = db.create();
  char* array = static_cast<char*>(a.allocate(4 * 24 + 4, item.ts(), 4, user_page_group)) + 4;
  unsigned count = 99, offset = 99;
  EXPECT_EQ(_DB_typespec_at(array + 50, count, offset), item.ts());
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(offset, 50u);
  EXPECT_EQ(_DB_typespec_at(array - 2, count, offset), nullptr);  // inside the vector header
  static int transient;
  EXPECT_EQ(_DB_typespec_at(&transient, count, offset), nullptr);
  _DB_root* root = _DB_roots(a).create("r");
  EXPECT_STREQ(_DB_typespec_at(root, count, offset)->get_name(), "_DB_root");
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(offset, 0u);
}
