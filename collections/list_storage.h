// The steps that the head and the blocks of a chained list share: a
// container is the head (block null) or one block, and both make room,
// take elements out and move runs of slots the same way; only their
// capacities, their successors and how a new successor is made differ.
#pragma once

#include "dv_chained_list.h"

namespace dv_qem {

// Moves slots start .. start+n-1 of a run by places toward the end, nulling
// the vacated ones.
void _move_slots_down(dv_coll_ptr* slots, unsigned start, unsigned n, unsigned by);
// Copies n slots from source to dest, nulling each source slot.
void _copy_slots(dv_coll_ptr* dest, dv_coll_ptr* source, unsigned n);

class _Chained_container {
 public:
  _Chained_container(dv_chained_list& l, dv_chained_list_block* b) : list_(l), block_(b) {}

  dv_coll_ptr* slots() const { return block_ != nullptr ? &block_->ptr(0) : list_.raw_ptr(0); }
  dv_coll_ptr& slot(unsigned i) const { return slots()[i]; }
  unsigned count() const { return block_ != nullptr ? block_->local_card() : list_.local_card(); }
  void set_count(unsigned n) const {
    if (block_ != nullptr)
      block_->set_local_card(n);
    else
      list_.set_local_card(n);
  }
  // Elements the container can hold now (its slots less a held link).
  unsigned capacity() const { return block_ != nullptr ? block_->max_local_card(list_) : list_.max_local_card(); }
  // The container after this one: the first block after the head, the
  // successor after a block; null at the end.
  dv_chained_list_block* next() const { return block_ != nullptr ? block_->next_block(list_) : list_.next_block(); }

  // 1 when slot p is free now (elements moved toward the end, into the next
  // container or a new block), 0 when the caller must go on in the next
  // container.
  int free_up_a_pointer(unsigned p, _Chained_list_cursor* c) const;
  // See dv_chained_list_block.h for these.
  void insert_before_local(const void* e, unsigned p, _Chained_list_cursor* c) const;
  void insert_after_local(const void* e, unsigned p, _Chained_list_cursor* c) const;
  void move_ptrs_up(unsigned p, _Chained_list_cursor* c) const;
  void move_ptrs_down(unsigned start, unsigned n, unsigned by) const;
  void copy_ptrs(dv_coll_ptr* source, unsigned start, unsigned n) const;

 private:
  // A new container right after this one: a new first block after the head,
  // a new block after a block.
  dv_chained_list_block* make_next(_Chained_list_cursor* c) const;
  void protect(_Chained_list_cursor* c, unsigned change, unsigned pos, unsigned n) const {
    dv_chained_list::protect_safe_cursors(list_, c, block_, change, pos, n);
  }

  dv_chained_list& list_;
  dv_chained_list_block* block_;
};

}  // namespace dv_qem
