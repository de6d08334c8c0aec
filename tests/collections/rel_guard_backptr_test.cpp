// Guards the deletion guard and the back pointer records: an object is
// marked from its guard's construction to the destruction of the last guard
// on it (two guards, copies and assignment included, never unmark another
// guard's object); copied dv_backptr records come out empty while _Backptr
// copies equal their source; the records' typespec.
#include <gtest/gtest.h>

#include "dv_backptr.h"
#include "dv_rel_protect.h"
#include "dv_typespec.h"

using namespace dv_qem;

namespace {

int marked(void* object) { return dv_rel_protect_being_deleted::objs_being_deleted_contains(object); }

TEST(RelDeletionGuard, MarksForItsLifeOnly) {
  int object = 0;
  EXPECT_EQ(marked(&object), 0);
  {
    dv_rel_protect_being_deleted guard(&object);
    EXPECT_NE(marked(&object), 0);
  }
  EXPECT_EQ(marked(&object), 0);
}

TEST(RelDeletionGuard, TwoGuardsOnOneObjectMarkItUntilTheLastGoes) {
  int object = 0;
  auto* first = new dv_rel_protect_being_deleted(&object);
  {
    dv_rel_protect_being_deleted second(&object);
    delete first;
    EXPECT_NE(marked(&object), 0);
  }
  EXPECT_EQ(marked(&object), 0);
}

TEST(RelDeletionGuard, ACopyNeverUnmarksTheOriginalsObject) {
  int object = 0;
  int other = 0;
  dv_rel_protect_being_deleted original(&object);
  { dv_rel_protect_being_deleted copy(original); }
  EXPECT_NE(marked(&object), 0);
  {
    dv_rel_protect_being_deleted assigned(&other);
    assigned = original;
    EXPECT_EQ(marked(&other), 0);
  }
  EXPECT_NE(marked(&object), 0);
}

TEST(RelBackPointers, DvBackptrCopiesAreEmpty) {
  dv_backptr record;
  EXPECT_NE(record.empty(), 0);
  dv_backptr copy(record);
  EXPECT_NE(copy.empty(), 0);
  dv_backptr target;
  target = record;
  EXPECT_NE(target.empty(), 0);
}

TEST(RelBackPointers, EmptyReadsTheStoredFields) {
  struct Row {
    int words[3];  // component, next, position as stored
    bool empty;
  };
  const Row rows[] = {{{0, 0, 0}, true}, {{0, 0, 3}, true}, {{0, 0, dv_backptr::kept_position}, false}, {{16, 0, 0}, false}};
  for (const Row& row : rows) {
    alignas(dv_backptr) int image[3] = {row.words[0], row.words[1], row.words[2]};
    EXPECT_EQ(reinterpret_cast<const dv_backptr*>(image)->empty() != 0, row.empty) << row.words[0] << " " << row.words[2];
  }
}

TEST(RelBackPointers, BackptrCopiesEqualTheirSource) {
  _Backptr next;
  const auto* component = reinterpret_cast<const _Index_component*>(&next);
  _Backptr record(7, component, &next);
  const _Backptr copies[] = {_Backptr(record), [&] {
                               _Backptr assigned;
                               assigned = record;
                               return assigned;
                             }()};
  for (const _Backptr& copy : copies) {
    EXPECT_EQ(copy.position(), 7);
    EXPECT_EQ(copy.component(), component);
    EXPECT_EQ(copy.next(), &next);
  }
  record.clear();
  EXPECT_EQ(record.position(), 0);
  EXPECT_EQ(record.component(), nullptr);
  EXPECT_EQ(record.next(), nullptr);
}

TEST(RelBackPointers, TypespecDescribesTheStoredRecord) {
  dv_typespec* ts = dv_backptr::get_dv_typespec();
  EXPECT_STREQ(ts->get_name(), "dv_qem::dv_backptr");
  EXPECT_EQ(ts->get_size(), 12u);
}

}  // namespace
