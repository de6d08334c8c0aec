// The chained list: the ordered representation that refuses nulls. A head
// object holds N element slots; once it overflows, a ring of blocks of M
// slots each (dv_chained_list_block.h) is chained next to it: head slot N-1
// then links the last block, whose link slot leads back to the first. Blocks
// are kept at least half full by merging, and the cursor that drives a change
// is kept on its element.
//
// dv_chained_list holds the algorithms and leaves N, M, block allocation,
// block deletion and the local searches to its storage operations;
// dv_chained_list_4_8 fixes N = 4 and M = 8. The head's stored layout (36
// bytes with N = 4): virtual-table pointer, flag word, 16-bit head count,
// 16-bit reserved 0, cardinality, index list, then the N head slots.
#pragma once

#include <cstddef>

#include "dv_chained_list_block.h"
#include "dv_chained_list_cursor.h"
#include "dv_collection.h"
#include "dv_soft_pointer.h"
#include "dv_typespec.h"
#include "dv_types.h"

namespace dv_qem {

class dv_chained_list : public dv_collection {
 public:
  enum : dv4u { has_blocks_bit = 0x1, disallow_duplicates_bit = 0x2, signal_duplicates_bit = 0x4 };

  // How a change moved the elements, for the adjustment of the cursor that
  // drives it (protect_safe_cursors).
  enum _Cursor_change : unsigned {
    elements_removed = 1,         // count elements left at pos
    elements_inserted = 2,        // count elements came in at pos
    last_but_one_moved_on = 4,    // the last-but-one slot's element went to the next container
    last_moved_on = 8,            // the last slot's element went to the next container
    elements_moved = 32,          // elements pos .. pos+count-1 went to the target container
  };

  // behavior: 0x10000 refuses duplicates silently; with 0x4 as well it
  // raises err_coll_duplicates. expected is not used.
  dv_chained_list(unsigned expected, unsigned behavior);
  explicit dv_chained_list(dv_probe_t) {}
  // A list owns its blocks: it is never copied whole, and assigning takes the
  // other collection's elements (a list assigned to itself stays as it is).
  dv_chained_list(const dv_chained_list&) = delete;
  dv_chained_list& operator=(const dv_chained_list& other) {
    _assign(other);
    return *this;
  }

  // ---- the protocol ---------------------------------------------------------
  void* _pick() const override;
  void* _only() const override;
  void _insert(const void* e) override;
  int _remove(const void* e) override;
  void _insert_first(const void* e) override;
  void _insert_last(const void* e) override;
  int _remove_first(const void*& out) override;
  int _remove_last(const void*& out) override;
  int _retrieve_first(const void*& out) const override;
  int _retrieve_last(const void*& out) const override;
  void* _retrieve(unsigned position) const override;
  void* _retrieve(const dv_cursor& c) const override;
  void _insert_after(const void* e, unsigned position) override;
  void _insert_after(const void* e, const dv_cursor& c) override;
  void _insert_before(const void* e, unsigned position) override;
  void _insert_before(const void* e, const dv_cursor& c) override;
  void _remove_at(unsigned position) override;
  void _remove_at(const dv_cursor& c) override;
  void* _replace_at(const void* e, unsigned position) override;
  void* _replace_at(const void* e, const dv_cursor& c) override;
  int _contains(const void* e) const override;
  int _count(const void* e) const override;
  int _first(dv_cursor& c, void*& out) const override;
  int _last(dv_cursor& c, void*& out) const override;
  int _next(dv_cursor& c, void*& out) const override;
  int _previous(dv_cursor& c, void*& out) const override;
  // Removes every occurrence; 1 when something was removed, else 0.
  int _remove_all(const void* e) override;
  unsigned _cardinality() const override { return cardinality_; }
  int _empty() const override { return cardinality_ == 0; }
  void _re_initialize(unsigned) override {}
  int has_indexes() const override { return indexes_ != nullptr; }
  _Indexes*& indexes() override { return indexes_; }
  // Every element leaves (and leaves the indexes first); the flag word stays.
  void _clear() override;
  unsigned _get_behavior() const override;
  int _fast_count() const override { return 0; }
  char* _rep_name() const override { return const_cast<char*>("dv_chained_list"); }
  int _rep_enum() const override { return 2; }
  // err_coll_internal with the texts of the layout checks on a broken list,
  // then the index list's own check.
  void _check_rep_invariants() const override;
  void _set_untransformed(int) override {}

  // ---- storage operations (after dv_collection's; the order is an interface) --
  virtual unsigned num_ptrs_in_head() const = 0;    // N
  virtual unsigned num_ptrs_in_blocks() const = 0;  // M
  // A new block right after `after`, linked by after's set_next_block (the
  // first argument plays no part).
  virtual dv_chained_list_block* allocate_new_block(dv_chained_list_block* first, dv_chained_list_block* after,
                                                    _Chained_list_cursor* c) = 0;
  // A new first block, linked by the head's set_next_block.
  virtual dv_chained_list_block* allocate_new_block(_Chained_list_cursor* c) = 0;
  // The first slot of the block (of the head) holding e, or 0xFFFFFFFF.
  virtual unsigned contains_local(const dv_chained_list_block* b, const void* e) const = 0;
  virtual unsigned contains_local(const void* e) const = 0;
  // The occurrences of e in the block (in the head).
  virtual unsigned count_local(const dv_chained_list_block* b, const void* e) const = 0;
  virtual unsigned count_local(const void* e) const = 0;
  // Unlinks the block and frees it.
  virtual void delete_block(dv_chained_list_block* b) = 0;

