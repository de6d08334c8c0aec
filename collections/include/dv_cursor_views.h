// The representations' views of a dv_cursor: each is the cursor itself seen
// as the position one representation keeps in the cursor's fields. A view
// adds no field and no virtual function (its constructors are dv_cursor's);
// a cursor is seen through one by dv_cursor's conversions, which refuse a
// snapshot or sorted cursor first (dv_cursor::check_cast).
#pragma once

#include "dv_cursor.h"

namespace dv_qem {

// The packed list's position: state A is the current slot (null: none), the
// index field the position of that slot, the flag word's deleted and more
// marks what they say.
class _Packed_list_cursor : public dv_cursor {
 public:
  using dv_cursor::dv_cursor;
};

// The chained list's position: the container the cursor stands in (a block,
// or the head when null) and the slot within it.
class _Chained_list_cursor : public dv_cursor {
 public:
  static constexpr unsigned no_position = 0xFFFFFFFFu;

  using dv_cursor::dv_cursor;

  // The slot within the container (the count field); no_position: none.
  unsigned& subscr_in_block() { return count_; }
  unsigned subscr_in_block() const { return count_; }
  // The position in the whole list as far as it is kept (the index field;
  // _first resets it).
  unsigned& subscr() { return index_; }
  unsigned subscr() const { return index_; }
  // The block the cursor stands in (state A); null is the head.
  void* current_block() const { return state_a(); }
  void set_current_block(void* block) { set_state_a(block); }
  // The element slot the cursor refers to (state B).
  dv_coll_ptr& current_elt() { return state_b_; }
  // The list the cursor is bound to.
  dv_collection* coll() const { return get_contents(); }

  // No position and not at a removed element: past either end.
  int off_the_edge() const { return count_ == no_position && !at_deleted_element(); }
  // The first element was removed under the cursor: no position, no block,
  // the deleted mark set.
  int at_deleted_element_0() const {
    return count_ == no_position && state_a() == nullptr && at_deleted_element();
  }
  void set_off_the_edge() {
    count_ = no_position;
    set_at_deleted_element(0);
    set_more(0);
  }
  void set_at_deleted_element_0() {
    count_ = no_position;
    set_state_a(nullptr);
    set_at_deleted_element(1);
    set_more(0);
  }
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
static_assert(sizeof(_Chained_list_cursor) == sizeof(dv_cursor));
static_assert(sizeof(_Ixonly_cursor) == sizeof(dv_cursor));
static_assert(sizeof(_Dictionary_cursor) == sizeof(dv_cursor));

}  // namespace dv_qem
