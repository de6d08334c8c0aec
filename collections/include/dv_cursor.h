// dv_cursor: walks the elements of any dv_collection. A default cursor walks
// the live collection through the representation's cursor slots (49-52), so
// updates through it are possible; an update-insensitive or sorted cursor
// walks a snapshot array taken when it was bound and refuses updates. The
// fields are interpreted by each representation in its own way; the flag word
// says what kind of cursor it is.
#pragma once

#include "dv_collection.h"
#include "dv_soft_pointer.h"
#include "dv_types.h"

namespace dv_qem {

class _dv_cursor_holder;
class _Rhash_cursor;
class _Coll_btree_node;
class _dv_btree_cursor;
class dv_dictionary;
class dv_dictionary_cursor;
class dv_address_space_marker;
class dv_typespec;
class _Pset;
// The representations' views of a cursor (dv_cursor_views.h).
class _Packed_list_cursor;
class _Chained_list_cursor;
class _Ixonly_cursor;
class _Dictionary_cursor;
class dv_coll_user_ext_cursor;

// Rank function of sorted cursors: negative, 0 or positive as a sorts before,
// with or after b.
using dv_rank_fn = int (*)(const void* a, const void* b);

class dv_cursor {
 public:
  // Flag bits; the options of the constructors and of bind are the
  // update_insensitive_cursor and sort_by_addrs bits.
  enum : dv4u {
    at_deleted_element_bit = 0x1,
    exceeds_addr_space_bit = 0x2,
    more_bit = 0x4,
    initialized_bit = 0x8,
    array_cursor_bit = 0x10,
    ixonly_cursor_bit = 0x20,
    update_insensitive_cursor_bit = 0x40,
    index_based_cursor_bit = 0x80,
    default_cursor_bit = 0x100,
    restricted_dictionary_cursor_bit = 0x200,
    dynamic_extent_cursor_bit = 0x400,
    dictionary_cursor_bit = 0x800,
    use_dcur_bit = 0x1000,
    use_unsafe_ordered_mechanism_bit = 0x2000,
    use_coll_range_bit = 0x4000,
    order_by_key_val_bit = 0x8000,
    sort_by_type_bit = 0x10000,
    sort_by_user_rfn_bit = 0x20000,
    sort_by_addrs_bit = 0x40000,
    iterate_off_range_bit = 0x80000,
    has_temporary_index_bit = 0x100000,
    sorted_cursor_bits = 0x70000,
  };
  // Cursor options.
  static constexpr int update_insensitive = 0x40;
  static constexpr int sort_by_addrs = 0x40000;

  // An unbound cursor.
  dv_cursor();
  // Bound to c and standing on its first element (or past the end).
  // err_null_pointer (0835) for a null collection reference.
  dv_cursor(const dv_collection& c, int options = 0);
  // A snapshot sorted by the rank function registered for the type name.
  dv_cursor(const dv_collection& c, const char* type_name, int options = 0);
  // A snapshot sorted by rank.
  dv_cursor(const dv_collection& c, dv_rank_fn rank, int options = 0);
  // Range and index-path cursors are not supported: the cursor stays unbound.
  dv_cursor(const dv_dictionary& d, const dv_coll_range& range, int);
  dv_cursor(const dv_collection& c, const dv_index_path& path, int);
  // The copy walks on its own: a snapshot cursor gets its own snapshot.
  dv_cursor(const dv_cursor& other);
  dv_cursor& operator=(const dv_cursor& other);
  // Unbinds (under the session lock).
  ~dv_cursor();

  // Rebinds to c with the options this cursor was made with.
  void rebind(const dv_collection& c);
  // Rebinds a rank-sorted cursor with a new rank function; err_coll_illegal_arg
  // (0029) for a cursor not sorted by a rank function.
  void rebind(const dv_collection& c, dv_rank_fn rank);