  // ---- duplicates and appending -----------------------------------------------
  int disallow_duplicates() const { return (flags_ & disallow_duplicates_bit) != 0; }
  void set_disallow_duplicates(int on) { set_flag(disallow_duplicates_bit, on); }
  int signal_duplicates() const { return (flags_ & signal_duplicates_bit) != 0; }
  void set_signal_duplicates(int on) { set_flag(signal_duplicates_bit, on); }
  // Removes every element that occurs earlier in the list, so the first
  // occurrence of each stays.
  void remove_dups();
  // Appends e without the insertion checks and the index upkeep.
  void __insert_last(const void* e);

  // ---- the stored head, for reading ---------------------------------------------
  unsigned local_card() const { return local_card_; }
  int has_blocks() const { return (flags_ & has_blocks_bit) != 0; }
  // Head slot i.
  dv_coll_ptr& ptr(unsigned i) { return *raw_ptr(i); }
  const dv_coll_ptr& ptr(unsigned i) const { return *raw_ptr(i); }
  // The first block, or null without blocks.
  dv_chained_list_block* next_block() const;
  // The last block (head slot N-1), or null without blocks.
  dv_chained_list_block* find_last_block() const {
    return has_blocks() ? dv_chained_list_block::checked(*this, ptr(num_ptrs_in_head() - 1).resolve()) : nullptr;
  }

  // ---- relinking and the driving cursor -------------------------------------------
  // Makes next the first block without moving elements; null leaves the list
  // without blocks.
  void set_next_block_simple(dv_chained_list_block* next);
  // Adjusts the cursor c (none: nothing) that drives a change of the
  // container (null: the head) so that it stays on its element (see
  // _Cursor_change).
  static void protect_safe_cursors(dv_chained_list& l, _Chained_list_cursor* c, dv_chained_list_block* container,
                                   unsigned change, unsigned pos, unsigned count,
                                   dv_chained_list_block* target = nullptr, unsigned target_pos = 0) {
    if (c != nullptr) protect_safe_cursor(l, *c, container, change, pos, count, target, target_pos);
  }

  // ---- cursor steps without a virtual call ------------------------------------------
  // The same steps as _next and _previous, for a caller that knows the list's
  // class does not change them: a step inside the cursor's container is made
  // here, any other goes to the full step.
  int step_next(dv_cursor& cursor, void*& out) const {
    auto& c = _Chained_list_cursor::of(cursor);
    const unsigned slot = c.subscr_in_block();
    const dv_chained_list_block* b = c.current_block();
    const unsigned held = b != nullptr ? b->local_card() : local_card_;
    if (cardinality_ == 0 || slot == _Chained_list_cursor::no_position || slot + 1 >= held)
      return dv_chained_list::_next(cursor, out);
    return stand_at(c, b, slot + 1, out);
  }
  int step_previous(dv_cursor& cursor, void*& out) const {
    auto& c = _Chained_list_cursor::of(cursor);
    const unsigned slot = c.subscr_in_block();
    if (cardinality_ == 0 || slot == _Chained_list_cursor::no_position || slot == 0 || c.at_deleted_element())
      return dv_chained_list::_previous(cursor, out);
    return stand_at(c, c.current_block(), slot - 1, out);
  }

  // err_coll_internal "coll internal error" on a broken chain or an impossible position.
  [[noreturn]] static void internal_error(const char* what);

  // next (null passes), entered by a walk along the chain from the container
  // from (null: the head), once its link back is from: else err_coll_internal
  // "<maint-0024-0003>Bad previous pointer in block". Walks that only read
  // check it where they step into a block; a change in progress may not
  // (DESIGN.md, chained lists, 2).
  dv_chained_list_block* entered(dv_chained_list_block* next, const dv_chained_list_block* from) const {
    if (next != nullptr && (next->previous() != (from != nullptr ? static_cast<const void*>(from) : this) ||
                            (next->prev_is_root() != 0) != (from == nullptr)))
      refuse_link();
    return next;
  }

 protected:
  // The address of head slot i (the head slots follow the head's fields).
  dv_coll_ptr* raw_ptr(unsigned i) { return reinterpret_cast<dv_coll_ptr*>(this + 1) + i; }
  const dv_coll_ptr* raw_ptr(unsigned i) const { return reinterpret_cast<const dv_coll_ptr*>(this + 1) + i; }
  dv_coll_ptr& first_free_ptr() { return ptr(local_card_); }
  void set_local_card(unsigned n) { local_card_ = static_cast<dv2u>(n); }
  void inc_local_card(unsigned n = 1) { set_local_card(local_card_ + n); }
  void dec_local_card(unsigned n = 1) { set_local_card(local_card_ - n); }
  void inc_cardinality(unsigned n) { cardinality_ += n; }
  void dec_cardinality(unsigned n) { cardinality_ -= n; }
  void set_blocks(int on) { set_flag(has_blocks_bit, on); }
  void set_last_block(dv_chained_list_block* b) { ptr(num_ptrs_in_head() - 1) = b; }
  // Elements the head can hold now: N less the link slot while blocks exist.
  unsigned max_local_card() const { return num_ptrs_in_head() - (has_blocks() ? 1 : 0); }

