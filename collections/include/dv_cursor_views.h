// The representations' views of a dv_cursor: each is the cursor itself seen
// as the position one representation keeps in the cursor's fields. A view
// adds no field and no virtual function (its constructors are dv_cursor's);
// a cursor is seen through one by dv_cursor's conversions, which refuse a
// snapshot or sorted cursor first (dv_cursor::check_cast).
#pragma once

#include "dv_chained_list_cursor.h"
#include "dv_cursor.h"

namespace dv_qem {

// The packed list's position: state A is the current slot (null: none), the
// index field the position of that slot, the flag word's deleted and more
// marks what they say.
class _Packed_list_cursor : public dv_cursor {
 public:
  using dv_cursor::dv_cursor;
};

// An index-only collection's position: the ixonly_cursor bit says the walk
// has started; the dictionary cursor of the iteration index is kept in the
// cursor.
class _Ixonly_cursor : public dv_cursor {
 public:
  using dv_cursor::dv_cursor;
};

// A dictionary's position: the dictionary cursor it owns in state A (dc()),
// with the dictionary_cursor bit set.
class _Dictionary_cursor : public dv_cursor {
 public:
  using dv_cursor::dv_cursor;
};

static_assert(sizeof(_Packed_list_cursor) == sizeof(dv_cursor));
static_assert(sizeof(_Ixonly_cursor) == sizeof(dv_cursor));
static_assert(sizeof(_Dictionary_cursor) == sizeof(dv_cursor));

}  // namespace dv_qem
