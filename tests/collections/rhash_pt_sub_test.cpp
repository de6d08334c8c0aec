// Guards the pointer-slot hash _Rhash_pt_sub: its slots read as empty,
// removed or occupied but never as a key's (no lookup finds anything, no
// insert stores anything), the address it answers as a slot's key, and the
// overflow cursor it makes over an overflowed slot's collection and reuses
// on the next walk of the same slot.
#include <gtest/gtest.h>

#include "dv_coll_session.h"
#include "dv_collection.h"
#include "dv_dyn_hash.h"
#include "dv_rhash_cursor.h"
#include "dv_rhash_pt_sub.h"

using namespace dv_qem;

namespace {

// The 8-byte slot shape the hash reads.
struct slot8 {
  void* element;
  unsigned key;
};

TEST(RhashPtSub, SlotsNeverMatchAndNothingIsStored) {
  _Rhash_pt_sub h;
  int a = 0;
  slot8 empty{nullptr, 0}, removed{&h, 0}, occupied{&a, 17};
  EXPECT_EQ(h.slot_status(&empty, &occupied.key, _RH_lookup, nullptr, 0), _RH_empty);
  EXPECT_EQ(h.slot_status(&removed, &occupied.key, _RH_lookup, nullptr, 0), _RH_removed);
  EXPECT_EQ(h.slot_status(&occupied, &occupied.key, _RH_lookup, nullptr, 0), _RH_other_key);
  EXPECT_EQ(h.slot_key_eq(&occupied, 0, &occupied.key, nullptr), 0);
  EXPECT_EQ(h.slot_insert(&empty, 0, 0, &a, &occupied.key, 5), 0);
  EXPECT_EQ(empty.element, nullptr) << "nothing was stored";
  EXPECT_FALSE(h.slot_occupied(&empty));
  EXPECT_FALSE(h.slot_occupied(&removed));
  EXPECT_TRUE(h.slot_occupied(&occupied));
  EXPECT_EQ(h.slot_key(&occupied, 0), &occupied.key) << "no key-type name: the inline key word";
  EXPECT_EQ(h.slot_value(&occupied, nullptr, 0), &a);
  EXPECT_EQ(h.slot_count(&occupied, 0), 0);
  EXPECT_EQ(h.allocate_slots(4, nullptr, &h), nullptr);
  EXPECT_EQ(h.stores_overflow(), 1);
  const void* out = nullptr;
  EXPECT_EQ(h._remove_first(out), 0);
  EXPECT_EQ(h._replace_at(&a, 0u), nullptr);
}

TEST(RhashPtSub, AnOverflowedSlotIsWalkedWithOneOverflowCursor) {
  _Rhash_pt_sub h;
  dv_set values;
  int a = 0, b = 0, c = 0;
  values._insert(&a);
  values._insert(&b);
  values._insert(&c);
  slot8 slot{&values, 3};
  _Rhash_cursor cursor(h, _Rhash_cursor::leave_unpositioned);
  for (int walk = 0; walk < 2; ++walk) {
    SCOPED_TRACE(walk);
    void* e = nullptr;
    int seen = 0;
    for (int more = h.slot_first(&slot, &cursor, e, 1); more; more = h.slot_next(&slot, &cursor, e, 1)) {
      EXPECT_TRUE(e == &a || e == &b || e == &c);
      EXPECT_EQ(h.slot_value(&slot, &cursor, 1), e);
      EXPECT_EQ(h.slot_null(&slot, &cursor, 1), 0);
      ++seen;
    }
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(h.slot_null(&slot, &cursor, 1), 1);
  }
  dv_cursor* first_walk = cursor.get_oflo_current();
  void* e = nullptr;
  EXPECT_EQ(h.slot_last(&slot, &cursor, e, 1), 1);
  EXPECT_EQ(cursor.get_oflo_current(), first_walk) << "the overflow cursor is reused";
  int seen = 1;
  while (h.slot_previous(&slot, &cursor, e, 1)) ++seen;
  EXPECT_EQ(seen, 3);
}

TEST(RhashPtSub, TheMinimalDispatchSetUpMakesAndDropsOne) {
  // The set-up constructs and destroys a facade and a pointer-slot hash;
  // running it again changes nothing.
  _VRN_set_coll_minimal_dispatch_tables();
  _VRN_set_coll_minimal_dispatch_tables();
  EXPECT_STREQ(_Rhash_pt_sub::get_dv_typespec()->get_name(), "dv_qem::_Rhash_pt_sub");
  EXPECT_EQ(_Rhash_pt_sub::get_dv_typespec()->get_size(), 36u);
}

}  // namespace
