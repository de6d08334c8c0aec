// The blocks of a chained list (dv_chained_list.h): a block is an 8-byte
// header (element count, flags, link to the previous block or to the list
// head) followed by M element slots, allocated next to the block or head
// before it. The header class holds the block's algorithms; they take the
// owning list where they need its sizes or its storage operations.
//
// Links: with has_next, slot M-1 holds the next block; with is_last, it holds
// the first block (the chain is a ring closed through the last block); a
// block with neither flag is the only block and holds M elements. has_next
// and is_last are never set together. The first block's previous is the head
// and it has prev_is_root.
//
// A block is checked where a walk enters it (checked, below), never per
// element: the three flag bits alone, never has_next with is_last, at most M
// elements. These hold at every moment, in the middle of a change too
// (DESIGN.md, chained lists, 1).
#pragma once

#include <cstddef>

#include "dv_soft_pointer.h"
#include "dv_types.h"

namespace dv_qem {

class dv_chained_list;
class _Chained_list_cursor;
class dv_typespec;

class dv_chained_list_block {
 public:
  enum : dv2u { prev_is_root_bit = 0x1, has_next_bit = 0x2, is_last_bit = 0x4 };

  // Empty and unlinked.
  dv_chained_list_block() = default;
  // Empty, linked back to previous (the list head when prev_is_root is non-zero).
  dv_chained_list_block(void* previous, int prev_is_root)
      : flags_(prev_is_root ? dv2u{prev_is_root_bit} : dv2u{0}), previous_(previous) {}
  // The count, the flags and the link are copied; the slots are not the header's.
  dv_chained_list_block(const dv_chained_list_block&) = default;
  dv_chained_list_block& operator=(const dv_chained_list_block&) = default;

  // ---- slots, count and link --------------------------------------------------------
  // Slot i (the slots follow the header).
  dv_coll_ptr& ptr(unsigned i) { return reinterpret_cast<dv_coll_ptr*>(this + 1)[i]; }
  const dv_coll_ptr& ptr(unsigned i) const { return reinterpret_cast<const dv_coll_ptr*>(this + 1)[i]; }
  // The slot after the elements.
  dv_coll_ptr& first_free_ptr() { return ptr(local_card_); }
  unsigned local_card() const { return local_card_; }
  void set_local_card(unsigned n) { local_card_ = static_cast<dv2u>(n); }
  // The previous block, or the list head with prev_is_root.
  void* previous() const { return previous_.resolve(); }
  void set_previous(void* p) { previous_ = p; }
  dv2u flags() const { return flags_; }

  int prev_is_root() const { return (flags_ & prev_is_root_bit) != 0; }
  void set_prev_is_root() { flags_ |= prev_is_root_bit; }
  void clear_prev_is_root() { flags_ &= static_cast<dv2u>(~prev_is_root_bit); }
  int has_next() const { return (flags_ & has_next_bit) != 0; }
  // Setting has_next clears is_last.
  void set_has_next(int on) {
    flags_ = on ? static_cast<dv2u>((flags_ & ~is_last_bit) | has_next_bit) : static_cast<dv2u>(flags_ & ~has_next_bit);
  }
  void clear_has_next() { set_has_next(0); }
  int is_last() const { return (flags_ & is_last_bit) != 0; }
  // Setting is_last clears has_next.
  void set_is_last() { flags_ = static_cast<dv2u>((flags_ & ~has_next_bit) | is_last_bit); }
  void clear_is_last() { flags_ &= static_cast<dv2u>(~is_last_bit); }