  // ---- walking: 1 and the element when the cursor stands on one, else 0 --------
  int first(void*& out);
  int last(void*& out);
  int next(void*& out);
  int previous(void*& out);
  // The element, or null. (next and previous are inline: a walk makes one
  // call a step.)
  void* first();
  void* last();
  void* next() {
    void* e = nullptr;
    return next(e) ? e : nullptr;
  }
  void* previous() {
    void* e = nullptr;
    return previous(e) ? e : nullptr;
  }
  // The element under the cursor, or null.
  void* retrieve() const;
  // The same, retried once after the marker's release when the address
  // space ran out; a second failure propagates.
  void* first(dv_address_space_marker& m);
  void* last(dv_address_space_marker& m);
  void* next(dv_address_space_marker& m);
  void* previous(dv_address_space_marker& m);
  void* retrieve(dv_address_space_marker& m);

  // Updates through a default cursor (err_coll_illegal_update otherwise).
  void insert_after(const void* e);
  void insert_before(const void* e);
  void remove_at();

  int more() const { return (flags_ & more_bit) != 0; }
  int null() const { return !more(); }
  // 0 once the element under the cursor was removed.
  int valid() const;
  dv_collection* owner() { return contents(); }
  const dv_collection* owner() const { return contents(); }
  const dv_coll_range* get_range() const;
  const _Index_name* get_index() const;

  // Saves and restores the position.
  void remember(_dv_cursor_holder& holder) const;
  void restore(const _dv_cursor_holder& holder);

  // ---- kinds ---------------------------------------------------------------------
  // err_coll_not_implemented_yet (0845) for an update-insensitive or sorted
  // cursor: its fields hold a snapshot, not a position in a representation.
  void check_cast() const;
  // check_cast, and the same error for a cursor bound to a collection other
  // than rep (a facade counts as the representation behind it). A cursor
  // bound to nothing passes: a representation may walk one itself. Every
  // operation that reads a cursor's fields as a position in rep runs this
  // first.
  void check_cast(const dv_collection& rep) const;
  // The cursor itself as a representation's view, after check_cast.
  operator _Packed_list_cursor&();
  operator _Chained_list_cursor&();
  operator _Ixonly_cursor&();
  operator _Dictionary_cursor&();
  operator dv_coll_user_ext_cursor&();

  // ---- flag queries ------------------------------------------------------------
  int at_deleted_element() const { return has(at_deleted_element_bit); }
  int exceeds_addr_space() const { return has(exceeds_addr_space_bit); }
  int initialized() const { return has(initialized_bit); }
  int array_cursor() const { return has(array_cursor_bit); }
  int ixonly_cursor() const { return has(ixonly_cursor_bit); }
  int update_insensitive_cursor() const { return has(update_insensitive_cursor_bit); }
  int index_based_cursor() const { return has(index_based_cursor_bit); }
  int default_cursor() const { return has(default_cursor_bit); }
  int restricted_dictionary_cursor() const { return has(restricted_dictionary_cursor_bit); }
  int dynamic_extent_cursor() const { return has(dynamic_extent_cursor_bit); }
  int dictionary_cursor() const { return has(dictionary_cursor_bit); }
  int use_dcur() const { return has(use_dcur_bit); }
  int use_unsafe_ordered_mechanism() const { return has(use_unsafe_ordered_mechanism_bit); }
  int use_coll_range() const { return has(use_coll_range_bit); }
  int order_by_key_val() const { return has(order_by_key_val_bit); }
  int sort_by_type() const { return has(sort_by_type_bit); }
  int sort_by_user_rfn() const { return has(sort_by_user_rfn_bit); }
  int sort_by_addrs_flag() const { return has(sort_by_addrs_bit); }
  int iterate_off_range() const { return has(iterate_off_range_bit); }
  int has_temporary_index() const { return has(has_temporary_index_bit); }
  int sorted_cursor() const { return has(sorted_cursor_bits); }
  // Ordered (index-based) cursors are not supported, so no cursor is safe
  // against updates of an index and none stands between ordered keys.
  int is_safe() const { return 0; }
  int unsafe_ordered_between() const { return 0; }
  int unsafe_ordered_dcur_between() const { return 0; }
  dv4u flags() const { return flags_; }

