// _RH<KT>: the keyed hash tables, one class per key type over the extendible
// hash _Rhash, whose slots are _RH_slot<KT>. Each class fills _Rhash's slot
// protocol (slots 106-133) for its key type: how a slot holds and compares
// its key, which rank and hash functions apply, how a key is copied, and how
// several elements under one key are kept (an overflow list in the slot,
// with the flags allow_dup and keyed). _Rhash::create picks the class by
// key-type name; the library registers the makers when it is loaded.
#pragma once

#include "dv_rh_key_classes.h"
#include "dv_rh_slot.h"
#include "dv_rhash.h"

namespace dv_qem {

class _RH_oflo_list;

template <class KT>
class _RH : public _Rhash {
 public:
  using slot_type = _RH_slot<KT>;

  // An empty table for key_type (its name as the function cache knows it)
  // with keys of key_size bytes, sized for expected elements.
  _RH(const char* key_type, unsigned key_size, unsigned expected, unsigned flags)
      : _Rhash(key_type, sizeof(slot_type), key_size, expected, flags) {}
  explicit _RH(dv_probe_t) : _Rhash(dv_probe) {}
  // The copy holds the same entries in storage of its own.
  _RH(const _RH& other) : _Rhash(other) { copy_entries_from(other); }
  // This table's entries are released; it takes the other's entries (the
  // hash's assignment copies them).
  _RH& operator=(const _RH& other);
  // Frees the tables and directory, with their overflow lists and key
  // copies (destroy_index; delete_slots releases the keys).
  ~_RH() override;

  // The maker registered with _Rhash::create: a new table in 36 bytes with
  // this class's typespec next to where.
  static _Rhash* make(const void* where, const char* key_type, unsigned key_size, unsigned expected,
                      unsigned flags);
  static dv_typespec* get_dv_typespec();

  // ---- the slot protocol --------------------------------------------------------------
  // The built-in pair of the key type; the functions registered for the key
  // type with user_hash_fnc, and always for _dv_pt_key and
  // _dv_pt_key_point_only.
  void find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const override;                         // 106
  // n empty slots after a count word: in cluster when given, else near hint;
  // null when the allocation gave null.
  char* allocate_slots(unsigned n, dv_cluster* cluster, void* hint) override;                   // 107
  // Destroys the slots and frees the array: the key copies of occupied
  // slots (char* strings, owned _dv_pt_key copies) are freed.
  void delete_slots(void* slots) override;                                                       // 108
  int slot_contains(void* slot, unsigned overflow, const void* element) const override;         // 109
  // Stores element under key with hash (a char* key is copied, a null one
  // stored as null; an owned _dv_pt_key copy is made). With duplicates kept,
  // an occupied slot takes a second element into an overflow list (the
  // present element first); 0 when element is already stored under the key.
  // Without duplicates an occupied slot is overwritten.
  int slot_insert(void* slot, unsigned table, unsigned index, const void* element, const void* key,
                  unsigned hash) override;                                                       // 110
  // Removes element: a plain slot becomes a tombstone (emptied 1); an
  // overflow list loses it and turns back into a plain slot at one element
  // (emptied 0). An element that is not there changes nothing and raises
  // dv_err_am (the inconsistency of _RH_oflo_list::remove for lists).
  void slot_remove(void* slot, unsigned table, unsigned index, const void* element, int& emptied) override;  // 111
  void slot_assign(void* to, const void* from) override;                                         // 112
  void* slot_value(const void* slot, const _Rhash_cursor* c, unsigned overflow) const override; // 118
  int slot_key_eq(const void* slot, unsigned hash, const void* key, _Rank_fcn rank) const override;  // 119
  void* slot_pick(const void* slot, unsigned overflow) const override;                          // 120
  // Position c inside the slot (dv_err_am when c has no table or slot).
  int slot_first(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;     // 121
  int slot_last(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;      // 122
  int slot_next(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;      // 123
  int slot_previous(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;  // 124
  int slot_null(const void* slot, const _Rhash_cursor* c, unsigned overflow) const override;     // 125
  int stores_overflow() const override { return 1; }                                             // 126
  // Elements under the slot's key: 0, 1, or the overflow list's count.
  int slot_count(void* slot, unsigned overflow) const override;                                  // 127
  _RH_slot_status slot_status(void* slot, const void* key, _RH_search_type type, _Rank_fcn rank,
                              unsigned hash) const override;                                     // 128
  // The key as callers pass it, so that lookups and inserts take it: the
  // inline field of scalar keys; the address of the stored pointer for char*,
  // void* and _dv_char_star_nocopy keys; the key's address for the others.
  void* slot_key(const void* slot, unsigned hash) const override;                                // 129
  unsigned slot_hash(const void* slot, unsigned hash) const override;                            // 130
  int slot_occupied(const void* slot) const override;                                            // 131
  // Deletes the overflow list of an overflowed slot (the table is being
  // emptied or freed): the slot keeps its key and one of the list's
  // elements, a plain slot that removal or delete_slots then releases.
  void slot_reclaim_oflo(void* slot, unsigned overflow) override;                                // 132
  const char* _rep_type() const override { return slot_type::_rep_type(); }                      // 133

 private:
  static slot_type& as_slot(void* p) { return *static_cast<slot_type*>(p); }
  static const slot_type& as_slot(const void* p) { return *static_cast<const slot_type*>(p); }
  static _RH_oflo_list* oflo(const slot_type& s) { return static_cast<_RH_oflo_list*>(s.element()); }

  // Whether the table owns an out-of-line copy of each key (_dv_pt_key with
  // the out-of-line flag).
  int owns_key_copies() const;
  // Where a key_pointer key is stored: a copy next to the table when the
  // table owns copies, else the caller's key.
  const void* key_storage_for(const void* key) const;
  // Frees the slot's out-of-line key copy when the table owns it.
  void release_key_copy(slot_type& s) const;
  // The slot's key taken again from an element of its overflow list.
  void retake_key(slot_type& s) const;
  // rank, or find_functions' rank when it is null.
  void rank_if_missing(_Rank_fcn& rank) const;
};

}  // namespace dv_qem