  // ---- the chain ------------------------------------------------------------------------
  // b (null passes) once its header is one a block of l can have: only the
  // three flag bits, never has_next with is_last, at most M elements. Else
  // err_coll_internal: "<maint-0024-0006>local cardinality incorrect in
  // block" for the count, "coll internal error" for the flags. A block whose
  // words are read as another type's (retagged as dv_list, whose
  // virtual-table pointer is stored over the count and the flags) fails it.
  static dv_chained_list_block* checked(const dv_chained_list& l, void* b);
  // Elements the block can hold now: M less the link slot it holds.
  unsigned max_local_card(const dv_chained_list& l) const;
  // The successor, or null for the last block.
  dv_chained_list_block* next_block(const dv_chained_list& l) const;
  // Of the last block: the first block (its link with is_last, else itself).
  dv_chained_list_block* get_first(const dv_chained_list& l) const;
  // Makes this block the last one, its link slot closing the ring to first.
  void set_first(const dv_chained_list& l, dv_chained_list_block* first);
  // Links nb (new and unlinked) right after this non-empty block. A full
  // only block first gives its last element to nb (the cursor follows it).
  void set_next_block(dv_chained_list& l, dv_chained_list_block* nb, _Chained_list_cursor* c);
  // Relinks next as this block's successor without moving elements; null
  // makes this block the end of the chain.
  void set_next_block_simple(dv_chained_list& l, dv_chained_list_block* next);
  // Takes this block out of the chain, relinking its neighbours.
  void _splice_self_out_of_list(dv_chained_list& l);
  // From this block on: the block holding position p (p counted from this
  // block's slot 0), p becoming the position inside it; err_coll_internal
  // past the last block.
  dv_chained_list_block* block_containing_nth(const dv_chained_list& l, unsigned& p);

  // ---- elements -------------------------------------------------------------------------
  // Appends e at the end of this (the last) block, or of a new block after it when full.
  void insert_last(dv_chained_list& l, const void* e);
  // Stores e before (after) slot p, making room by moving elements toward
  // the end, into the next block or into a new one; the counts change, the
  // cardinality does not.
  void insert_before_local(dv_chained_list& l, const void* e, unsigned p, _Chained_list_cursor* c);
  void insert_after_local(dv_chained_list& l, const void* e, unsigned p, _Chained_list_cursor* c);
  // Takes slot p out, the following elements moving up one place.
  void move_ptrs_up(dv_chained_list& l, unsigned p, _Chained_list_cursor* c);
  // Moves slots start .. start+n-1 by places toward the end, nulling the vacated ones.
  void move_ptrs_down(unsigned start, unsigned n, unsigned by);
  // Stores n pointers from source at slots start .., nulling each source
  // slot, and adds n to the count.
  void copy_ptrs(dv_coll_ptr* source, unsigned start, unsigned n);
  // From this block on: removes the first occurrence of e; 1 when one was removed.
  int remove(dv_chained_list& l, const void* e);
  // Takes slot p out, then compacts.
  void remove_at_local(dv_chained_list& l, unsigned p, _Chained_list_cursor* c);
  // Deletes an empty block; merges one below half full into a neighbour
  // that takes it whole (the head, the previous block, then the next block).
  void compact(dv_chained_list& l, _Chained_list_cursor* c);
  // From this block on: the first block holding e, with its slot; null when none does.
  dv_chained_list_block* contains(const dv_chained_list& l, const void* e, unsigned& slot) const;
  // From this block on: the occurrences of e.
  unsigned count(const dv_chained_list& l, const void* e) const;
  void* retrieve(unsigned p) const { return ptr(p).resolve(); }
  void* pick() const { return ptr(0).resolve(); }

 private:
  dv2u local_card_ = 0;   // elements held in slots 0 .. local_card_-1
  dv2u flags_ = 0;        // the bits above
  dv_coll_ptr previous_;  // the previous block, or the list head with prev_is_root
};

static_assert(sizeof(dv_chained_list_block) == 8);

// The concrete block: the header and M slots.
template <int M>
class dv_chained_list_block_pt : public dv_chained_list_block {
 public:
  using dv_chained_list_block::dv_chained_list_block;

  static dv_typespec* get_dv_typespec();

 private:
  dv_coll_ptr slots_[M];  // reached through ptr(i)
};

template <>
dv_typespec* dv_chained_list_block_pt<8>::get_dv_typespec();

static_assert(sizeof(dv_chained_list_block_pt<8>) == 40);

}  // namespace dv_qem
