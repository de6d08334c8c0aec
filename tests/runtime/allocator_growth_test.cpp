// Guards the growth of a page group in a database of many pages: adopting
// new pages grows the groups' own page vectors, which can take the room of
// the very pages just added; the allocation must still succeed.
#include <gtest/gtest.h>

#include "alloc_test_db.h"

using namespace dv_qem;
using alloc_test::kMiB;
using alloc_test::test_db;

TEST(SmallObjectGrowth, ADatabaseKeepsGrowingPastItsPageVectorsSteps) {
  test_db db("growth.db", 64 * kMiB);
  _DB_allocator& a = db.create();
  // Objects of 3000 bytes, one to a page, for 44 MiB of pages.
  constexpr dv4u object_bytes = 3000;
  for (int i = 0; i < 11000; ++i)
    ASSERT_NE(a.allocate(object_bytes, dv_typespec::get_char(), object_bytes, user_page_group), nullptr) << i;
  EXPECT_GE(db.pages(), 11000u);
  a.self_check();
}
