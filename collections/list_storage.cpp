// The chained list's storage steps: room making and spilling in a container,
// removal and the moving of runs, the head's links to the block ring, the
// destruction of the list, and the driving cursor's adjustment.
#include "list_storage.h"

#include "coll_messages.h"
#include "dv_coll_err.h"
#include "dv_indexes.h"

namespace dv_qem {

void dv_chained_list::internal_error(const char* what) { _Coll_internal_error(what); }

void dv_chained_list::refuse_link() { dv_coll_raise<coll_msg::block_previous_pointer>(); }

// ---- steps of either container --------------------------------------------------------------

void _move_slots_down(dv_coll_ptr* slots, unsigned start, unsigned n, unsigned by) {
  for (unsigned i = n; i > 0; --i) slots[start + i - 1 + by] = slots[start + i - 1];
  for (unsigned i = 0; i < by && i < n; ++i) slots[start + i] = nullptr;
}

void _copy_slots(dv_coll_ptr* dest, dv_coll_ptr* source, unsigned n) {
  for (unsigned i = 0; i < n; ++i) {
    dest[i] = source[i];
    source[i] = nullptr;
  }
}

void _Chained_container::move_ptrs_down(unsigned start, unsigned n, unsigned by) const {
  _move_slots_down(slots(), start, n, by);
}

void _Chained_container::copy_ptrs(dv_coll_ptr* source, unsigned start, unsigned n) const {
  _copy_slots(slots() + start, source, n);
  set_count(count() + n);
}

dv_chained_list_block* _Chained_container::make_next(_Chained_list_cursor* c) const {
  if (block_ == nullptr) return list_.allocate_new_block(c);
  return list_.allocate_new_block(block_, block_, c);
}

int _Chained_container::free_up_a_pointer(unsigned p, _Chained_list_cursor* c) const {
  unsigned cap = capacity();
  unsigned n = count();
  if (n + 1 <= cap) {
    move_ptrs_down(p, n - p, 1);
    protect(c, dv_chained_list::elements_inserted, p, 1);
    return 1;
  }
  dv_chained_list_block* next = this->next();
  if (next == nullptr || next->local_card() + 1u > next->max_local_card(list_)) {
    next = make_next(c);
    cap = capacity();
  }
  if (p >= cap) return 0;
  // The container is full: its last element opens the next container.
  _Chained_container after(list_, next);
  after.move_ptrs_down(0, next->local_card(), 1);
  dv_chained_list::protect_safe_cursors(list_, c, next, dv_chained_list::elements_inserted, 0, 1);
  after.slot(0) = slot(cap - 1);
  slot(cap - 1) = nullptr;
  after.set_count(next->local_card() + 1);
  set_count(cap - 1);
  move_ptrs_down(p, cap - 1 - p, 1);
  protect(c, dv_chained_list::last_but_one_moved_on | dv_chained_list::elements_inserted, p, 1);
  return 1;
}

void _Chained_container::insert_before_local(const void* e, unsigned p, _Chained_list_cursor* c) const {
  if (count() == 0 || free_up_a_pointer(p, c)) {
    slot(p) = const_cast<void*>(e);
    set_count(count() + 1);
    return;
  }
  dv_chained_list_block* next = this->next();
  if (next == nullptr) dv_chained_list::internal_error("insert_before past the last block");
  next->insert_before_local(list_, e, 0, c);
}

void _Chained_container::insert_after_local(const void* e, unsigned p, _Chained_list_cursor* c) const {
  unsigned q = p + 1;
  if (free_up_a_pointer(q, c)) {
    slot(q) = const_cast<void*>(e);
    set_count(count() + 1);
    return;
  }
  unsigned cap = capacity();
  dv_chained_list_block* next = this->next();
  if (next == nullptr || q < cap) dv_chained_list::internal_error("insert_after found no room");
  if (q == cap)
    next->insert_before_local(list_, e, 0, c);
  else
    next->insert_after_local(list_, e, 0, c);
}

void _Chained_container::move_ptrs_up(unsigned p, _Chained_list_cursor* c) const {
  unsigned n = count() - 1;
  for (unsigned i = p; i < n; ++i) slot(i) = slot(i + 1);
  slot(n) = nullptr;
  set_count(n);
  protect(c, dv_chained_list::elements_removed, p, 1);
}

// ---- the head ---------------------------------------------------------------------------------

void dv_chained_list::insert_after_local(const void* e, unsigned p, _Chained_list_cursor* c) {
  _Chained_container(*this, nullptr).insert_after_local(e, p, c);
}

void dv_chained_list::insert_before_local(const void* e, unsigned p, _Chained_list_cursor* c) {
  _Chained_container(*this, nullptr).insert_before_local(e, p, c);
}

void dv_chained_list::move_ptrs_up(unsigned p, _Chained_list_cursor* c) {
  _Chained_container(*this, nullptr).move_ptrs_up(p, c);
}

void dv_chained_list::copy_ptrs(dv_coll_ptr* source, unsigned start, unsigned n) {
  _Chained_container(*this, nullptr).copy_ptrs(source, start, n);
}

dv_chained_list_block* dv_chained_list::next_block() const {
  dv_chained_list_block* last = find_last_block();
  return last != nullptr ? last->get_first(*this) : nullptr;
}

void dv_chained_list::set_next_block(dv_chained_list_block* nb, _Chained_list_cursor* c) {
  const unsigned n = num_ptrs_in_head();
  if (!has_blocks()) {
    const bool full = local_card_ == n;
    if (full) {
      nb->ptr(0) = ptr(n - 1);
      nb->set_local_card(1);
      ptr(n - 1) = nullptr;
      dec_local_card();
    }
    set_last_block(nb);
    nb->set_previous(this);
    nb->set_prev_is_root();
    set_blocks(1);
    if (full) protect_safe_cursors(*this, c, nullptr, last_moved_on, n - 1, 1);
    return;
  }
  dv_chained_list_block* first = next_block();
  dv_chained_list_block* last = find_last_block();
  if (first == last && first->local_card() == num_ptrs_in_blocks()) {
    // The only block becomes the last one and needs its last slot for the link.
    nb->ptr(0) = first->ptr(0);
    nb->set_local_card(1);
    protect_safe_cursors(*this, c, first, elements_moved, 0, 1, nb, 0);
    first->move_ptrs_up(*this, 0, c);
  }
  // nb goes before first: first's predecessor, and the ring's end links it.
  nb->ptr(num_ptrs_in_blocks() - 1) = first;
  nb->set_has_next(1);
  first->set_previous(nb);
  first->clear_prev_is_root();
  last->set_first(*this, nb);
  nb->set_previous(this);
  nb->set_prev_is_root();
}

void dv_chained_list::set_next_block_simple(dv_chained_list_block* next) {
  if (next == nullptr) {
    set_blocks(0);
    ptr(num_ptrs_in_head() - 1) = nullptr;
    return;
  }
  dv_chained_list_block* last = find_last_block();
  next->set_previous(this);
  next->set_prev_is_root();
  set_blocks(1);
  if (next == last) {
    // The only block: it links nothing.
    next->clear_is_last();
    next->ptr(num_ptrs_in_blocks() - 1) = nullptr;
  } else {
    last->set_first(*this, next);
  }
}

void dv_chained_list::destroy() {
  _clear();
  if (indexes_ != nullptr) {
    delete indexes_;
    indexes_ = nullptr;
  }
  flags_ = 0;
  local_card_ = 0;
  cardinality_ = 0;
}

// ---- the driving cursor ---------------------------------------------------------------------

void dv_chained_list::protect_safe_cursor(dv_chained_list& l, _Chained_list_cursor& c, dv_chained_list_block* container,
                                          unsigned change, unsigned pos, unsigned count,
                                          dv_chained_list_block* target, unsigned target_pos) {
  if (c.current_block() != container) return;
  const unsigned s = c.subscr_in_block();
  if (s == _Chained_list_cursor::no_position) return;
  if (change & elements_moved) {
    if (pos <= s && s < pos + count) c.place(target, target_pos + (s - pos));
    return;
  }
  const unsigned slots = container != nullptr ? l.num_ptrs_in_blocks() : l.num_ptrs_in_head();
  if (((change & last_but_one_moved_on) && s == slots - 2) || ((change & last_moved_on) && s == slots - 1)) {
    dv_chained_list_block* next = container != nullptr ? container->next_block(l) : l.next_block();
    c.place(next, 0);
    return;
  }
  if (change & elements_removed) {
    if (s == pos) c.set_at_deleted_element(1);
    if (container != nullptr) {
      if (container->local_card() == 0 || (c.at_deleted_element() && s == 0)) {
        // Marked, on the last element of the previous container.
        dv_chained_list_block* prev =
            container->prev_is_root() ? nullptr : static_cast<dv_chained_list_block*>(container->previous());
        const unsigned held = prev != nullptr ? prev->local_card() : l.local_card();
        c.place(prev, held == 0 ? _Chained_list_cursor::no_position : held - 1);
        if (held == 0) c.set_more(0);
      } else if (s >= pos) {
        c.set_subscr_in_block(s - count);
      }
    } else if (c.at_deleted_element() && s == 0) {
      c.set_at_deleted_element_0();
    } else if (s >= pos) {
      c.set_subscr_in_block(s - count);
    }
    return;
  }
  if ((change & elements_inserted) && s >= pos) c.set_subscr_in_block(s + count);
}

}  // namespace dv_qem