  // ---- fields, for the representations ----------------------------------------
  // Each representation keeps its position in these as its own code says.
  void set_at_deleted_element(int on) { set(at_deleted_element_bit, on); }
  void set_more(int on) { set(more_bit, on); }
  void set_flag(dv4u bit, int on) { set(bit, on); }
  unsigned count() const { return count_; }
  void set_count(unsigned n) { count_ = n; }
  unsigned current_index() const { return index_; }
  void set_current_index(unsigned i) { index_ = i; }
  dv4u state_word() const { return state_word_; }
  void set_state_word(dv4u w) { state_word_ = w; }
  void* state_a() const { return state_a_.resolve(); }
  void set_state_a(void* p) { state_a_ = p; }
  void* state_b() const { return state_b_.resolve(); }
  void set_state_b(void* p) { state_b_ = p; }
  void* state_c() const { return state_c_.resolve(); }
  void set_state_c(void* p) { state_c_ = p; }
  dv_collection* get_contents() const { return contents(); }
  void set_contents(const dv_collection* c) { contents_ = const_cast<dv_collection*>(c); }
  dv4u extra_word(int i) const { return words_[i]; }
  void set_extra_word(int i, dv4u w) { words_[i] = w; }
  void* dcur() const { return dcur_; }
  void set_dcur(void* d) { dcur_ = d; }
  // Names that share a field with the ones above, each as the kind of
  // cursor that uses it sees the field:
  // the snapshot of an array cursor (its entries; the count word precedes)
  // in state A;
  void* get_array() const { return state_a(); }
  void set_array(void* entries) { set_state_a(entries); }
  unsigned array_size() const { return count_; }
  // the dictionary cursor that a dictionary cursor owns, in state A;
  dv_dictionary_cursor* dc() const { return static_cast<dv_dictionary_cursor*>(state_a()); }
  // the type name of a cursor sorted by type, in state B;
  const char* type_of_sort() const { return static_cast<const char*>(state_b()); }
  // the component cursor of an index-only cursor, in state B: the chain has
  // one link, which is both its distal end and its most proximal link;
  dv_cursor* distal() const { return static_cast<dv_cursor*>(state_b()); }
  dv_cursor* most_proximal_with_mapping() const { return distal(); }
  // the query result set of an index-based cursor, in state C;
  _Pset* ipset() const { return static_cast<_Pset*>(state_c()); }
  // the range of a range cursor, whether or not use_coll_range is set;
  dv_coll_range* rng() const { return range_; }
  dv_coll_range* range() const { return range_; }
  // the index an index-based cursor walks.
  _Index_name* iteration_path() const { return index_name_; }

  static dv_typespec* get_dv_typespec();

 protected:
  // One setter per flag bit (set when on is nonzero, else cleared); the
  // deleted and more marks have public ones above, for the representations.
  void set_exceeds_addr_space(int on) { set(exceeds_addr_space_bit, on); }
  void set_initialized(int on) { set(initialized_bit, on); }
  void set_array_cursor(int on) { set(array_cursor_bit, on); }
  void set_ixonly_cursor(int on) { set(ixonly_cursor_bit, on); }
  void set_update_insensitive_cursor(int on) { set(update_insensitive_cursor_bit, on); }
  void set_index_based_cursor(int on) { set(index_based_cursor_bit, on); }
  void set_default_cursor(int on) { set(default_cursor_bit, on); }
  void set_restricted_dictionary_cursor(int on) { set(restricted_dictionary_cursor_bit, on); }
  void set_dynamic_extent_cursor(int on) { set(dynamic_extent_cursor_bit, on); }
  void set_dictionary_cursor(int on) { set(dictionary_cursor_bit, on); }
  void set_use_dcur(int on) { set(use_dcur_bit, on); }
  void set_use_unsafe_ordered_mechanism(int on) { set(use_unsafe_ordered_mechanism_bit, on); }
  void set_use_coll_range(int on) { set(use_coll_range_bit, on); }
  void set_order_by_key_val(int on) { set(order_by_key_val_bit, on); }
  void set_sort_by_type(int on) { set(sort_by_type_bit, on); }
  void set_sort_by_user_rfn(int on) { set(sort_by_user_rfn_bit, on); }
  void set_sort_by_addrs(int on) { set(sort_by_addrs_bit, on); }
  void set_iterate_off_range(int on) { set(iterate_off_range_bit, on); }
  void set_has_temporary_index(int on) { set(has_temporary_index_bit, on); }

