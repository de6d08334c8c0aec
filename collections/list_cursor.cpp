// Cursor movement over the chained list: a cursor stands on a slot of the
// head or of one block; after a removal under it, it stands marked on the
// predecessor (or, when the first element went, marked without position).
#include "dv_list.h"
#include "list_storage.h"

namespace dv_qem {

namespace {
using S = _List_storage;
using block = _List_block;

int off_the_edge(dv_cursor& c, void*& out) {
  S::place(c, nullptr, S::no_position);
  c.set_at_deleted_element(0);
  c.set_more(0);
  out = nullptr;
  return 0;
}

int stand(const dv_list& l, dv_cursor& c, block* b, unsigned slot, void*& out) {
  S::place(c, b, slot);
  c.set_at_deleted_element(0);
  c.set_more(1);
  out = S::slots(l, b)[slot].resolve();
  return 1;
}
}  // namespace

int dv_list::_first(dv_cursor& c, void*& out) const {
  c.set_current_index(0);
  if (cardinality_ == 0) return off_the_edge(c, out);
  return stand(*this, c, local_card_ > 0 ? nullptr : first_block(), 0, out);
}

int dv_list::_last(dv_cursor& c, void*& out) const {
  if (cardinality_ == 0) return off_the_edge(c, out);
  block* b = last_block();
  return stand(*this, c, b, S::count(*this, b) - 1, out);
}

int dv_list::_next(dv_cursor& c, void*& out) const {
  unsigned slot = S::cursor_slot(c);
  block* b = S::cursor_block(c);
  if (cardinality_ == 0 || (slot == S::no_position && !c.at_deleted_element())) return off_the_edge(c, out);
  if (slot == S::no_position) {
    if (b == nullptr) return _first(c, out);
    return off_the_edge(c, out);
  }
  if (slot + 1 < S::count(*this, b)) return stand(*this, c, b, slot + 1, out);
  block* next = S::next_container(*this, b);
  if (next == nullptr) return off_the_edge(c, out);
  return stand(*this, c, next, 0, out);
}

int dv_list::_previous(dv_cursor& c, void*& out) const {
  unsigned slot = S::cursor_slot(c);
  block* b = S::cursor_block(c);
  if (cardinality_ == 0 || slot == S::no_position) {
    if (c.at_deleted_element() && b == nullptr) {
      c.set_at_deleted_element(0);
      c.set_more(0);
    }
    out = nullptr;
    return 0;
  }
  if (c.at_deleted_element()) return stand(*this, c, b, slot, out);
  if (slot > 0) return stand(*this, c, b, slot - 1, out);
  if (b == nullptr) {
    S::place(c, nullptr, S::no_position);
    c.set_more(0);
    out = nullptr;
    return 0;
  }
  block* prev = b->previous_block();
  if (S::count(*this, prev) == 0) return off_the_edge(c, out);
  return stand(*this, c, prev, S::count(*this, prev) - 1, out);
}

}  // namespace dv_qem
