// The storage steps of the chained list: a container is the head (block
// null) or one block; these make room (spilling into the next container or
// a new block), take elements out (merging under-filled blocks), link and
// unlink blocks in the ring, and keep the driving cursor on its element.
#pragma once

#include "dv_cursor.h"
#include "dv_list.h"

namespace dv_qem {

class _List_storage {
 public:
  using block = _List_block;
  static constexpr unsigned no_position = 0xFFFFFFFFu;

  // ---- containers (b null is the head) -------------------------------------------
  static dv_coll_ptr* slots(dv_list& l, block* b) { return b != nullptr ? b->slots_ : l.slots_; }
  static const dv_coll_ptr* slots(const dv_list& l, const block* b) { return b != nullptr ? b->slots_ : l.slots_; }
  static unsigned count(const dv_list& l, const block* b) { return b != nullptr ? b->local_card_ : l.local_card_; }
  static void set_count(dv_list& l, block* b, unsigned n);
  // Elements the container can hold now (its slots less a held link).
  static unsigned capacity(const dv_list& l, const block* b);
  // Slots of the container, link included.
  static unsigned slot_total(const block* b) { return b != nullptr ? dv_list::block_slots : dv_list::head_slots; }
  // The container after this one: the first block after the head, the
  // successor after a block; null at the end.
  static block* next_container(const dv_list& l, const block* b) {
    return b != nullptr ? b->next_block() : l.first_block();
  }
  // The block and local position of position p (p at or beyond the head's
  // count); err_coll_internal past the last block.
  static void locate(const dv_list& l, unsigned p, block*& b, unsigned& local);
  // The first slot holding e in the container, or no_position.
  static unsigned find_local(const dv_list& l, const block* b, const void* e);

  // ---- changes -----------------------------------------------------------------------
  // Stores e before (after) local position p of the container; the local
  // counts change, the cardinality does not.
  static void insert_before_local(dv_list& l, block* b, const void* e, unsigned p, dv_cursor* c);
  static void insert_after_local(dv_list& l, block* b, const void* e, unsigned p, dv_cursor* c);
  // Appends at the end of the chain.
  static void insert_last(dv_list& l, const void* e);
  // Takes out local position p; a block left empty is deleted, one left
  // below half full is merged into a neighbour with room.
  static void remove_local(dv_list& l, block* b, unsigned p, dv_cursor* c);
  // Deletes every block and empties the head.
  static void clear(dv_list& l);

  // ---- cursor positions --------------------------------------------------------------
  static block* cursor_block(const dv_cursor& c) { return static_cast<block*>(c.state_a()); }
  static unsigned cursor_slot(const dv_cursor& c) { return c.count(); }
  static void place(dv_cursor& c, block* b, unsigned slot) {
    c.set_state_a(b);
    c.set_count(slot);
  }

 private:
  enum : unsigned {
    removed = 1,       // count elements left at pos
    inserted = 2,      // count elements came in at pos
    last_but_one_out = 4,  // the element in the last-but-one slot went to the next container
    last_out = 8,      // the element in the last slot went to the next container
    reset = 16,
    moved = 32,        // elements pos .. pos+count-1 went to the target container
  };
  static void adjust(dv_list& l, dv_cursor* c, block* container, unsigned kind, unsigned pos, unsigned n,
                     block* target = nullptr, unsigned target_pos = 0);

  // 1 when slot p of the container is free now, 0 when the caller must go on
  // in the next container.
  static int free_up_a_pointer(dv_list& l, block* b, unsigned p, dv_cursor* c);
  // Moves the container's element at slot from (its last) to slot 0 of next.
  static void push_last_to_next(dv_list& l, block* b, unsigned from, block* next);
  static void shift_down(dv_coll_ptr* s, unsigned from, unsigned n, unsigned by);
  static void move_ptrs_up(dv_list& l, block* b, unsigned p, dv_cursor* c);
  static void compact(dv_list& l, block* b, dv_cursor* c);

  static block* allocate_block(dv_list& l, const void* near, void* previous, int prev_is_root);
  // A new first block; a full only block first gives up its first element.
  static block* new_first_block(dv_list& l, dv_cursor* c);
  // A new block right after b; a full only block first gives up its last element.
  static block* new_block_after(dv_list& l, block* b, dv_cursor* c);
  // Links nb (unlinked, with room for a link) after b (null: at the front).
  static void link_after(dv_list& l, block* b, block* nb);
  static void unlink(dv_list& l, block* b);
  static void delete_block(dv_list& l, block* b);
};

}  // namespace dv_qem
