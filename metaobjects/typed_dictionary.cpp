// The hash-table representation of the typed dictionaries and the stored
// typespecs of the dictionaries the metaobject library keeps.
#include <cstring>

#include "dv_coll_key_functions.h"
#include "dv_function_cache.h"
#include "dv_qem/mop_dictionary.h"

namespace dv_qem {

class dv_type;
class dv_template;
class String;

namespace {

// The table flags for a dictionary behaviour: 0x400 or 0x800 keep one value
// per key and raise on a second insert under a present key (13: dynhash,
// signal duplicates, keyed); otherwise duplicates kept in overflow lists
// (11: dynhash, allow duplicates, keyed). Key flags follow the key type.
unsigned table_flags(const char* key_type, unsigned behavior) {
  unsigned flags = (behavior & 0xC00u) != 0
                       ? _Rhash::dynhash_bit | _Rhash::signal_dup_bit | _Rhash::keyed_bit
                       : _Rhash::dynhash_bit | _Rhash::allow_dup_bit | _Rhash::keyed_bit;
  if (std::strcmp(key_type, "char*") == 0) flags |= _Rhash::char_star_key_bit;
  if (std::strcmp(key_type, "dv_pvoid") == 0) flags |= _Rhash::dv_pvoid_key_bit;
  return flags;
}

}  // namespace

template <class K>
_Rhash_pt<K>::_Rhash_pt(unsigned expected, unsigned behavior)
    : _RH<K>(_Dict_pt_key<K>::name, 4, expected, table_flags(_Dict_pt_key<K>::name, behavior)) {}

template <class K>
void _Rhash_pt<K>::find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const {
  const unsigned flags = this->get_flags();
  if (flags & _Rhash::user_hash_fnc_bit) {
    _Coll_function_cache().find_functions(this->_key_type(), rank, hash, 1);
  } else if (flags & _Rhash::char_star_key_bit) {
    rank = &_Str_rank;
    hash = &_Str_hash_khs;
  } else if (flags & _Rhash::dv_pvoid_key_bit) {
    rank = &_Pvoid_rank;
    hash = &_Pvoid_hash;
  } else {
    rank = _RH_key_traits<K>::rank;
    hash = _RH_key_traits<K>::hash;
  }
}

template <class K>
char* _Rhash_pt<K>::allocate_slots(unsigned n, dv_cluster* cluster, void* hint) {
  using slot = _Dict_pt_slot<K>;
  const std::size_t size = std::size_t{n} * sizeof(slot) + sizeof(dv4u);
  void* block = cluster != nullptr ? ::operator new(size, cluster, slot::get_dv_typespec(), n)
                                   : ::operator new(size, dv_cluster::with(hint), slot::get_dv_typespec(), n);
  if (block == nullptr) return nullptr;
  *static_cast<dv4u*>(block) = n;
  auto* slots = reinterpret_cast<slot*>(static_cast<char*>(block) + sizeof(dv4u));
  for (unsigned i = 0; i < n; ++i) ::new (static_cast<void*>(slots + i)) slot;
  return reinterpret_cast<char*>(slots);
}

template <class K>
dv_typespec* _Dict_pt_slot<K>::get_dv_typespec() {
  return &dv_ts<_Dict_pt_slot<K>>::the_instance;
}

template <class K>
dv_typespec* _Rhash_pt<K>::get_dv_typespec() {
  return &dv_ts<_Rhash_pt<K>>::the_instance;
}

}  // namespace dv_qem

// Slots: element pointer at 0, the char* key copy at 4. Tables: virtual
// table at 0; directory, key-type name copy and index list at 24, 28, 32.
#define DV_RHASH_PT_TYPESPECS(K, NAME, ...)                                                                  \
  template class dv_qem::_Dict_pt_slot<K>;                                                                   \
  template class dv_qem::_Rhash_pt<K>;                                                                       \
  DV_DEFINE_TYPESPEC(dv_qem::_Dict_pt_slot<K>, "dv_qem::_Dict_pt_slot<" NAME ">", DV_POINTERS(__VA_ARGS__), \
                     DV_NO_VTABLES);                                                                         \
  DV_DEFINE_TYPESPEC(dv_qem::_Rhash_pt<K>, "dv_qem::_Rhash_pt<" NAME ">", DV_POINTERS(24, 28, 32),           \
                     DV_VTABLES(0));                                                                         \
  static_assert(sizeof(dv_qem::_Rhash_pt<K>) == 36);
DV_RHASH_PT_TYPESPECS(char*, "char*", 0, 4)
DV_RHASH_PT_TYPESPECS(unsigned, "unsigned int", 0)
#undef DV_RHASH_PT_TYPESPECS

// Dictionary facades: virtual table at 0, representation at 4.
#define DV_DICTIONARY_TYPESPEC(ALIAS, K, V, NAME)                                         \
  using ALIAS = dv_qem::dv_Dictionary<K, V>;                                              \
  template class dv_qem::dv_Dictionary<K, V>;                                             \
  DV_DEFINE_TYPESPEC(ALIAS, "dv_qem::dv_Dictionary<" NAME ">", DV_POINTERS(4), DV_VTABLES(0)); \
  static_assert(sizeof(ALIAS) == 12);
DV_DICTIONARY_TYPESPEC(_Mop_type_dictionary, char*, dv_qem::dv_type, "char*,dv_qem::dv_type*")
DV_DICTIONARY_TYPESPEC(_Mop_template_dictionary, char*, dv_qem::dv_template, "char*,dv_qem::dv_template*")
DV_DICTIONARY_TYPESPEC(_Mop_vtbl_dictionary, unsigned, dv_qem::String, "unsigned int,dv_qem::String*")
#undef DV_DICTIONARY_TYPESPEC
