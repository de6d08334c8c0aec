// Guards the index upkeep of the packed list and the hash sets and bags: with
// an index list attached, every insertion, removal and clearing goes through
// the index hooks (which keep nothing in this edition) and the collection
// still changes as asked, instead of refusing as "not supported".
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "dv_array.h"
#include "dv_cursor.h"
#include "dv_dyn_hash.h"
#include "dv_fault_handler.h"
#include "dv_indexes.h"

namespace dv_qem {
namespace {

int e[8];
void* el(int i) { return &e[i]; }

struct kind {
  const char* name;
  std::function<dv_collection&()> make;
};

TEST(IndexUpkeep, ACollectionWithAnIndexListChangesAsAsked) {
  _VRN_fault_handler guard;
  dv_database* transient = dv_database::get_transient_database();
  const kind kinds[] = {
      {"array", [&]() -> dv_collection& { return dv_array::create(transient); }},
      {"set", [&]() -> dv_collection& { return dv_set::create(transient); }},
      {"bag", [&]() -> dv_collection& { return dv_bag::create(transient); }},
  };
  for (const kind& k : kinds) {
    SCOPED_TRACE(k.name);
    dv_collection& c = k.make();
    _Indexes indexes;
    c.indexes() = &indexes;
    ASSERT_EQ(c.has_indexes(), 1);
    for (int i = 0; i < 6; ++i) c.insert(el(i));
    EXPECT_EQ(c.cardinality(), 6u);
    EXPECT_EQ(c.remove(el(2)), 1);
    EXPECT_EQ(c.contains(el(2)), 0);
    {
      dv_cursor cur(c);
      cur.remove_at();
    }
    EXPECT_EQ(c.cardinality(), 4u);
    c.check_rep_invariants();
    c.clear();
    EXPECT_EQ(c.cardinality(), 0u);
    c.indexes() = nullptr;  // the index list is the test's own
    delete &c;
  }
}

}  // namespace
}  // namespace dv_qem
