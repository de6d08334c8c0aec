// The chained list's blocks: their links in the ring, appending, the local
// steps they share with the head, removal with merging, and the searches
// along the chain.
#include "coll_messages.h"
#include "dv_coll_err.h"
#include "list_storage.h"

namespace dv_qem {

namespace {
constexpr unsigned no_slot = 0xFFFFFFFFu;
}  // namespace

// ---- the chain ----------------------------------------------------------------------------------

dv_chained_list_block* dv_chained_list_block::checked(const dv_chained_list& l, void* b) {
  auto* block = static_cast<dv_chained_list_block*>(b);
  if (block == nullptr) return nullptr;
  if (block->local_card_ > l.num_ptrs_in_blocks()) dv_coll_raise<coll_msg::block_cardinality>();
  if (block->flags_ > (prev_is_root_bit | has_next_bit | is_last_bit))
    dv_chained_list::internal_error("a block's flags hold bits no block sets");
  if (block->has_next() && block->is_last()) dv_chained_list::internal_error("a block has a next block and is the last");
  return block;
}

unsigned dv_chained_list_block::max_local_card(const dv_chained_list& l) const {
  return l.num_ptrs_in_blocks() - ((has_next() || is_last()) ? 1 : 0);
}

dv_chained_list_block* dv_chained_list_block::next_block(const dv_chained_list& l) const {
  return has_next() ? checked(l, ptr(l.num_ptrs_in_blocks() - 1).resolve()) : nullptr;
}

dv_chained_list_block* dv_chained_list_block::get_first(const dv_chained_list& l) const {
  if (is_last()) return checked(l, ptr(l.num_ptrs_in_blocks() - 1).resolve());
  return const_cast<dv_chained_list_block*>(this);
}

void dv_chained_list_block::set_first(const dv_chained_list& l, dv_chained_list_block* first) {
  set_is_last();
  ptr(l.num_ptrs_in_blocks() - 1) = first;
}

void dv_chained_list_block::set_next_block(dv_chained_list& l, dv_chained_list_block* nb, _Chained_list_cursor* c) {
  const unsigned m = l.num_ptrs_in_blocks();
  if (dv_chained_list_block* successor = next_block(l)) {
    // nb takes over the link to the successor.
    nb->ptr(m - 1) = successor;
    nb->set_has_next(1);
    successor->set_previous(nb);
  } else {
    const bool only = !has_next() && !is_last();
    const bool gives_last = only && local_card_ == m;
    if (gives_last) {
      // The only block needs its last slot for the link.
      nb->ptr(0) = ptr(m - 1);
      nb->set_local_card(1);
      ptr(m - 1) = nullptr;
      --local_card_;
    }
    dv_chained_list_block* first = only ? this : get_first(l);
    nb->set_first(l, first);
    l.set_last_block(nb);
    ptr(m - 1) = nb;
    set_has_next(1);
    nb->set_previous(this);
    nb->clear_prev_is_root();
    if (gives_last) dv_chained_list::protect_safe_cursors(l, c, this, dv_chained_list::last_moved_on, m - 1, 1);
    return;
  }
  ptr(m - 1) = nb;
  set_has_next(1);
  nb->set_previous(this);
  nb->clear_prev_is_root();
}

void dv_chained_list_block::set_next_block_simple(dv_chained_list& l, dv_chained_list_block* next) {
  const unsigned m = l.num_ptrs_in_blocks();
  if (next != nullptr) {
    next->set_previous(this);
    set_has_next(1);
    ptr(m - 1) = next;
    return;
  }
  // This block becomes the end of the chain.
  if (prev_is_root()) {
    clear_has_next();
    ptr(m - 1) = nullptr;
  } else {
    set_first(l, l.next_block());
  }
  l.set_last_block(this);
}

void dv_chained_list_block::_splice_self_out_of_list(dv_chained_list& l) {
  dv_chained_list_block* successor = next_block(l);
  if (prev_is_root())
    l.set_next_block_simple(successor);
  else
    static_cast<dv_chained_list_block*>(previous())->set_next_block_simple(l, is_last() ? nullptr : successor);
  previous_ = nullptr;
  ptr(l.num_ptrs_in_blocks() - 1) = nullptr;
}

dv_chained_list_block* dv_chained_list_block::block_containing_nth(const dv_chained_list& l, unsigned& p) {
  for (dv_chained_list_block* b = this; b != nullptr; b = l.entered(b->next_block(l), b)) {
    if (p < b->local_card_) return b;
    p -= b->local_card_;
  }
  dv_chained_list::internal_error("position beyond the last block");
}

// ---- elements -----------------------------------------------------------------------------------

void dv_chained_list_block::insert_last(dv_chained_list& l, const void* e) {
  dv_chained_list_block* b = this;
  if (local_card_ >= max_local_card(l)) b = l.allocate_new_block(this, this, nullptr);
  b->first_free_ptr() = const_cast<void*>(e);
  ++b->local_card_;
}

void dv_chained_list_block::insert_before_local(dv_chained_list& l, const void* e, unsigned p, _Chained_list_cursor* c) {
  _Chained_container(l, this).insert_before_local(e, p, c);
}

void dv_chained_list_block::insert_after_local(dv_chained_list& l, const void* e, unsigned p, _Chained_list_cursor* c) {
  _Chained_container(l, this).insert_after_local(e, p, c);
}

void dv_chained_list_block::move_ptrs_up(dv_chained_list& l, unsigned p, _Chained_list_cursor* c) {
  _Chained_container(l, this).move_ptrs_up(p, c);
}

void dv_chained_list_block::move_ptrs_down(unsigned start, unsigned n, unsigned by) {
  _move_slots_down(&ptr(0), start, n, by);
}

void dv_chained_list_block::copy_ptrs(dv_coll_ptr* source, unsigned start, unsigned n) {
  _copy_slots(&ptr(start), source, n);
  local_card_ = static_cast<dv2u>(local_card_ + n);
}

int dv_chained_list_block::remove(dv_chained_list& l, const void* e) {
  unsigned slot = 0;
  dv_chained_list_block* b = contains(l, e, slot);
  if (b == nullptr) return 0;
  b->remove_at_local(l, slot, nullptr);
  return 1;
}

void dv_chained_list_block::remove_at_local(dv_chained_list& l, unsigned p, _Chained_list_cursor* c) {
  move_ptrs_up(l, p, c);
  compact(l, c);
}

void dv_chained_list_block::compact(dv_chained_list& l, _Chained_list_cursor* c) {
  const unsigned n = local_card_;
  if (n == 0) {
    l.delete_block(this);
    return;
  }
  if (n >= max_local_card(l) / 2) return;
  // The receiving container: the head before the first block, else the
  // previous block, else the next block; each must keep room to spare.
  dv_chained_list_block* into = nullptr;
  unsigned at = 0;
  if (prev_is_root()) {
    if (l.local_card() + n < l.max_local_card()) {
      at = l.local_card();
      l.copy_ptrs(&ptr(0), at, n);
    } else {
      into = this;  // no room
    }
  } else {
    into = static_cast<dv_chained_list_block*>(previous());
    if (into->local_card_ + n < into->max_local_card(l)) {
      at = into->local_card_;
      into->copy_ptrs(&ptr(0), at, n);
    } else {
      into = this;
    }
  }
  if (into == this) {
    into = next_block(l);
    if (into == nullptr || into->local_card_ + n >= into->max_local_card(l)) return;
    into->move_ptrs_down(0, into->local_card_, n);
    dv_chained_list::protect_safe_cursors(l, c, into, dv_chained_list::elements_inserted, 0, n);
    into->copy_ptrs(&ptr(0), 0, n);
  }
  local_card_ = 0;
  dv_chained_list::protect_safe_cursors(l, c, this, dv_chained_list::elements_moved, 0, n, into, at);
  l.delete_block(this);
}

dv_chained_list_block* dv_chained_list_block::contains(const dv_chained_list& l, const void* e, unsigned& slot) const {
  for (const dv_chained_list_block* b = this; b != nullptr; b = l.entered(b->next_block(l), b)) {
    slot = l.contains_local(b, e);
    if (slot != no_slot) return const_cast<dv_chained_list_block*>(b);
  }
  return nullptr;
}

unsigned dv_chained_list_block::count(const dv_chained_list& l, const void* e) const {
  unsigned n = 0;
  for (const dv_chained_list_block* b = this; b != nullptr; b = l.entered(b->next_block(l), b))
    n += l.count_local(b, e);
  return n;
}

}  // namespace dv_qem
