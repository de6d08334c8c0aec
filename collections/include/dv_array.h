// The packed list and the array kind built on it. A packed list keeps its
// elements (nulls and duplicates included) in the leading slots of one
// persistent slot array placed next to the list; the free tail of that array
// is marked in place as one free run (its first slot points forward to its
// last, its last back to its first), so every stored slot says by itself
// whether it holds an element. The array grows by half its capacity when an
// insertion finds it full, and never shrinks.
#pragma once

#include "dv_collection.h"
#include "dv_cursor.h"
#include "dv_soft_pointer.h"
#include "dv_typespec.h"

namespace dv_qem {

class dv_packed_list : public dv_collection {
 public:
  // An empty list of capacity max(5, size); its array is placed next to it.
  // err_coll_internal "coll internal error" when the array cannot be made.
  explicit dv_packed_list(unsigned size = 0);
  explicit dv_packed_list(dv_probe_t) {}
  // Frees the slot array.
  ~dv_packed_list() override;
  // A list owns its slot array: it is never copied whole.
  dv_packed_list(const dv_packed_list&) = delete;
  // Assigning a list to itself leaves it as it is.
  dv_packed_list& operator=(const dv_packed_list& other) {
    if (&other != this) _assign(other);
    return *this;
  }
  dv_packed_list& operator=(const dv_collection& other) {
    if (&other != this) _assign(other);
    return *this;
  }
  dv_packed_list& operator=(const void* e) { _assign(e); return *this; }

  // ---- the protocol (positions are 0-based) -----------------------------------
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
  int _remove_all(const void* e) override;
  unsigned _cardinality() const override { return cardinality_; }
  int _empty() const override { return cardinality_ == 0; }
  // Only while empty: replaces the array by one of capacity max(5, size).
  void _re_initialize(unsigned size) override;
  int has_indexes() const override { return indexes_ != nullptr; }
  _Indexes*& indexes() override { return indexes_; }
  void _clear() override;
  unsigned _get_behavior() const override { return dv_allow_duplicates | dv_allow_nulls | dv_maintain_order; }
  int _fast_count() const override { return 0; }
  char* _rep_name() const override { return const_cast<char*>("dv_packed_list"); }
  int _rep_enum() const override { return 1; }
  // err_coll_internal with the "<maint-0024-20xx>" texts when the stored
  // counts, the free run or the high-water slot disagree.
  void _check_rep_invariants() const override;
  void _set_untransformed(int) override {}

  // Slots in the array (at least 5).
  unsigned capacity() const { return capacity_; }
  // Grows the array to size slots (0: by half); err_coll_illegal_arg when
  // that is below the cardinality.
  void grow(unsigned size = 0) { _grow(size, nullptr); }
  int check_for_duplicates() const { return 0; }

  static dv_typespec* get_dv_typespec();

 protected:
  friend struct _Packed_list_layout;

  unsigned _set_size(unsigned n);
  dv_coll_ptr* _alloc_next_free_slot(dv_coll_ptr* after);
  void _dealloc_slot(dv_coll_ptr* slot, dv_cursor* c);
  void _make_free_block(dv_coll_ptr* a, dv_coll_ptr* b);
  int _free_slot_header(const dv_coll_ptr* p) const;
  int _free_slot_trailer(const dv_coll_ptr* p) const;
  dv_coll_ptr* _first_slot() const;
  dv_coll_ptr* _last_slot() const;
  dv_coll_ptr* _next_slot(dv_coll_ptr* p) const;
  dv_coll_ptr* _previous_slot(dv_coll_ptr* p) const;
  unsigned _slot_pos(const dv_coll_ptr* slot) const;
  dv_coll_ptr* _pos_slot(unsigned position) const;
  dv_coll_ptr* _find_slot(unsigned position) const;
  dv_coll_ptr* _containing_slot(const void* e) const;
  int _value_at_cursor(const dv_cursor& c, void*& out) const;
  void _shuffle_down(dv_coll_ptr* from, dv_coll_ptr* to, dv_cursor* c);
  void _adjust(unsigned new_capacity, dv_cursor* c);
  void _grow(unsigned size, dv_cursor* c);
  void _compact(dv_cursor* c);
  void __clear();
  void _clear_contents_and_indexes();
  void normalize_cursor(dv_cursor* c) const;
  void denormalize_cursor(dv_cursor* c) const;

 private:
  // Slot array support (array_slots.cpp).
  dv_coll_ptr* allocate_slots(unsigned count);
  static void free_slots(dv_coll_ptr* slots);
  // A free slot after `after` (growing or compacting when there is none).
  dv_coll_ptr* take_slot_after(dv_coll_ptr* after, dv_cursor* c);
  // Stores e at position, moving the elements from there one place on.
  void insert_at(const void* e, unsigned position, dv_cursor* c);
  void index_insert(const void* e);
  void index_remove(const void* e);
  // The cursor's slot, checked against the current elements (null: none).
  dv_coll_ptr* cursor_slot(const dv_cursor& c) const;
  void set_cursor_slot(dv_cursor& c, dv_coll_ptr* slot) const;

  unsigned cardinality_ = 0;          // elements, in slots 0..cardinality-1
  unsigned capacity_ = 0;             // slots in the array
  dv_coll_ptr* slots_ = nullptr;      // slot 0 (the count word precedes it)
  dv_coll_ptr* high_water_ = nullptr; // slot of the last element; null when empty
  _Indexes* indexes_ = nullptr;       // attached indexes; always null here
  unsigned half_capacity_ = 0;        // capacity / 2, kept for the stored format
};

class dv_array : public dv_packed_list {
 public:
  // capacity max(5, capacity) holding initial_count copies of fill.
  dv_array(unsigned capacity, unsigned initial_count, const void* fill);
  explicit dv_array(dv_probe_t p) : dv_packed_list(p) {}
  ~dv_array() override = default;

  // Removes elements from the end, or appends fill, until there are n.
  void set_cardinality(unsigned n, const void* fill);

  // A new array in the placement (a database, or next to the object at hint)
  // holding initial_count copies of fill; capacity max(expected,
  // initial_count). The behaviour word is handed to the maker unchanged.
  static dv_array& create(dv_database* db, unsigned behavior = 0, unsigned expected = 0,
                          unsigned initial_count = 0, const void* fill = nullptr);
  static dv_array& create(const void* hint, unsigned behavior = 0, unsigned expected = 0,
                          unsigned initial_count = 0, const void* fill = nullptr);

  static dv_typespec* get_dv_typespec();
};

static_assert(sizeof(dv_packed_list) == 28);
static_assert(sizeof(dv_array) == 28);

}  // namespace dv_qem
