// Guards the typed collections when their element type has internal linkage
// (here an anonymous-namespace struct, the common case in a program's own
// files). The typed class is never constructed, so its operations must reach
// the facade by direct calls: through a virtual call the compiler may treat
// the code after the call as unreachable and drop it.
#include <gtest/gtest.h>

#include "coll_db_test.h"
#include "dv_coll_typed.h"
#include "dv_cursor.h"
#include "durnavel.h"

using namespace dv_qem;

namespace {

struct Part {
  int number;
};

class TypedCollection : public dv_test::coll_db_test {};

// Every typed operation of the ordered kinds, persistent or transient.
template <class Typed>
void exercise_ordered(Typed& c, Part* parts) {
  c.insert_last(&parts[1]);
  c.insert_first(&parts[0]);
  c.insert_last(&parts[3]);
  c.insert_before(&parts[2], 2u);
  c.insert_after(&parts[4], 3u);
  ASSERT_EQ(c.cardinality(), 5u);
  for (unsigned i = 0; i < 5; ++i) EXPECT_EQ(c.retrieve(i), &parts[i]);
  EXPECT_EQ(c.retrieve_first(), &parts[0]);
  EXPECT_EQ(c.retrieve_last(), &parts[4]);
  EXPECT_TRUE(c.contains(&parts[2]));
  EXPECT_EQ(c.count(&parts[3]), 1);
  EXPECT_EQ(c.replace_at(&parts[3], 1u), &parts[1]);
  EXPECT_EQ(c.count(&parts[3]), 2);
  c.remove_at(1u);
  EXPECT_EQ(c.remove(&parts[3]), 1);
  EXPECT_EQ(c.remove_first(), &parts[0]);
  EXPECT_EQ(c.remove_last(), &parts[4]);
  EXPECT_EQ(c.only(), &parts[2]);
  EXPECT_EQ(c.pick(), &parts[2]);
  dv_cursor cursor(c);
  EXPECT_EQ(c.retrieve(cursor), &parts[2]);
  c.insert(&parts[1]);
  EXPECT_EQ(c.cardinality(), 2u);
  EXPECT_FALSE(c.empty());
  c.clear();
  EXPECT_TRUE(c.empty());
  EXPECT_EQ(static_cast<int>(c), 0);
}

TEST_F(TypedCollection, ListsAndArraysOfALocalTypeWorkThroughEveryTypedOperation) {
  durnavel::initialize();
  dv_database* db = dv_database::create(path("typed.db").c_str(), 0644, 0, 0);
  Part parts[5] = {{0}, {1}, {2}, {3}, {4}};
  exercise_ordered(dv_List<Part>::create(db), parts);
  exercise_ordered(dv_Array<Part>::create(db), parts);
  exercise_ordered(dv_List<Part>::create(dv_database::get_transient_database()), parts);
  exercise_ordered(dv_Array<Part>::create(dv_database::get_transient_database()), parts);
  db->close();
}

}  // namespace
