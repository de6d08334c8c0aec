// Cursors over a packed list: state A is the cursor's slot (null: none), the
// index field its position, the flag word's deleted and more marks. A cursor
// keeps its position while other operations change the list, and stands
// nowhere while that position holds no element. The
// operations through a cursor and the cursor walk live here.
#include "coll_messages.h"
#include "dv_array.h"

namespace dv_qem {

namespace {

dv_cursor& writable(const dv_cursor& c) { return const_cast<dv_cursor&>(c); }

constexpr unsigned no_position = ~0u;

}  // namespace

// The position word always matches the slot, and is what counts: a slot
// pointer left behind in an array that growth replaced is never read.
dv_coll_ptr* dv_packed_list::cursor_slot(const dv_cursor& c) const {
  if (c.state_a() == nullptr) return nullptr;
  unsigned position = c.current_index();
  return position < cardinality_ ? slots_ + position : nullptr;
}

void dv_packed_list::set_cursor_slot(dv_cursor& c, dv_coll_ptr* slot) const {
  c.set_state_a(slot);
  c.set_current_index(slot != nullptr ? static_cast<unsigned>(slot - slots_) : no_position);
}

void dv_packed_list::normalize_cursor(dv_cursor* c) const {
  if (c == nullptr) return;
  // A cursor that stands on an element keeps it through the move, whether or
  // not its last step found one (cursor_slot does not ask the more mark).
  dv_coll_ptr* slot = cursor_slot(*c);
  c->set_current_index(slot != nullptr ? _slot_pos(slot) : no_position);
}

void dv_packed_list::denormalize_cursor(dv_cursor* c) const {
  if (c == nullptr) return;
  unsigned position = c->current_index();
  dv_coll_ptr* slot = position < cardinality_ ? _pos_slot(position) : nullptr;
  set_cursor_slot(*c, slot);
  c->set_more(slot != nullptr);
}

int dv_packed_list::_value_at_cursor(const dv_cursor& c, void*& out) const {
  dv_coll_ptr* slot = cursor_slot(c);
  if (slot == nullptr || c.at_deleted_element()) return 0;
  out = *slot;
  return 1;
}

// ---- walking ---------------------------------------------------------------------

namespace {

int stand(dv_coll_ptr* slot, void*& out) {
  if (slot == nullptr) return 0;
  out = *slot;
  return 1;
}

}  // namespace

int dv_packed_list::_first(dv_cursor& c, void*& out) const {
  c.set_at_deleted_element(0);
  dv_coll_ptr* slot = _first_slot();
  set_cursor_slot(c, slot);
  return stand(slot, out);
}

int dv_packed_list::_last(dv_cursor& c, void*& out) const {
  c.set_at_deleted_element(0);
  dv_coll_ptr* slot = _last_slot();
  set_cursor_slot(c, slot);
  return stand(slot, out);
}

int dv_packed_list::_next(dv_cursor& c, void*& out) const {
  dv_coll_ptr* slot = cursor_slot(c);
  if (slot == nullptr && !c.at_deleted_element()) return 0;
  c.set_at_deleted_element(0);
  slot = _next_slot(slot);
  set_cursor_slot(c, slot);
  return stand(slot, out);
}

int dv_packed_list::_previous(dv_cursor& c, void*& out) const {
  dv_coll_ptr* slot = cursor_slot(c);
  if (slot == nullptr) return 0;
  if (c.at_deleted_element()) {
    c.set_at_deleted_element(0);  // it already stands on the removed element's predecessor
  } else {
    slot = _previous_slot(slot);
  }
  set_cursor_slot(c, slot);
  return stand(slot, out);
}

// ---- operations through a cursor -------------------------------------------------------

void* dv_packed_list::_retrieve(const dv_cursor& c) const {
  c.check_cast(*this);
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::retrieve_at_removed_element>();
  dv_coll_ptr* slot = cursor_slot(c);
  if (slot == nullptr) dv_coll_raise<coll_msg::retrieve_on_null_cursor>();
  return *slot;
}

void dv_packed_list::_insert_after(const void* e, const dv_cursor& c) {
  c.check_cast(*this);
  dv_coll_ptr* slot = cursor_slot(c);
  if (slot == nullptr) dv_coll_raise<coll_msg::insert_after_null_cursor>();
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::insert_after_illegal_cursor>();
  insert_at(e, static_cast<unsigned>(slot - slots_) + 1, &writable(c));
}

void dv_packed_list::_insert_before(const void* e, const dv_cursor& c) {
  c.check_cast(*this);
  dv_coll_ptr* slot = cursor_slot(c);
  if (slot == nullptr) dv_coll_raise<coll_msg::insert_before_null_cursor>();
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::insert_before_illegal_cursor>();
  insert_at(e, static_cast<unsigned>(slot - slots_), &writable(c));
}

void dv_packed_list::_remove_at(const dv_cursor& c) {
  c.check_cast(*this);
  dv_coll_ptr* slot = cursor_slot(c);
  if (slot == nullptr) dv_coll_raise<coll_msg::remove_at_null_cursor>();
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::remove_at_deleted_element>();
  dv_cursor& cursor = writable(c);
  cursor.set_at_deleted_element(1);
  dv_coll_ptr* before = _previous_slot(slot);
  set_cursor_slot(cursor, before);
  cursor.set_more(before != nullptr);
  void* e = *slot;
  _dealloc_slot(slot, nullptr);
  index_remove(e);
}

void* dv_packed_list::_replace_at(const void* e, const dv_cursor& c) {
  c.check_cast(*this);
  dv_coll_ptr* slot = cursor_slot(c);
  if (slot == nullptr) dv_coll_raise<coll_msg::replace_at_null_cursor>();
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::replace_at_deleted_element>();
  void* old = *slot;
  *slot = const_cast<void*>(e);
  return old;
}

}  // namespace dv_qem
