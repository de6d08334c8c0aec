// Guards the schema paths kept in the database header: adding (the array
// made with 8 entries and doubled when full), refusing a duplicate, removing
// with the gap closed, listing into caller buffers, removing all, and the
// paths surviving a move of the image.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alloc_test_db.h"
#include "schema_paths.h"

using namespace dv_qem;
using alloc_test::test_db;

namespace {

std::vector<std::string> listed(const _DB_schema_paths& paths, dv4u max = 100) {
  std::vector<std::vector<char>> buffers(max, std::vector<char>(64));
  std::vector<char*> out;
  for (auto& b : buffers) out.push_back(b.data());
  dv4u n = paths.all(max, out.data());
  return std::vector<std::string>(out.begin(), out.begin() + n);
}

std::string path(int i) { return "C:\\schemas\\part" + std::to_string(i) + ".sch"; }

}  // namespace

TEST(SchemaPaths, NinePathsDoubleTheArray) {
  test_db db;
  _DB_allocator& a = db.create();
  _DB_schema_paths paths(a);
  EXPECT_EQ(paths.count(), 0u);
  for (int i = 0; i < 8; ++i) paths.add(path(i).c_str());
  EXPECT_EQ(paths.capacity(), 8u);
  paths.add(path(8).c_str());
  EXPECT_EQ(paths.capacity(), 16u);
  EXPECT_EQ(paths.count(), 9u);
  std::vector<std::string> expected;
  for (int i = 0; i < 9; ++i) expected.push_back(path(i));
  EXPECT_EQ(listed(paths), expected);
  EXPECT_EQ(listed(paths, 3), std::vector<std::string>(expected.begin(), expected.begin() + 3));
  a.self_check();
}

TEST(SchemaPaths, RefusalsAndTheirTexts) {
  test_db db;
  _DB_schema_paths paths(db.create());
  paths.add("one");
  try {
    paths.add("one");
    ADD_FAILURE();
  } catch (const dv_err_path_exists& e) {
    EXPECT_STREQ(e.get_report(),
                 "dv_err_path_exists - Trying to set the schema path:The path named one already exists");
  }
  try {
    paths.remove("two");
    ADD_FAILURE();
  } catch (const dv_err_path_does_not_exists& e) {
    EXPECT_STREQ(e.get_report(),
                 "dv_err_path_does_not_exists - Trying to remove the schema path:The path named two does "
                 "not exists");
  }
  EXPECT_EQ(paths.count(), 1u);
}

TEST(SchemaPaths, RemovingClosesTheGap) {
  test_db db;
  _DB_allocator& a = db.create();
  _DB_schema_paths paths(a);
  for (const char* p : {"a", "b", "c", "d"}) paths.add(p);
  paths.remove("b");
  EXPECT_EQ(listed(paths), (std::vector<std::string>{"a", "c", "d"}));
  paths.remove("d");
  paths.add("e");
  EXPECT_EQ(listed(paths), (std::vector<std::string>{"a", "c", "e"}));
  a.self_check();
  EXPECT_EQ(paths.remove_all(), 3u);
  EXPECT_EQ(paths.count(), 0u);
  EXPECT_EQ(paths.capacity(), 0u);
  EXPECT_EQ(db.header()->schema_paths, 0);
  paths.add("again");
  EXPECT_EQ(paths.capacity(), 8u);
  a.self_check();
}

TEST(SchemaPaths, PathsFollowTheImageToAnotherAddress) {
  test_db from("from.db");
  _DB_schema_paths before(from.create());
  for (int i = 0; i < 10; ++i) before.add(path(i).c_str());
  test_db to("to.db");
  _DB_schema_paths after(to.open_copy_of(from));
  EXPECT_EQ(listed(after), listed(before));
  after.remove(path(3).c_str());
  EXPECT_EQ(after.count(), 9u);
}
