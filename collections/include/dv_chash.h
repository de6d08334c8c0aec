// _Chash<K,void*>: the ready-made hash dictionaries of the library for the
// key kinds unsigned int ("unsigned int"), void* ("dv_pvoid") and char*
// ("char*"). Each is a dictionary facade whose representation is a
// _Chash_rhpt<K>: an extendible hash (_Rhash) of _Chash_slot<K> slots. A key
// holding several values keeps them in a nested dv_set. The function cache
// keeps its registry in a _Chash<char*,void*>. (The runtime's own _Chash is
// another structure; these live in an inline namespace of their own.)
#pragma once

#include "dv_outofline_dictionary.h"
#include "dv_rh_slot.h"
#include "dv_rhash.h"

namespace dv_qem {

class dv_set;

inline namespace coll_dictionaries {

// A slot: element word (null: empty; the owning table: removed; else the
// element, or with the slot's overflow bit the dv_set of its values), then
// the key: the value inline for unsigned int; for void* the pointer, for
// char* the slot's own copy of the string, each followed by the key's hash.
template <class K>
class _Chash_slot : public _RH_slot<K> {
 public:
  static dv_typespec* get_dv_typespec();
};
static_assert(sizeof(_Chash_slot<unsigned int>) == 8);
static_assert(sizeof(_Chash_slot<void*>) == 12 && sizeof(_Chash_slot<char*>) == 12);

// Per key kind: the key-type name and the fixed rank and hash functions.
// Pointer keys hash by their place in their database, so a table finds them
// wherever the database is mapped.
template <class K>
struct _Chash_kind;
template <>
struct _Chash_kind<unsigned int> {
  static constexpr const char* name = "unsigned int";
  static constexpr _Rank_fcn rank = &_Uint_rank;
  static constexpr _Hash_fcn hash = &_Int_hash;
};
template <>
struct _Chash_kind<void*> {
  static constexpr const char* name = "dv_pvoid";
  static constexpr _Rank_fcn rank = &_Pvoid_rank;
  static constexpr _Hash_fcn hash = &_Pvoid_hash_relocatable;
};
template <>
struct _Chash_kind<char*> {
  static constexpr const char* name = "char*";
  static constexpr _Rank_fcn rank = &_Str_rank;
  static constexpr _Hash_fcn hash = &_Str_hash_khs;
};

template <class K>
class _Chash_rhpt : public _Rhash {
 public:
  using slot_type = _Chash_slot<K>;

  // An empty table sized for expected values; several values per key with
  // allow_dup_bit in flags.
  _Chash_rhpt(unsigned expected, unsigned flags);
  explicit _Chash_rhpt(dv_probe_t) : _Rhash(dv_probe) {}
  // The copy holds the same entries (its own key copies and sets).
  _Chash_rhpt(const _Chash_rhpt& other) : _Rhash(other) { copy_entries_from(other); }
  _Chash_rhpt& operator=(const _Chash_rhpt& other);
  // Frees tables and directory with every key copy and overflow set.
  ~_Chash_rhpt() override;

  static dv_typespec* get_dv_typespec();

  // The fixed pair of the key kind (the function cache is not consulted).
  void find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const override;                           // 106
  char* allocate_slots(unsigned n, dv_cluster* cluster, void* hint) override;                     // 107
  // Frees the slots' key copies with the array.
  void delete_slots(void* slots) override;                                                         // 108
  int slot_contains(void* slot, unsigned overflow, const void* element) const override;           // 109
  // 1 when stored. A value already held under the key stores nothing and
  // answers 0; a second value makes the slot's dv_set.
  int slot_insert(void* slot, unsigned table, unsigned index, const void* element, const void* key,
                  unsigned hash) override;                                                         // 110
  // Removes element from the slot; a value the slot does not hold raises
  // dv_err_am and changes nothing.
  void slot_remove(void* slot, unsigned table, unsigned index, const void* element, int& emptied) override;  // 111
  void slot_assign(void* to, const void* from) override;                                           // 112
  unsigned first_occupied_slot(unsigned t) const override;                                         // 114
  unsigned last_occupied_slot(unsigned t) const override;                                          // 115
  unsigned next_occupied_slot(unsigned t, unsigned index) const override;                          // 116
  unsigned previous_occupied_slot(unsigned t, unsigned index) const override;                      // 117
  void* slot_value(const void* slot, const _Rhash_cursor* c, unsigned overflow) const override;   // 118
  int slot_key_eq(const void* slot, unsigned hash, const void* key, _Rank_fcn rank) const override;  // 119
  void* slot_pick(const void* slot, unsigned overflow) const override;                            // 120
  int slot_first(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;     // 121
  int slot_last(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;      // 122
  int slot_next(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;      // 123
  int slot_previous(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;  // 124
  int slot_null(const void* slot, const _Rhash_cursor* c, unsigned overflow) const override;       // 125
  int stores_overflow() const override { return 1; }                                               // 126
  int slot_count(void* slot, unsigned overflow) const override;                                    // 127
  _RH_slot_status slot_status(void* slot, const void* key, _RH_search_type type, _Rank_fcn rank,
                              unsigned hash) const override;                                       // 128
  // The address of the key word.
  void* slot_key(const void* slot, unsigned hash) const override;                                  // 129
  // The stored hash; 0 for unsigned int slots.
  unsigned slot_hash(const void* slot, unsigned hash) const override;                              // 130
  int slot_occupied(const void* slot) const override;                                              // 131
  // Deletes an overflowed slot's set, keeping one of its values in the slot.
  void slot_reclaim_oflo(void* slot, unsigned overflow) override;                                  // 132
  const char* _rep_type() const override { return "_Chash_slot<K>"; }                              // 133

 private:
  static slot_type& as_slot(void* p) { return *static_cast<slot_type*>(p); }
  static const slot_type& as_slot(const void* p) { return *static_cast<const slot_type*>(p); }
  static dv_set* values(const slot_type& s) { return static_cast<dv_set*>(s.element()); }
};

template <class K, class V>
class _Chash;

// The facade. Flags 0x400 or 0x800 keep one value per key; without them a
// key may hold several.
template <class K>
class _Chash<K, void*> : public dv_outofline_dictionary {
 public:
  _Chash(unsigned expected, unsigned flags);
  explicit _Chash(dv_probe_t) : dv_outofline_dictionary(dv_probe) {}
  // Copies hold the same entries in a representation of their own.
  _Chash(const _Chash& other);
  _Chash& operator=(const _Chash& other);
  ~_Chash() override = default;

  // A new dictionary next to where (null when the allocation gives null).
  static _Chash* create(const void* where, unsigned expected, unsigned flags);
  // Runs the deleting destructor of a non-null dictionary.
  static void destroy(_Chash* dictionary);
  static dv_typespec* get_dv_typespec();

  const char* _key_type() const override { return _Chash_kind<K>::name; }
  void find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const override {
    rank = _Chash_kind<K>::rank;
    hash = _Chash_kind<K>::hash;
  }

  // The keyed operations with the key by value (the untyped forms, which
  // take the key's address, stay reachable as dv_dictionary::insert ...).
  void insert(const K& key, const void* value) { dv_dictionary::insert(&key, value); }
  void remove(const K& key, const void* value) { dv_dictionary::remove(&key, value); }
  void* remove_value(const K& key, unsigned n = 1) { return dv_dictionary::remove_value(&key, n); }
  int contains(const K& key, const void* value) const { return dv_dictionary::contains(&key, value); }
  unsigned count_values(const K& key) const { return dv_dictionary::count_values(&key); }
  void* pick(const K& key) const { return dv_dictionary::pick(&key); }
  void* pick() const { return dv_collection::pick(); }

 private:
  // A new representation next to this facade (null when the allocation
  // gives null).
  _Chash_rhpt<K>* make_representation(unsigned expected, unsigned flags) const;
};

}  // namespace coll_dictionaries

}  // namespace dv_qem
