// The chained list's storage steps: room making and spilling, removal and
// merging, the links of the block ring, and the driving cursor's adjustment.
#include "list_storage.h"

#include <new>

#include "coll_messages.h"
#include "dv_coll_err.h"

namespace dv_qem {

namespace {
constexpr unsigned N = dv_list::head_slots;
constexpr unsigned M = dv_list::block_slots;

[[noreturn]] void internal(const char* where) { _Coll_internal_error(where); }
}  // namespace

void _List_storage::set_count(dv_list& l, block* b, unsigned n) {
  if (b != nullptr)
    b->local_card_ = static_cast<dv2u>(n);
  else
    l.local_card_ = static_cast<dv2u>(n);
}

unsigned _List_storage::capacity(const dv_list& l, const block* b) {
  if (b != nullptr) return b->max_local_card();
  return N - ((l.flags_ & dv_list::has_blocks_bit) != 0 ? 1 : 0);
}

void _List_storage::locate(const dv_list& l, unsigned p, block*& b, unsigned& local) {
  p -= l.local_card_;
  for (b = l.first_block(); b != nullptr; b = b->next_block()) {
    if (p < b->local_card_) {
      local = p;
      return;
    }
    p -= b->local_card_;
  }
  internal("position beyond the last block");
}

unsigned _List_storage::find_local(const dv_list& l, const block* b, const void* e) {
  const dv_coll_ptr* s = slots(l, b);
  unsigned n = count(l, b);
  for (unsigned i = 0; i < n; ++i)
    if (s[i] == e) return i;
  return no_position;
}

// ---- cursor adjustment ----------------------------------------------------------------

void _List_storage::adjust(dv_list& l, dv_cursor* c, block* container, unsigned kind, unsigned pos, unsigned n,
                           block* target, unsigned target_pos) {
  if (c == nullptr) return;
  if (kind & reset) {
    c->set_at_deleted_element(0);
    c->set_more(0);
    place(*c, nullptr, 0);
    return;
  }
  if (cursor_block(*c) != container) return;
  unsigned s = cursor_slot(*c);
  if (s == no_position) return;
  if (kind & moved) {
    if (pos <= s && s < pos + n) place(*c, target, target_pos + (s - pos));
    return;
  }
  if (((kind & last_but_one_out) && s == slot_total(container) - 2) ||
      ((kind & last_out) && s == slot_total(container) - 1)) {
    place(*c, next_container(l, container), 0);
    return;
  }
  if (kind & removed) {
    if (s == pos) c->set_at_deleted_element(1);
    if (container != nullptr) {
      if (container->local_card_ == 0 || (c->at_deleted_element() && s == 0)) {
        block* prev = container->previous_block();
        unsigned last = count(l, prev) == 0 ? no_position : count(l, prev) - 1;
        place(*c, prev, last);
        if (last == no_position) c->set_more(0);
      } else if (s >= pos) {
        place(*c, container, s - n);
      }
    } else if (c->at_deleted_element() && s == 0) {
      place(*c, nullptr, no_position);
      c->set_more(0);
    } else if (s >= pos) {
      place(*c, nullptr, s - n);
    }
    return;
  }
  if ((kind & inserted) && s >= pos) place(*c, container, s + n);
}

// ---- making room --------------------------------------------------------------------------

void _List_storage::shift_down(dv_coll_ptr* s, unsigned from, unsigned n, unsigned by) {
  for (unsigned i = n; i > 0; --i) s[from + i - 1 + by] = s[from + i - 1];
  for (unsigned i = 0; i < by && i < n; ++i) s[from + i] = nullptr;
}

void _List_storage::push_last_to_next(dv_list& l, block* b, unsigned from, block* next) {
  dv_coll_ptr* s = slots(l, b);
  dv_coll_ptr* ns = next->slots_;
  shift_down(ns, 0, next->local_card_, 1);
  ns[0] = s[from];
  s[from] = nullptr;
  ++next->local_card_;
  set_count(l, b, from);
}

int _List_storage::free_up_a_pointer(dv_list& l, block* b, unsigned p, dv_cursor* c) {
  unsigned cap = capacity(l, b);
  unsigned n = count(l, b);
  if (n + 1 <= cap) {
    shift_down(slots(l, b), p, n - p, 1);
    adjust(l, c, b, inserted, p, 1);
    return 1;
  }
  block* next = next_container(l, b);
  if (next == nullptr || next->local_card_ + 1u > next->max_local_card()) {
    next = b == nullptr ? new_first_block(l, c) : new_block_after(l, b, c);
    cap = capacity(l, b);
  }
  if (p >= cap) return 0;
  // The container is full: its last element opens the next container.
  adjust(l, c, next, inserted, 0, 1);
  push_last_to_next(l, b, cap - 1, next);
  shift_down(slots(l, b), p, cap - 1 - p, 1);
  adjust(l, c, b, last_but_one_out | inserted, p, 1);
  return 1;
}

void _List_storage::insert_before_local(dv_list& l, block* b, const void* e, unsigned p, dv_cursor* c) {
  if (count(l, b) == 0 || free_up_a_pointer(l, b, p, c)) {
    slots(l, b)[p] = const_cast<void*>(e);
    set_count(l, b, count(l, b) + 1);
    return;
  }
  block* next = next_container(l, b);
  if (next == nullptr) internal("insert_before past the last block");
  insert_before_local(l, next, e, 0, c);
}

void _List_storage::insert_after_local(dv_list& l, block* b, const void* e, unsigned p, dv_cursor* c) {
  unsigned q = p + 1;
  if (free_up_a_pointer(l, b, q, c)) {
    slots(l, b)[q] = const_cast<void*>(e);
    set_count(l, b, count(l, b) + 1);
    return;
  }
  unsigned cap = capacity(l, b);
  block* next = next_container(l, b);
  if (next == nullptr || q < cap) internal("insert_after found no room");
  if (q == cap)
    insert_before_local(l, next, e, 0, c);
  else
    insert_after_local(l, next, e, 0, c);
}

void _List_storage::insert_last(dv_list& l, const void* e) {
  if (l.flags_ & dv_list::has_blocks_bit) {
    block* last = l.last_block();
    if (last->local_card_ >= last->max_local_card()) last = new_block_after(l, last, nullptr);
    last->slots_[last->local_card_++] = const_cast<void*>(e);
  } else if (l.local_card_ < N) {
    l.slots_[l.local_card_++] = const_cast<void*>(e);
  } else {
    insert_after_local(l, new_first_block(l, nullptr), e, 0, nullptr);
  }
}

// ---- removal -------------------------------------------------------------------------------

void _List_storage::move_ptrs_up(dv_list& l, block* b, unsigned p, dv_cursor* c) {
  dv_coll_ptr* s = slots(l, b);
  unsigned n = count(l, b) - 1;
  for (unsigned i = p; i < n; ++i) s[i] = s[i + 1];
  s[n] = nullptr;
  set_count(l, b, n);
  adjust(l, c, b, removed, p, 1);
}

void _List_storage::remove_local(dv_list& l, block* b, unsigned p, dv_cursor* c) {
  move_ptrs_up(l, b, p, c);
  if (b != nullptr) compact(l, b, c);
}

void _List_storage::compact(dv_list& l, block* b, dv_cursor* c) {
  unsigned n = b->local_card_;
  if (n == 0) {
    delete_block(l, b);
    return;
  }
  if (n >= b->max_local_card() / 2) return;
  block* into = nullptr;
  bool found = false;
  if (b->prev_is_root()) {
    found = l.local_card_ + n < capacity(l, nullptr);
  } else {
    into = b->previous_block();
    found = into->local_card_ + n < into->max_local_card();
  }
  if (found) {
    // Appended after the receiving container's elements.
    unsigned at = count(l, into);
    dv_coll_ptr* dest = slots(l, into);
    for (unsigned i = 0; i < n; ++i) {
      dest[at + i] = b->slots_[i];
      b->slots_[i] = nullptr;
    }
    set_count(l, into, at + n);
    b->local_card_ = 0;
    adjust(l, c, b, moved, 0, n, into, at);
    delete_block(l, b);
    return;
  }
  block* next = b->next_block();
  if (next == nullptr || next->local_card_ + n >= next->max_local_card()) return;
  shift_down(next->slots_, 0, next->local_card_, n);
  adjust(l, c, next, inserted, 0, n);
  for (unsigned i = 0; i < n; ++i) {
    next->slots_[i] = b->slots_[i];
    b->slots_[i] = nullptr;
  }
  next->local_card_ = static_cast<dv2u>(next->local_card_ + n);
  b->local_card_ = 0;
  adjust(l, c, b, moved, 0, n, next, 0);
  delete_block(l, b);
}

void _List_storage::clear(dv_list& l) {
  while (block* b = l.first_block()) delete_block(l, b);
  for (unsigned i = 0; i < N; ++i) l.slots_[i] = nullptr;
  l.local_card_ = 0;
  l.flags_ &= ~static_cast<dv4u>(dv_list::has_blocks_bit);
}

// ---- blocks and their links -------------------------------------------------------------

_List_storage::block* _List_storage::allocate_block(dv_list&, const void* near, void* previous, int prev_is_root) {
  void* storage = _Coll_placement::near(near).allocate(sizeof(block), block::get_dv_typespec());
  return ::new (storage) block(previous, prev_is_root);
}

_List_storage::block* _List_storage::new_first_block(dv_list& l, dv_cursor* c) {
  block* nb = allocate_block(l, &l, &l, 1);
  if ((l.flags_ & dv_list::has_blocks_bit) == 0) {
    bool full = l.local_card_ == N;
    if (full) {
      nb->slots_[0] = l.slots_[N - 1];
      l.slots_[N - 1] = nullptr;
      nb->local_card_ = 1;
      --l.local_card_;
    }
    link_after(l, nullptr, nb);
    if (full) adjust(l, c, nullptr, last_out, N - 1, 1);
    return nb;
  }
  block* first = l.first_block();
  if (first == l.last_block() && first->local_card_ == M) {
    // The only block becomes the last one and needs its last slot for the link.
    nb->slots_[0] = first->slots_[0];
    nb->local_card_ = 1;
    adjust(l, c, first, moved, 0, 1, nb, 0);
    move_ptrs_up(l, first, 0, c);
  }
  link_after(l, nullptr, nb);
  return nb;
}

_List_storage::block* _List_storage::new_block_after(dv_list& l, block* b, dv_cursor* c) {
  block* nb = allocate_block(l, b, b, 0);
  bool full_only = !b->has_next() && !b->is_last() && b->local_card_ == M;
  if (full_only) {
    nb->slots_[0] = b->slots_[M - 1];
    b->slots_[M - 1] = nullptr;
    nb->local_card_ = 1;
    --b->local_card_;
  }
  link_after(l, b, nb);
  if (full_only) adjust(l, c, b, last_out, M - 1, 1);
  return nb;
}

void _List_storage::link_after(dv_list& l, block* b, block* nb) {
  if (b == nullptr) {
    block* succ = l.first_block();
    nb->previous_ = &l;
    nb->flags_ = block::prev_is_root_bit;
    if (succ == nullptr) {
      l.slots_[N - 1] = nb;
      l.flags_ |= dv_list::has_blocks_bit;
      return;
    }
    block* last = l.last_block();
    nb->slots_[M - 1] = succ;
    nb->flags_ |= block::has_next_bit;
    succ->previous_ = nb;
    succ->flags_ &= static_cast<dv2u>(~block::prev_is_root_bit);
    if (last == succ) {
      if (succ->local_card_ >= M) internal("a full only block cannot become the last");
      succ->flags_ |= block::is_last_bit;
    }
    last->slots_[M - 1] = nb;
    return;
  }
  block* succ = b->next_block();
  nb->previous_ = b;
  nb->flags_ = 0;
  if (succ != nullptr) {
    nb->slots_[M - 1] = succ;
    nb->flags_ = block::has_next_bit;
    succ->previous_ = nb;
    b->slots_[M - 1] = nb;
    return;
  }
  block* first = l.first_block();
  if (b->local_card_ >= M) internal("a full only block cannot link a successor");
  b->flags_ = static_cast<dv2u>((b->flags_ & ~block::is_last_bit) | block::has_next_bit);
  b->slots_[M - 1] = nb;
  nb->flags_ = block::is_last_bit;
  nb->slots_[M - 1] = first;
  l.slots_[N - 1] = nb;
}

void _List_storage::unlink(dv_list& l, block* b) {
  block* pred = b->previous_block();
  block* succ = b->next_block();
  block* first = l.first_block();
  block* last = l.last_block();
  if (pred == nullptr && succ == nullptr) {
    l.flags_ &= ~static_cast<dv4u>(dv_list::has_blocks_bit);
    l.slots_[N - 1] = nullptr;
  } else if (pred == nullptr) {
    succ->previous_ = &l;
    succ->flags_ |= block::prev_is_root_bit;
    if (last == succ) {
      succ->flags_ &= static_cast<dv2u>(~block::is_last_bit);
      succ->slots_[M - 1] = nullptr;
    } else {
      last->slots_[M - 1] = succ;
    }
  } else if (succ == nullptr) {
    l.slots_[N - 1] = pred;
    pred->flags_ &= static_cast<dv2u>(~block::has_next_bit);
    if (pred->prev_is_root()) {
      pred->slots_[M - 1] = nullptr;
    } else {
      pred->flags_ |= block::is_last_bit;
      pred->slots_[M - 1] = first;
    }
  } else {
    pred->slots_[M - 1] = succ;
    succ->previous_ = pred;
  }
  b->previous_ = nullptr;
  b->slots_[M - 1] = nullptr;
  b->flags_ = 0;
}

void _List_storage::delete_block(dv_list& l, block* b) {
  unlink(l, b);
  b->~block();
  ::operator delete(b);
}

}  // namespace dv_qem