 private:
  friend class _dv_cursor_holder;
  friend class _Chained_list_cursor;
  friend class dv_coll_user_ext_cursor;
  friend struct _Coll_layout;

  int has(dv4u bits) const { return (flags_ & bits) != 0; }
  void set(dv4u bit, int on) { flags_ = on ? (flags_ | bit) : (flags_ & ~bit); }
  dv_collection* contents() const { return static_cast<dv_collection*>(contents_.resolve()); }

  void bind(const dv_collection& c, int options);
  void unbind();
  // Before a rebinding: frees what the cursor owns and clears it, keeping
  // what the new binding needs (the sort of an array cursor).
  void _reset();
  // Destroys the component cursor of an index-only cursor.
  void unbind_ixonly();
  void clear();
  // Frees what a dynamic-extent cursor holds in state A and B, unless state
  // A is the cursor itself.
  void unbind_dynamic_extent();
  // Sets more from the walk's answer and returns it.
  int moved(int found, void*& out) {
    set_more(found);
    if (!found) out = nullptr;
    return found;
  }
  [[noreturn]] void invalid_cursor() const;
  void require_default_cursor() const;

  // Snapshot arrays (cursor_snapshot.cpp).
  void array_bind();
  void array_create(const dv_collection& c);
  void array_sort();
  void array_copy(const dv_cursor& other);
  void array_unbind();
  // array_unbind and clear, keeping the options, the sort and its key.
  void array_reset();
  // Entry i (a soft pointer resolved when the snapshot holds them).
  void* array_get_value(unsigned i) const;
  int array_first(void*& out);
  int array_last(void*& out);
  int array_next(void*& out);
  int array_previous(void*& out);
  void* array_retrieve() const;

  void copy_type_name(const char* name);

  dv4u flags_ = 0;                    // flag bits above
  unsigned count_ = 0;                // array cursors: entries in the snapshot
  unsigned index_ = 0;                // array cursors: position (count_: past the end)
  dv4u state_word_ = 0;               // representation's position word
  dv_coll_ptr state_a_;               // array cursors: the snapshot; else the representation's
  dv_coll_ptr state_b_;               // sorted cursors: type name or rank function
  dv_coll_ptr state_c_;               // representation's
  dv_soft_pointer32<void> contents_;  // the bound collection
  dv_coll_range* range_ = nullptr;    // range cursors (never made here)
  _Index_name* index_name_ = nullptr; // index-based cursors (never made here)
  void* dcur_ = nullptr;              // representation's dictionary cursor
  dv4u words_[2] = {0, 0};            // representation's
};

static_assert(sizeof(dv_cursor) == 52);

// Saves a cursor's position (remember) and puts it back (restore).
class _dv_cursor_holder {
 public:
  _dv_cursor_holder() = default;
  // The copy has its own nested holder.
  _dv_cursor_holder(const _dv_cursor_holder& other);
  _dv_cursor_holder& operator=(const _dv_cursor_holder& other);
  ~_dv_cursor_holder();

