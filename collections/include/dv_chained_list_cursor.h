// _Chained_list_cursor: the view of a dv_cursor through which a chained list
// reads and moves it. It adds no fields: the cursor's count field is the slot
// inside the current container (0xFFFFFFFF: no position), its state A the
// block it stands in (null: the list head), its index field the subscript
// that _first resets; the deleted mark and the more mark are the cursor's.
#pragma once

#include "dv_cursor.h"

namespace dv_qem {

class dv_chained_list_block;

class _Chained_list_cursor : public dv_cursor {
 public:
  static constexpr unsigned no_position = 0xFFFFFFFFu;

  using dv_cursor::dv_cursor;

  // The view of c (a cursor the list walks).
  static _Chained_list_cursor& of(const dv_cursor& c) {
    return static_cast<_Chained_list_cursor&>(const_cast<dv_cursor&>(c));
  }

  unsigned subscr_in_block() const { return count(); }
  void set_subscr_in_block(unsigned slot) { set_count(slot); }
  unsigned subscr() const { return current_index(); }
  void set_subscr(unsigned i) { set_current_index(i); }
  dv_chained_list_block* current_block() const { return static_cast<dv_chained_list_block*>(state_a()); }
  void set_current_block(dv_chained_list_block* b) { set_state_a(b); }
  // The element slot the cursor refers to (state B).
  dv_coll_ptr& current_elt() { return state_b_; }
  // The list the cursor is bound to.
  dv_collection* coll() const { return get_contents(); }
  // Stands on slot of container b (null: the head); the marks are left alone.
  void place(dv_chained_list_block* b, unsigned slot) {
    set_current_block(b);
    set_subscr_in_block(slot);
  }

  // No position and not at a deleted element.
  int off_the_edge() const { return subscr_in_block() == no_position && !at_deleted_element(); }
  // The first element was removed under the cursor: no position, no block, marked.
  int at_deleted_element_0() const {
    return subscr_in_block() == no_position && current_block() == nullptr && at_deleted_element();
  }
  void set_off_the_edge() {
    set_subscr_in_block(no_position);
    set_at_deleted_element(0);
    set_more(0);
  }
  void set_at_deleted_element_0() {
    place(nullptr, no_position);
    set_at_deleted_element(1);
    set_more(0);
  }
};

static_assert(sizeof(_Chained_list_cursor) == sizeof(dv_cursor));

}  // namespace dv_qem
