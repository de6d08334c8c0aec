// Typed dictionaries of the metaobject library: dv_Dictionary<K,V> maps keys
// of type K (char* or unsigned) to V* values. It is a dictionary facade
// (12 bytes, embedded in its owner) whose representation, placed next to it,
// is a B-tree when the behaviour asks for order (0x200), else a hash table
// specialised for K (_Rhash_pt<K>, slots _Dict_pt_slot<K>).
#pragma once

#include "dv_btree.h"
#include "dv_new.h"
#include "dv_outofline_dictionary.h"
#include "dv_rh.h"

namespace dv_qem {

// The key-type names the collection library knows the two key types by.
template <class K>
struct _Dict_pt_key;
template <>
struct _Dict_pt_key<char*> {
  static constexpr const char* name = "char*";
};
template <>
struct _Dict_pt_key<unsigned> {
  static constexpr const char* name = "unsigned int";
};

// A slot: element pointer (null empty, the table itself removed, else the
// element or, when overflowed, the list of the key's elements); then the key
// (char*: the slot's own copy of the text, in the slot's database; unsigned:
// the value inline); char* slots end with the word the inserting table
// supplies (the key's hash), cleared on removal. 12 and 8 bytes.
template <class K>
class _Dict_pt_slot : public _RH_slot<K> {
 public:
  static dv_typespec* get_dv_typespec();
};
static_assert(sizeof(_Dict_pt_slot<char*>) == 12 && sizeof(_Dict_pt_slot<unsigned>) == 8);

// The hash-table representation of dv_Dictionary<K,V> (36 bytes, a _Rhash).
// Behaviour 0x400 or 0x800 keeps one value per key and refuses a second
// insert under a present key (flags 13); otherwise a key may hold several
// values, kept in an overflow list in the slot (flags 11). char* tables add
// the character-pointer key flag 0x20.
template <class K>
class _Rhash_pt : public _RH<K> {
 public:
  _Rhash_pt(unsigned expected, unsigned behavior);
  explicit _Rhash_pt(dv_probe_t) : _RH<K>(dv_probe) {}
  _Rhash_pt(const _Rhash_pt&) = delete;
  _Rhash_pt& operator=(const _Rhash_pt&) = delete;

  static dv_typespec* get_dv_typespec();

  // Without registered functions (0x10): _Str_rank/_Str_hash_khs for the
  // character-pointer flag, _Pvoid_rank/_Pvoid_hash for the pointer flag,
  // else the key type's own pair (char*: _Str_*, unsigned: _Uint_rank and
  // _Int_hash); with 0x10 the function cache's pair for the key-type name.
  void find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const override;
  // n empty slots after a count word, typed _Dict_pt_slot<K>: in cluster when
  // given, else next to hint; null when the allocation gave nothing.
  char* allocate_slots(unsigned n, dv_cluster* cluster, void* hint) override;
  const char* _rep_type() const override { return "_Dict_pt_slot<K>"; }
};

// dv_Dictionary<K,V>: the typed facade. Keys are passed by value; a char*
// key is copied by the table (the caller keeps its text).
template <class K, class V>
class dv_Dictionary : public dv_outofline_dictionary {
 public:
  // Behaviour bit that asks for a B-tree (ordered) representation.
  static constexpr unsigned ordered_behavior = 0x200;

  // An empty dictionary whose representation is made next to this facade.
  dv_Dictionary(unsigned expected, unsigned behavior) { set_outofline(make_representation(expected, behavior)); }
  explicit dv_Dictionary(dv_probe_t) : dv_outofline_dictionary(dv_probe) {}
  dv_Dictionary(const dv_Dictionary&) = delete;
  dv_Dictionary& operator=(const dv_Dictionary&) = delete;

  // Each instantiation's typespec is defined once, by the program or library
  // that stores it (DV_DEFINE_TYPESPEC: virtual table at 0, representation at 4).
  static dv_typespec* get_dv_typespec() { return &dv_ts<dv_Dictionary>::the_instance; }

  void insert(K key, const V* value) { dv_dictionary::insert(&key, value); }
  void remove(K key, const V* value) { dv_dictionary::remove(&key, value); }
  // A value under key, or null.
  V* pick(K key) const { return static_cast<V*>(dv_dictionary::pick(&key)); }
  int contains(K key, const V* value) const { return dv_dictionary::contains(&key, value); }
  unsigned count_values(K key) const { return dv_dictionary::count_values(&key); }
  unsigned cardinality() const { return _cardinality(); }

 private:
  // The B-tree or the hash table the behaviour asks for, next to this facade.
  dv_dictionary* make_representation(unsigned expected, unsigned behavior) {
    const char* key_type = _Dict_pt_key<K>::name;
    if (behavior & ordered_behavior)
      return new (dv_cluster::with(this), dv_btree::get_dv_typespec())
          dv_btree(key_type, 4, 1, behavior >> 9, expected);
    return new (dv_cluster::with(this), _Rhash_pt<K>::get_dv_typespec()) _Rhash_pt<K>(expected, behavior);
  }
};

}  // namespace dv_qem
