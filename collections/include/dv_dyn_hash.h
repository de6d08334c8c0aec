// Hash sets and bags: _RH_dynhash is the extendible hash (_Rhash) over
// element addresses, whose slots hold the element itself (and, in a bag, how
// many times it was inserted); dv_dyn_hash and dv_dyn_bag put the collection
// operations on it, and dv_set and dv_bag are the kinds "dv_Set" and
// "dv_Bag". A slot is empty when its element is null and removed when its
// element is the address of the owning hash. Elements hash by their offset
// in their database, so a persistent set still finds them after the
// database is mapped at another address.
#pragma once

#include <cstddef>

#include "dv_coll_rep_registry.h"
#include "dv_rhash.h"
#include "dv_soft_pointer.h"
#include "dv_types.h"

namespace dv_qem {

// The slot of a set: the element.
struct _RH_dynhash_slot {
  dv_soft_pointer32<void> element;  // null: empty; the hash itself: removed
  static dv_typespec* get_dv_typespec();
};
static_assert(sizeof(_RH_dynhash_slot) == 4);

// The slot of a bag: the element and how many times it is held.
struct _RH_dynhash_slot_dup {
  dv_soft_pointer32<void> element;  // null: empty; the hash itself: removed
  dv4u count = 0;                   // insertions not yet removed
  static dv_typespec* get_dv_typespec();
};
static_assert(sizeof(_RH_dynhash_slot_dup) == 8);
static_assert(offsetof(_RH_dynhash_slot_dup, count) == 4);

// The hash of an element address: its offset in its database (the address
// itself outside every database) times 9987001.
unsigned _Ptr_hash_relocatable(const void* element);

class _RH_dynhash : public _Rhash {
 public:
  // behavior 0x2 makes a bag (8-byte slots with counts), else a set.
  _RH_dynhash(unsigned expected, unsigned behavior);
  explicit _RH_dynhash(dv_probe_t) : _Rhash(dv_probe) {}
  // The copy has tables of its own holding the same elements.
  _RH_dynhash(const _RH_dynhash& other);
  _RH_dynhash& operator=(const _RH_dynhash& other);
  // Frees tables and directory.
  ~_RH_dynhash() override;

  // _Ptr_rank and the relocation-stable element hash.
  void find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const override;
  char* _rep_name() const override { return const_cast<char*>("_RH_dynhash"); }

