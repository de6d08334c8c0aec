// Cursor movement over the chained list: a cursor stands on a slot of the
// head or of one block; after a removal under it, it stands marked on the
// predecessor (or, when the first element went, marked without position).
#include "list_storage.h"

namespace dv_qem {

namespace {
using block = dv_chained_list_block;
constexpr unsigned no_position = _Chained_list_cursor::no_position;

// Off the edge, in no container.
int off_the_edge(_Chained_list_cursor& c, void*& out) {
  c.set_off_the_edge();
  c.set_current_block(nullptr);
  out = nullptr;
  return 0;
}
}  // namespace

int dv_chained_list::_first(dv_cursor& cursor, void*& out) const {
  auto& c = _Chained_list_cursor::of(cursor);
  c.set_subscr(0);
  if (cardinality_ == 0) return off_the_edge(c, out);
  block* b = local_card_ > 0 ? nullptr : entered(next_block(), nullptr);
  if (b == nullptr && local_card_ == 0) internal_error("elements counted but none held");
  c.set_current_block(b);
  return stand_at(c, b, 0, out);
}

int dv_chained_list::_last(dv_cursor& cursor, void*& out) const {
  auto& c = _Chained_list_cursor::of(cursor);
  if (cardinality_ == 0) return off_the_edge(c, out);
  block* b = find_last_block();
  c.set_current_block(b);
  return stand_at(c, b, (b != nullptr ? b->local_card() : local_card_) - 1, out);
}

int dv_chained_list::_next(dv_cursor& cursor, void*& out) const {
  auto& c = _Chained_list_cursor::of(cursor);
  const unsigned slot = c.subscr_in_block();
  block* b = c.current_block();
  if (cardinality_ == 0 || c.off_the_edge()) return off_the_edge(c, out);
  if (slot == no_position) {
    if (c.at_deleted_element_0()) return _first(cursor, out);
    return off_the_edge(c, out);
  }
  if (slot + 1 < (b != nullptr ? b->local_card() : local_card_)) return stand_at(c, b, slot + 1, out);
  block* next = entered(b != nullptr ? b->next_block(*this) : next_block(), b);
  if (next == nullptr) return off_the_edge(c, out);
  c.set_current_block(next);
  return stand_at(c, next, 0, out);
}

int dv_chained_list::_previous(dv_cursor& cursor, void*& out) const {
  auto& c = _Chained_list_cursor::of(cursor);
  const unsigned slot = c.subscr_in_block();
  block* b = c.current_block();
  if (cardinality_ == 0 || slot == no_position) {
    if (c.at_deleted_element_0()) {
      c.set_at_deleted_element(0);
      c.set_more(0);
    }
    out = nullptr;
    return 0;
  }
  if (c.at_deleted_element()) return stand_at(c, b, slot, out);
  if (slot > 0) return stand_at(c, b, slot - 1, out);
  if (b == nullptr) {
    c.set_subscr_in_block(no_position);
    c.set_more(0);
    out = nullptr;
    return 0;
  }
  // The predecessor is entered backward: its header, and its link on to b
  // (the head's: b links back to the head and is its first block).
  block* prev = b->prev_is_root() ? nullptr : block::checked(*this, b->previous());
  if (prev != nullptr ? prev->next_block(*this) != b : b->previous() != this || next_block() != b) refuse_link();
  const unsigned held = prev != nullptr ? prev->local_card() : local_card_;
  if (held == 0) return off_the_edge(c, out);
  c.set_current_block(prev);
  return stand_at(c, prev, held - 1, out);
}

}  // namespace dv_qem
