// dv_list: the chained list, the representation of the kind "dv_List". An
// ordered collection that refuses nulls: up to four elements live in the head
// object itself; beyond that, 40-byte blocks of eight slots are chained in a
// ring next to the head (head slot 3 links the last block, the last block's
// slot 7 links back to the first). Blocks are kept at least half full by
// merging, and a driving cursor is kept on its element across every change.
#pragma once

#include <cstddef>

#include "dv_coll_rep_registry.h"
#include "dv_collection.h"
#include "dv_cursor.h"
#include "dv_soft_pointer.h"
#include "dv_types.h"

namespace dv_qem {

class dv_list;

// One block of M element slots, stored next to the list head. With has_next
// slot M-1 links the next block; with is_last it links the first block; a
// block with neither flag is the only block and holds M elements.
template <int M>
class dv_chained_list_block_pt {
 public:
  enum : dv2u { prev_is_root_bit = 0x1, has_next_bit = 0x2, is_last_bit = 0x4 };

  dv_chained_list_block_pt() = default;
  dv_chained_list_block_pt(void* previous, int prev_is_root)
      : flags_(prev_is_root ? dv2u{prev_is_root_bit} : dv2u{0}), previous_(previous) {}

  dv2u local_card_ = 0;    // elements held in slots 0 .. local_card_-1
  dv2u flags_ = 0;         // the bits above
  dv_coll_ptr previous_;   // the previous block, or the list head with prev_is_root
  dv_coll_ptr slots_[M];   // elements; slot M-1 may be a link (see above)

  int prev_is_root() const { return (flags_ & prev_is_root_bit) != 0; }
  int has_next() const { return (flags_ & has_next_bit) != 0; }
  int is_last() const { return (flags_ & is_last_bit) != 0; }
  // Capacity: M less the link slot when one is held.
  unsigned max_local_card() const { return M - ((has_next() || is_last()) ? 1 : 0); }
  // The successor along the chain, or null for the last block.
  dv_chained_list_block_pt* next_block() const {
    return has_next() ? static_cast<dv_chained_list_block_pt*>(slots_[M - 1].resolve()) : nullptr;
  }
  // The block before this one (null for the first block).
  dv_chained_list_block_pt* previous_block() const {
    return prev_is_root() ? nullptr : static_cast<dv_chained_list_block_pt*>(previous_.resolve());
  }

  static dv_typespec* get_dv_typespec();
};

using _List_block = dv_chained_list_block_pt<8>;
template <>
dv_typespec* dv_chained_list_block_pt<8>::get_dv_typespec();

static_assert(sizeof(_List_block) == 40);
static_assert(offsetof(_List_block, local_card_) == 0);
static_assert(offsetof(_List_block, flags_) == 2);
static_assert(offsetof(_List_block, previous_) == 4);
static_assert(offsetof(_List_block, slots_) == 8);

class dv_list : public dv_collection {
 public:
  static constexpr unsigned head_slots = 4;   // N
  static constexpr unsigned block_slots = 8;  // M
  enum : dv4u { has_blocks_bit = 0x1, disallow_duplicates_bit = 0x2, signal_duplicates_bit = 0x4 };

  // behavior: 0x10000 refuses duplicates silently, with 0x4 as well it
  // raises err_coll_duplicates; expected is not used.
  dv_list(unsigned expected, unsigned behavior);
  explicit dv_list(dv_probe_t) {}
  ~dv_list() override;
  // A list owns its blocks: it is never copied whole, and assigning takes the
  // other collection's elements (a list assigned to itself stays as it is).
  dv_list(const dv_list&) = delete;
  dv_list& operator=(const dv_list& other) {
    _assign(other);
    return *this;
  }

  // A new empty list in the placement (a database or next to an object).
  static dv_list& create(dv_database* db, unsigned behavior = 0, unsigned expected = 0);
  static dv_list& create(const void* hint, unsigned behavior = 0, unsigned expected = 0);
  // The maker registered for the kind "dv_List": an empty list built from
  // (expected, behavior); an initial count and fill element are for arrays
  // and are not used.
  static dv_collection* make(const _Coll_placement& where, unsigned expected, unsigned behavior,
                             unsigned initial_count, const void* fill);
  static dv_typespec* get_dv_typespec();

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
  void _clear() override;
  unsigned _get_behavior() const override;
  int _fast_count() const override { return 0; }
  char* _rep_name() const override { return const_cast<char*>("dv_chained_list"); }
  int _rep_enum() const override { return 2; }
  // err_coll_internal with the texts of the layout checks on a broken list.
  void _check_rep_invariants() const override;
  void _set_untransformed(int) override {}

  // ---- cursor steps without a virtual call ------------------------------------
  // The same steps as _next and _previous, for a caller that knows the
  // collection is exactly a dv_list: a step inside the cursor's container
  // (the head or one block) is made here, any other goes to the full step.
  int step_next(dv_cursor& c, void*& out) const {
    const unsigned slot = c.count();
    const _List_block* b = static_cast<const _List_block*>(c.state_a());
    const unsigned held = b != nullptr ? b->local_card_ : local_card_;
    if (cardinality_ == 0 || slot == no_cursor_position || slot + 1 >= held) return dv_list::_next(c, out);
    return stand_at(c, b, slot + 1, out);
  }
  int step_previous(dv_cursor& c, void*& out) const {
    const unsigned slot = c.count();
    const _List_block* b = static_cast<const _List_block*>(c.state_a());
    if (cardinality_ == 0 || slot == no_cursor_position || slot == 0 || c.at_deleted_element())
      return dv_list::_previous(c, out);
    return stand_at(c, b, slot - 1, out);
  }

  // ---- storage operations (appended after the protocol) -----------------------
  virtual unsigned num_ptrs_in_head() const { return head_slots; }
  virtual unsigned num_ptrs_in_blocks() const { return block_slots; }

  // ---- inspection, for checks of the stored form ---------------------------------
  dv4u flag_word() const { return flags_; }
  unsigned head_count() const { return local_card_; }
  const dv_coll_ptr* head_slot_array() const { return slots_; }
  // The first and the last block, or null without blocks.
  _List_block* first_block() const;
  _List_block* last_block() const;

 private:
  friend struct _List_layout;
  friend class _List_storage;

  dv4u flags_ = 0;              // has_blocks, disallow_duplicates, signal_duplicates
  dv2u local_card_ = 0;         // elements in the head slots
  dv2u reserved_ = 0;           // always 0
  dv4u cardinality_ = 0;        // elements in all
  _Indexes* indexes_ = nullptr; // attached indexes (never attached here)
  dv_coll_ptr slots_[head_slots];  // elements; slot 3 links the last block while has_blocks

  // The cursor's slot word when it stands on no element.
  static constexpr unsigned no_cursor_position = 0xFFFFFFFFu;

  // Puts the cursor on slot of its container b (null: the head), unmarked,
  // and gives that slot's element.
  int stand_at(dv_cursor& c, const _List_block* b, unsigned slot, void*& out) const {
    c.set_count(slot);
    c.set_at_deleted_element(0);
    c.set_more(1);
    out = (b != nullptr ? b->slots_ : slots_)[slot].resolve();
    return 1;
  }
  // 0 when the element must be skipped (a silently refused duplicate).
  int do_insert_checks(const void* e) const;
  void append(const void* e);
};

}  // namespace dv_qem