  void remember_base(const dv_cursor& c);
  void restore_base(dv_cursor& c) const;
  // The holder of a cursor nested in the saved one (made on first need).
  _dv_cursor_holder& nested();
  const _dv_cursor_holder* nested_if_any() const { return nested_in_use_ ? nested_ : nullptr; }
  // A hash cursor's own position (table, slot, duplicate counter, state) and
  // its overflow cursor's: restored by putting the hash cursor's own
  // overflow cursor on the same element of the same collection.
  void remember_Rhash(const _Rhash_cursor& c);
  void restore_Rhash(_Rhash_cursor& c) const;
  // A B-tree cursor's own position (off-the-end flag, node, index within
  // the node) and the base fields of its cursor over the current key's
  // overflow collection in the nested holder. The cursor answers
  // getCurrentPos (unsigned&, _Coll_btree_node*&, unsigned&), setCurrentPos
  // (unsigned, _Coll_btree_node*, unsigned) and get_overflow () (its
  // dv_cursor, or null).
  template <class Btree_cursor>
  void remember_osbtree(Btree_cursor& c);
  template <class Btree_cursor>
  void restore_osbtree(Btree_cursor& c) const;
  // The same for the B-tree dictionary's cursor.
  void remember_dvbtree(_dv_btree_cursor& c);
  void restore_dvbtree(_dv_btree_cursor& c) const;

 private:
  // Saves the base fields of the nested cursor, or notes that there is none
  // (so that no earlier position is put back into a later one).
  void remember_nested(const dv_cursor* nested_cursor);

  dv_coll_ptr state_a_, state_b_, state_c_;
  unsigned count_ = 0;
  unsigned index_ = 0;
  dv4u state_word_ = 0;
  dv4u flags_ = 0;
  dv4u btree_null_ = 0;                  // a B-tree cursor's off-the-end flag
  dv_coll_ptr btree_node_;               // its current node
  dv4u btree_index_ = 0;                 // its index within the node
  dv4u rhash_words_[4] = {0, 0, 0, 0};   // a hash cursor's table, slot, counter, state
  _dv_cursor_holder* nested_ = nullptr;  // owned
  dv4u nested_in_use_ = 0;               // 1 while nested_ holds a position
  // The nested cursor's collection and the element it stood on (null when
  // none), for cursors that put a copy's nested cursor on the same element.
  const dv_collection* nested_owner_ = nullptr;
  void* nested_element_ = nullptr;
};

template <class Btree_cursor>
void _dv_cursor_holder::remember_osbtree(Btree_cursor& c) {
  unsigned null = 0;
  unsigned index = 0;
  _Coll_btree_node* node = nullptr;
  c.getCurrentPos(null, node, index);
  btree_null_ = null;
  btree_node_ = node;
  btree_index_ = index;
  remember_nested(c.get_overflow());
}

template <class Btree_cursor>
void _dv_cursor_holder::restore_osbtree(Btree_cursor& c) const {
  c.setCurrentPos(btree_null_, static_cast<_Coll_btree_node*>(btree_node_.resolve()), btree_index_);
  dv_cursor* overflow = c.get_overflow();
  if (overflow != nullptr && nested_if_any() != nullptr) nested_if_any()->restore_base(*overflow);
}

// Base of the representation-specific dictionary cursors that a dictionary
// cursor owns in its state A. The slot order is part of the interface.
class dv_dictionary_cursor {
 public:
  // Whether a new dictionary cursor is put on the first entry at once (0)
  // or left unpositioned.
  enum _set_position : int { position_at_first = 0, leave_unpositioned = 1 };

  dv_dictionary_cursor() = default;
  dv_dictionary_cursor(const dv_dictionary_cursor&) {}
  dv_dictionary_cursor& operator=(const dv_dictionary_cursor&) { return *this; }
  virtual ~dv_dictionary_cursor() = default;
  virtual void restrict(int low_condition, const void* low, int high_condition, const void* high) = 0;
  virtual void restrict(int condition, const void* key) = 0;
  virtual void unrestrict() = 0;
  virtual void remember(_dv_cursor_holder& holder) = 0;
  virtual void restore(const _dv_cursor_holder& holder) = 0;
};

}  // namespace dv_qem
