// Guards named roots: the dictionary made with the first root, creating,
// finding, listing, counting and destroying roots, their stored layout, typed
// values with their refusals and texts, and roots surviving a move of the
// image.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "alloc_test_db.h"
#include "db_roots.h"
#include "self_relative.h"
#include "type_manager.h"

using namespace dv_qem;
using alloc_test::sized_type;
using alloc_test::test_db;

namespace {

void* new_object(_DB_allocator& a, dv_typespec* ts) {
  return a.allocate(ts->get_size(), ts, 0, user_page_group);
}

}  // namespace

TEST(Roots, TheDictionaryIsMadeWithTheFirstRoot) {
  test_db db;
  _DB_allocator& a = db.create();
  _DB_roots roots(a);
  EXPECT_EQ(db.header()->roots, 0);
  EXPECT_EQ(roots.find("none"), nullptr);
  EXPECT_EQ(roots.count(), 0u);
  _DB_root* root = roots.create("first");
  ASSERT_NE(db.header()->roots, 0);
  auto* dictionary = reinterpret_cast<_DB_root_dictionary*>(resolve_self_relative(&db.header()->roots));
  EXPECT_EQ(dictionary->table_size(), 11u);
  _DB_allocator::object_info info;
  ASSERT_TRUE(a.object_at(dictionary, info));
  EXPECT_STREQ(info.ts->get_name(), "_Chash<dv_char_star_nocopy,_DB_root*>");
  ASSERT_TRUE(a.object_at(root, info));
  EXPECT_STREQ(info.ts->get_name(), "_DB_root");
  EXPECT_EQ(a.heap_of_page(a.page_address(a.page_number(root)))->page_group(), system_page_group);
  // The record: tag 0, a name copy of length + 1 chars, a null value.
  EXPECT_EQ(root->get_tag(), 0u);
  EXPECT_EQ(root->get_value(nullptr), nullptr);
  EXPECT_EQ(root->get_typespec(), nullptr);
  ASSERT_TRUE(a.object_at(root->get_name(), info));
  EXPECT_STREQ(info.ts->get_name(), "char");
  EXPECT_EQ(info.count, 6u);
  EXPECT_STREQ(root->get_name(), "first");
  a.self_check();
}

TEST(Roots, CreateFindListDestroy) {
  test_db db;
  _DB_allocator& a = db.create();
  _DB_roots roots(a);
  std::set<std::string> names;
  for (int i = 0; i < 30; ++i) {  // enough to reorganise the dictionary
    std::string name = "root" + std::to_string(i);
    _DB_root* root = roots.create(name.c_str());
    names.insert(name);
    EXPECT_EQ(roots.find(name.c_str()), root);
  }
  EXPECT_EQ(roots.count(), 30u);
  try {
    roots.create("root7");
    ADD_FAILURE();
  } catch (const dv_err_root_exists& e) {
    EXPECT_STREQ(e.get_report(), "dv_err_root_exists - A root named root7 already exists");
  }
  _DB_root* listed[40];
  EXPECT_EQ(roots.all(10, listed), 10u);
  ASSERT_EQ(roots.all(40, listed), 30u);
  std::set<std::string> seen;
  for (int i = 0; i < 30; ++i) seen.insert(listed[i]->get_name());
  EXPECT_EQ(seen, names);
  a.self_check();

  for (int i = 0; i < 30; i += 2) roots.destroy(roots.find(("root" + std::to_string(i)).c_str()));
  EXPECT_EQ(roots.count(), 15u);
  EXPECT_EQ(roots.find("root4"), nullptr);
  EXPECT_NE(roots.find("root5"), nullptr);
  a.self_check();
}

TEST(Roots, TypedValues) {
  sized_type part("Part", 16), other("Other", 16), never("Never", 8);
  test_db db;
  _DB_allocator& a = db.create();
  _DB_roots roots(a);
  _DB_root* root = roots.create("parts");
  void* value = new_object(a, part.ts());
  new_object(a, other.ts());

  // Without a type: the value, but no type to check against.
  root->set_value(value, nullptr);
  EXPECT_EQ(root->get_value(nullptr), value);
  try {
    root->get_value(part.ts());
    ADD_FAILURE();
  } catch (const dv_err_root_type_mismatch& e) {
    EXPECT_STREQ(e.get_report(),
                 "dv_err_root_type_mismatch - No type was recorded for root parts.An attempt was made "
                 "to retrieve its value assuming type Part");
  }

  root->set_value(value, part.ts());
  EXPECT_EQ(root->get_tag(), a.types().find_tag("Part"));
  EXPECT_EQ(root->get_typespec(), part.ts());
  EXPECT_EQ(root->get_value(part.ts()), value);
  try {
    root->get_value(other.ts());
    ADD_FAILURE();
  } catch (const dv_err_root_type_mismatch& e) {
    EXPECT_STREQ(e.get_report(),
                 "dv_err_root_type_mismatch - The type of root parts is: Part.  An attempt was made to "
                 "retrieve its value assuming type Other");
  }

  try {
    root->set_value(value, never.ts());
    ADD_FAILURE();
  } catch (const dv_err_unmarked_type& e) {
    EXPECT_STREQ(e.get_report(),
                 "dv_err_unmarked_type - No instances of type Never have been allocated in the database");
  }
  EXPECT_EQ(root->get_value(part.ts()), value);  // unchanged

  static int transient;
  EXPECT_THROW(root->set_value(&transient, nullptr), dv_err_invalid_root_value);
  root->set_value(nullptr, nullptr);
  EXPECT_EQ(root->get_value(nullptr), nullptr);
  EXPECT_EQ(root->get_tag(), 0u);
}

TEST(Roots, RootsFollowTheImageToAnotherAddress) {
  sized_type part("Part", 16);
  test_db from("from.db");
  _DB_allocator& a = from.create();
  _DB_roots(a).create("anchor")->set_value(new_object(a, part.ts()), part.ts());
  void* old_value = _DB_roots(a).find("anchor")->get_value(nullptr);

  test_db to("to.db");
  _DB_allocator& b = to.open_copy_of(from);
  _DB_root* root = _DB_roots(b).find("anchor");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->get_value(part.ts()), static_cast<char*>(old_value) + (to.start() - from.start()));
  EXPECT_EQ(_DB_allocator::serving(root), &b);
  b.self_check();
}
