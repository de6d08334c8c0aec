// Guards the order of dv_collection's virtual operations, which other
// deliverables rely on: each operation follows the one before it in the
// virtual table, with the destructor's entries between _get_behavior and
// _destroy. Only the relative order is checked (the destructor's entry count
// and the table's origin belong to the compiler).
#include <gtest/gtest.h>

#include <vector>

#include "dv_collection.h"
#include "dv_cursor.h"
#include "dv_outofline_collection.h"
#include "vtable_offset.h"

using namespace dv_qem;
using dv_test::vtable_offset;

namespace {

using C = dv_collection;

std::vector<std::ptrdiff_t> slots_in_declared_order() {
  return {
      vtable_offset(&C::_pick),
      vtable_offset(&C::_only),
      vtable_offset(&C::_insert),
      vtable_offset(&C::_remove),
      vtable_offset(&C::_insert_first),
      vtable_offset(&C::_insert_last),
      vtable_offset(&C::_remove_first),
      vtable_offset(&C::_remove_last),
      vtable_offset(static_cast<int (C::*)(const void*&) const>(&C::_retrieve_first)),
      vtable_offset(static_cast<int (C::*)(const void*&) const>(&C::_retrieve_last)),
      vtable_offset(static_cast<void* (C::*)(unsigned) const>(&C::_retrieve)),
      vtable_offset(static_cast<void* (C::*)(const dv_cursor&) const>(&C::_retrieve)),
      vtable_offset(static_cast<void (C::*)(const void*, unsigned)>(&C::_insert_after)),
      vtable_offset(static_cast<void (C::*)(const void*, const dv_cursor&)>(&C::_insert_after)),
      vtable_offset(static_cast<void (C::*)(const void*, unsigned)>(&C::_insert_before)),
      vtable_offset(static_cast<void (C::*)(const void*, const dv_cursor&)>(&C::_insert_before)),
      vtable_offset(static_cast<void (C::*)(unsigned)>(&C::_remove_at)),
      vtable_offset(static_cast<void (C::*)(const dv_cursor&)>(&C::_remove_at)),
      vtable_offset(static_cast<void* (C::*)(const void*, unsigned)>(&C::_replace_at)),
      vtable_offset(static_cast<void* (C::*)(const void*, const dv_cursor&)>(&C::_replace_at)),
      vtable_offset(&C::_ordered_equal),
      vtable_offset(&C::_contains),
      vtable_offset(&C::_count),
      vtable_offset(static_cast<C& (C::*)(const void*)>(&C::_assign)),
      vtable_offset(static_cast<C& (C::*)(const C&)>(&C::_assign)),
      vtable_offset(static_cast<C& (C::*)(const void*)>(&C::_assign_or)),
      vtable_offset(static_cast<C& (C::*)(const C&)>(&C::_assign_or)),
      vtable_offset(static_cast<C& (C::*)(const void*)>(&C::_assign_and)),
      vtable_offset(static_cast<C& (C::*)(const C&)>(&C::_assign_and)),
      vtable_offset(static_cast<C& (C::*)(const void*)>(&C::_assign_sub)),
      vtable_offset(static_cast<C& (C::*)(const C&)>(&C::_assign_sub)),
      vtable_offset(static_cast<C& (C::*)(const void*) const>(&C::_or)),
      vtable_offset(static_cast<C& (C::*)(const C&) const>(&C::_or)),
      vtable_offset(static_cast<C& (C::*)(const void*) const>(&C::_and)),
      vtable_offset(static_cast<C& (C::*)(const C&) const>(&C::_and)),
      vtable_offset(static_cast<C& (C::*)(const void*) const>(&C::_sub)),
      vtable_offset(static_cast<C& (C::*)(const C&) const>(&C::_sub)),
      vtable_offset(static_cast<int (C::*)(const void*) const>(&C::_eq)),
      vtable_offset(static_cast<int (C::*)(const C&) const>(&C::_eq)),
      vtable_offset(static_cast<int (C::*)(const void*) const>(&C::_ne)),
      vtable_offset(static_cast<int (C::*)(const C&) const>(&C::_ne)),
      vtable_offset(static_cast<int (C::*)(const void*) const>(&C::_lt)),
      vtable_offset(static_cast<int (C::*)(const C&) const>(&C::_lt)),
      vtable_offset(static_cast<int (C::*)(const void*) const>(&C::_le)),
      vtable_offset(static_cast<int (C::*)(const C&) const>(&C::_le)),
      vtable_offset(static_cast<int (C::*)(const void*) const>(&C::_gt)),
      vtable_offset(static_cast<int (C::*)(const C&) const>(&C::_gt)),
      vtable_offset(static_cast<int (C::*)(const void*) const>(&C::_ge)),
      vtable_offset(static_cast<int (C::*)(const C&) const>(&C::_ge)),
      vtable_offset(&C::_first),
      vtable_offset(&C::_last),
      vtable_offset(&C::_next),
      vtable_offset(&C::_previous),
      vtable_offset(&C::_get_innermost_collection),
      vtable_offset(&C::_remove_all),
      vtable_offset(&C::_unbind_cursor),
      vtable_offset(&C::_cardinality),
      vtable_offset(&C::_empty),
      vtable_offset(&C::_update_cardinality),
      vtable_offset(&C::_cardinality_estimate),
      vtable_offset(&C::_cardinality_is_maintained),
      vtable_offset(&C::_re_initialize),
      vtable_offset(&C::has_indexes),
      vtable_offset(&C::indexes),
      vtable_offset(&C::_add_index),
      vtable_offset(&C::_clear),
      vtable_offset(&C::_get_behavior),
      // slot 67: the virtual destructor
      vtable_offset(&C::_destroy),
      vtable_offset(&C::_fast_count),
      vtable_offset(&C::_rep_name),
      vtable_offset(&C::_rep_enum),
      vtable_offset(&C::_check_rep_invariants),
      vtable_offset(&C::_is_user_coll),
      vtable_offset(&C::_set_untransformed),
      vtable_offset(&C::evolve_rep),
  };
}

}  // namespace

TEST(CollectionSlots, DeclaredOrderIsTableOrder) {
  std::vector<std::ptrdiff_t> offsets = slots_in_declared_order();
  ASSERT_EQ(offsets.size(), 75u);  // the 76 slots less the destructor
  const std::ptrdiff_t entry = sizeof(void*);
  EXPECT_EQ(offsets[0], 0);
  for (std::size_t i = 1; i < offsets.size(); ++i) {
    bool after_destructor = i == 67;  // _destroy follows the destructor's entries
    if (after_destructor)
      EXPECT_GT(offsets[i] - offsets[i - 1], entry) << "slot " << i;
    else
      EXPECT_EQ(offsets[i] - offsets[i - 1], entry) << "slot " << i;
  }
}

TEST(CollectionSlots, TheFacadeOverridesInTheSameSlots) {
  using F = dv_outofline_collection;
  EXPECT_EQ(vtable_offset(&F::_pick), vtable_offset(&C::_pick));
  EXPECT_EQ(vtable_offset(&F::_get_behavior), vtable_offset(&C::_get_behavior));
  EXPECT_EQ(vtable_offset(&F::evolve_rep), vtable_offset(&C::evolve_rep));
  EXPECT_EQ(vtable_offset(static_cast<void* (F::*)(const void*, const dv_cursor&)>(&F::_replace_at)),
            vtable_offset(static_cast<void* (C::*)(const void*, const dv_cursor&)>(&C::_replace_at)));
}