  // The head's forms of the block's local operations (dv_chained_list_block.h).
  void insert_after_local(const void* e, unsigned p, _Chained_list_cursor* c);
  void insert_before_local(const void* e, unsigned p, _Chained_list_cursor* c);
  void move_ptrs_up(unsigned p, _Chained_list_cursor* c);
  void copy_ptrs(dv_coll_ptr* source, unsigned start, unsigned n);
  // Links nb (new, unlinked, built with the head as previous) as the first
  // block. The head's last element, or a full only block's first one, moves
  // into it (the cursor follows it).
  void set_next_block(dv_chained_list_block* nb, _Chained_list_cursor* c);
  // Clears the list (every block deleted), destroys and frees the index
  // list, and zeroes the flag word and both counts.
  void destroy();
  static void protect_safe_cursor(dv_chained_list& l, _Chained_list_cursor& c, dv_chained_list_block* container,
                                  unsigned change, unsigned pos, unsigned count, dv_chained_list_block* target,
                                  unsigned target_pos);

  // 1 when e may be stored, 0 when it must be skipped (a silently refused
  // duplicate); raises for a signalled duplicate and for null.
  int do_insert_checks(const void* e) const;

 private:
  friend class dv_chained_list_block;
  friend class _Chained_container;
  friend struct _Chained_list_layout;

  // Raises what entered says.
  [[noreturn]] static void refuse_link();

  void set_flag(dv4u bit, int on) { flags_ = on ? (flags_ | bit) : (flags_ & ~bit); }
  // The container and local slot of position p (p < cardinality).
  dv_chained_list_block* position_of(unsigned p, unsigned& local) const;
  // Puts the cursor on slot of its container b (null: the head), unmarked,
  // and gives that slot's element.
  int stand_at(_Chained_list_cursor& c, const dv_chained_list_block* b, unsigned slot, void*& out) const {
    c.set_subscr_in_block(slot);
    c.set_at_deleted_element(0);
    c.set_more(1);
    out = (b != nullptr ? b->ptr(slot) : ptr(slot)).resolve();
    return 1;
  }
  // The index upkeep before e enters the list.
  void index_insert(const void* e) {
    if (indexes_ != nullptr) maintain_index_insert(indexes_, e, 0);
  }
  // Takes out slot local of container b (null: the head) with the cursor c
  // driving; the index upkeep follows.
  void remove_local(dv_chained_list_block* b, unsigned local, _Chained_list_cursor* c);
  // Stores e in the slot, e entering the indexes and the old element leaving
  // them; gives the old element.
  void* replace_slot(dv_coll_ptr& slot, const void* e);

  dv4u flags_ = 0;               // has_blocks, disallow_duplicates, signal_duplicates
  dv2u local_card_ = 0;          // elements in the head slots
  dv2u reserved_ = 0;            // always 0
  dv4u cardinality_ = 0;         // elements in all
  _Indexes* indexes_ = nullptr;  // attached indexes
};

// N = 4 head slots, blocks of M = 8 (dv_chained_list_block_pt<8>): the
// representation of lists and of the overflow lists of keyed hash tables.
class dv_chained_list_4_8 : public dv_chained_list {
 public:
  using block = dv_chained_list_block_pt<8>;

  dv_chained_list_4_8(unsigned expected, unsigned behavior) : dv_chained_list(expected, behavior) {}
  explicit dv_chained_list_4_8(dv_probe_t p) : dv_chained_list(p) {}
  // Destroys the list (its blocks and index list), then the head slots.
  ~dv_chained_list_4_8() override;
  dv_chained_list_4_8& operator=(const dv_chained_list_4_8& other) {
    _assign(other);
    return *this;
  }

  static dv_typespec* get_dv_typespec();

  unsigned num_ptrs_in_head() const override { return 4; }
  unsigned num_ptrs_in_blocks() const override { return 8; }
  dv_chained_list_block* allocate_new_block(dv_chained_list_block* first, dv_chained_list_block* after,
                                            _Chained_list_cursor* c) override;
  dv_chained_list_block* allocate_new_block(_Chained_list_cursor* c) override;
  unsigned contains_local(const dv_chained_list_block* b, const void* e) const override;
  unsigned contains_local(const void* e) const override;
  unsigned count_local(const dv_chained_list_block* b, const void* e) const override;
  unsigned count_local(const void* e) const override;
  void delete_block(dv_chained_list_block* b) override;

 private:
  friend struct _Chained_list_layout;

  dv_coll_ptr slots_[4];  // reached through ptr(i); slot 3 links the last block while has_blocks
};

}  // namespace dv_qem