  char* allocate_slots(unsigned n, dv_cluster* cluster, void* hint) override;
  void delete_slots(void* slots) override;
  int slot_contains(void* slot, unsigned overflow, const void* element) const override;
  int slot_insert(void* slot, unsigned table, unsigned index, const void* element, const void* key,
                  unsigned hash) override;
  // err_am_no_key "Couldn't find specified value in _RH_slot::remove" when
  // the slot does not hold element.
  void slot_remove(void* slot, unsigned table, unsigned index, const void* element, int& emptied) override;
  void slot_assign(void* to, const void* from) override;
  void* slot_value(const void* slot, const _Rhash_cursor* c, unsigned overflow) const override;
  int slot_key_eq(const void* slot, unsigned hash, const void* key, _Rank_fcn rank) const override;
  void* slot_pick(const void* slot, unsigned overflow) const override;
  int slot_first(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;
  int slot_last(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;
  int slot_next(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;
  int slot_previous(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;
  int slot_null(const void* slot, const _Rhash_cursor* c, unsigned overflow) const override;
  int stores_overflow() const override { return 0; }
  int slot_count(void* slot, unsigned overflow) const override;
  _RH_slot_status slot_status(void* slot, const void* key, _RH_search_type type, _Rank_fcn rank,
                              unsigned hash) const override;
  void* slot_key(const void* slot, unsigned hash) const override;
  unsigned slot_hash(const void*, unsigned) const override { return 0; }
  int slot_occupied(const void* slot) const override;
  void slot_reclaim_oflo(void*, unsigned) override {}
  const char* _rep_type() const override;

 private:
  int is_bag() const { return sizeof_slot() == sizeof(_RH_dynhash_slot_dup); }
  void* element_of(const void* slot) const { return static_cast<const dv_soft_pointer32<void>*>(slot)->resolve(); }
  int is_tombstone(const void* slot) const { return element_of(slot) == static_cast<const void*>(this); }
};

class dv_dyn_hash : public _RH_dynhash {
 public:
  explicit dv_dyn_hash(unsigned expected = 0, unsigned behavior = 0);
  explicit dv_dyn_hash(dv_probe_t) : _RH_dynhash(dv_probe) {}
  dv_dyn_hash(const dv_dyn_hash& other);
  dv_dyn_hash& operator=(const dv_dyn_hash& other);
  ~dv_dyn_hash() override = default;

  // err_coll_nulls "<err-0024-1910>..." for null; an element already in a
  // set leaves it unchanged, in a bag counts once more.
  void _insert(const void* e) override;
  // 1 when e is gone from the collection (a bag answers 0 while it still
  // holds e).
  int _remove(const void* e) override;
  int _contains(const void* e) const override;
  int _count(const void* e) const override;
  void* _pick() const override;
  void* _only() const override;
  // The walks (_first ...) are the dictionary's: the cursor owns a hash
  // cursor made on its first use. The element under the cursor; null-cursor and removed-element errors.
  void* _retrieve(const dv_cursor& c) const override;
  // Removes the element under the cursor, leaving the cursor at a deleted
  // element from which next and previous go on; tables are not reorganised
  // under the cursor (the next insert does that).
  void _remove_at(const dv_cursor& c) override;
  void* _retrieve(unsigned position) const override;
  void _remove_at(unsigned position) override;
  void _insert_first(const void* e) override;
  void _insert_last(const void* e) override;
  void _insert_after(const void* e, unsigned position) override;
  void _insert_after(const void* e, const dv_cursor& c) override;
  void _insert_before(const void* e, unsigned position) override;
  void _insert_before(const void* e, const dv_cursor& c) override;
  int _remove_first(const void*& out) override;
  int _remove_last(const void*& out) override;
  int _retrieve_first(const void*& out) const override;
  int _retrieve_last(const void*& out) const override;
  void* _replace_at(const void* e, unsigned position) override;
  void* _replace_at(const void* e, const dv_cursor& c) override;
  int _empty() const override { return _cardinality() == 0; }
  void _clear() override;
  unsigned _get_behavior() const override { return 0; }
  int _rep_enum() const override { return 4; }
  int _fast_count() const override { return 0; }
  void do_insert_checks(const void*) const {}

  static dv_typespec* get_dv_typespec();
};

class dv_dyn_bag : public dv_dyn_hash {
 public:
  explicit dv_dyn_bag(unsigned expected = 0) : dv_dyn_hash(expected, dv_allow_duplicates) {}
  explicit dv_dyn_bag(dv_probe_t) : dv_dyn_hash(dv_probe) {}
  dv_dyn_bag(const dv_dyn_bag& other) = default;
  // The collection assignment: replaces the elements by the other's.
  dv_dyn_bag& operator=(const dv_dyn_bag& other);
  ~dv_dyn_bag() override = default;

  // How many times e is held.
  int _count(const void* e) const override;
  unsigned _get_behavior() const override { return dv_allow_duplicates; }
  int _rep_enum() const override { return 5; }
  int _fast_count() const override { return 1; }

  static dv_typespec* get_dv_typespec();
};

// The kind "dv_Set".
class dv_set : public dv_dyn_hash {
 public:
  explicit dv_set(unsigned expected = 0) : dv_dyn_hash(expected, 0) {}
  explicit dv_set(dv_probe_t) : dv_dyn_hash(dv_probe) {}
  dv_set(const dv_set& other) = default;
  dv_set& operator=(const dv_set& other) = default;
  ~dv_set() override = default;

  // A new set in the placement; the behaviour is not used.
  static dv_set& create(dv_database* db, unsigned behavior = 0, unsigned expected = 0);
  static dv_set& create(const void* hint, unsigned behavior = 0, unsigned expected = 0);
  // The maker registered for the kind "dv_Set".
  static dv_collection* make(const _Coll_placement& where, unsigned expected, unsigned behavior,
                             unsigned initial_count, const void* fill);
  static dv_typespec* get_dv_typespec();
};

// The kind "dv_Bag".
class dv_bag : public dv_dyn_bag {
 public:
  explicit dv_bag(unsigned expected = 0) : dv_dyn_bag(expected) {}
  explicit dv_bag(dv_probe_t) : dv_dyn_bag(dv_probe) {}
  dv_bag(const dv_bag& other) = default;
  dv_bag& operator=(const dv_bag& other) = default;
  ~dv_bag() override = default;

  static dv_bag& create(dv_database* db, unsigned behavior = 0, unsigned expected = 0);
  static dv_bag& create(const void* hint, unsigned behavior = 0, unsigned expected = 0);
  // The maker registered for the kind "dv_Bag".
  static dv_collection* make(const _Coll_placement& where, unsigned expected, unsigned behavior,
                             unsigned initial_count, const void* fill);
  static dv_typespec* get_dv_typespec();
};

static_assert(sizeof(dv_set) == 36 && sizeof(dv_bag) == 36);

}  // namespace dv_qem
