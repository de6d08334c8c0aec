// The hash dictionaries _Chash<K,void*>: the slot protocol of their tables
// (values of a repeated key in a nested dv_set), the facade's construction
// and copies, and the typespecs of the three key kinds.
#include "dv_chash.h"

#include <new>
#include <type_traits>

#include "dv_coll_err.h"
#include "dv_dyn_hash.h"
#include "dv_new.h"
#include "dv_typespec.h"
#include "rhash_messages.h"

namespace dv_qem {

inline namespace coll_dictionaries {

template <class K>
dv_typespec* _Chash_slot<K>::get_dv_typespec() {
  return &dv_ts<_Chash_slot<K>>::the_instance;
}

// ---- the table --------------------------------------------------------------------------

template <class K>
_Chash_rhpt<K>::_Chash_rhpt(unsigned expected, unsigned flags)
    : _Rhash(_Chash_kind<K>::name, sizeof(slot_type), 4, expected, flags) {}

template <class K>
_Chash_rhpt<K>& _Chash_rhpt<K>::operator=(const _Chash_rhpt& other) {
  _Rhash::operator=(other);
  return *this;
}

template <class K>
_Chash_rhpt<K>::~_Chash_rhpt() {
  destroy_index();
}

template <class K>
dv_typespec* _Chash_rhpt<K>::get_dv_typespec() {
  return &dv_ts<_Chash_rhpt<K>>::the_instance;
}

template <class K>
void _Chash_rhpt<K>::find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const {
  if (_is_char_star_key()) {
    rank = &_Str_rank;
    hash = &_Str_hash_khs;
    return;
  }
  rank = _Chash_kind<K>::rank;
  hash = _Chash_kind<K>::hash;
}

template <class K>
char* _Chash_rhpt<K>::allocate_slots(unsigned n, dv_cluster* cluster, void* hint) {
  const std::size_t size = std::size_t{n} * sizeof(slot_type) + sizeof(dv4u);
  void* block = cluster != nullptr ? ::operator new(size, cluster, slot_type::get_dv_typespec(), n)
                                   : ::operator new(size, dv_cluster::with(hint), slot_type::get_dv_typespec(), n);
  if (block == nullptr) return nullptr;
  *static_cast<dv4u*>(block) = n;
  auto* slots = reinterpret_cast<slot_type*>(static_cast<char*>(block) + sizeof(dv4u));
  for (unsigned i = 0; i < n; ++i) ::new (static_cast<void*>(slots + i)) slot_type;
  return reinterpret_cast<char*>(slots);
}

template <class K>
void _Chash_rhpt<K>::delete_slots(void* p) {
  if (p == nullptr) return;
  void* block = static_cast<char*>(p) - sizeof(dv4u);
  auto* slots = static_cast<slot_type*>(p);
  // The slot destructor frees a char* key copy.
  for (unsigned n = *static_cast<dv4u*>(block); n > 0; --n) slots[n - 1].~slot_type();
  ::operator delete(block);
}

template <class K>
int _Chash_rhpt<K>::slot_contains(void* p, unsigned overflow, const void* element) const {
  const slot_type& s = as_slot(p);
  if (!s.is_occupied(this)) return 0;
  if (overflow) return values(s)->_contains(element);
  return s.element() == element;
}

template <class K>
int _Chash_rhpt<K>::slot_insert(void* p, unsigned table, unsigned index, const void* element, const void* key,
                                unsigned hash) {
  slot_type& s = as_slot(p);
  if (!allow_dup() || !s.is_occupied(this)) {
    s.set_element(element);
    s.store_key(key, nullptr);  // frees the previous char* copy
    s.set_stored_hash(hash);
    return 1;
  }
  if (has_overflow(table, index)) {
    dv_set* set = values(s);
    if (set->_contains(element)) return 0;
    set->_insert(element);
    return 1;
  }
  if (s.element() == element) return 0;
  dv_set& set = dv_set::create(dv_database::of(this));
  try {
    set._insert(s.element());
    set._insert(element);
  } catch (...) {
    delete &set;
    throw;
  }
  s.set_element(&set);
  set_overflow(table, index, 1);
  return 1;
}

template <class K>
void _Chash_rhpt<K>::slot_remove(void* p, unsigned table, unsigned index, const void* element, int& emptied) {
  slot_type& s = as_slot(p);
  emptied = 0;
  if (s.is_occupied(this) && has_overflow(table, index)) {
    dv_set* set = values(s);
    if (!set->_remove(element)) dv_coll_raise<rhash_msg::slot_remove_missing>();
    if (set->_cardinality() == 1) {
      void* last = set->_pick();
      delete set;
      s.set_element(last);
      set_overflow(table, index, 0);
    }
    return;
  }
  // Another value under the same key is not this entry: nothing changes.
  if (!s.is_occupied(this) || s.element() != element) dv_coll_raise<rhash_msg::slot_remove_missing>();
  s.mark_removed(this);
  emptied = 1;
}

template <class K>
void _Chash_rhpt<K>::slot_assign(void* to, const void* from) {
  as_slot(to).assign(as_slot(from));
}

template <class K>
unsigned _Chash_rhpt<K>::first_occupied_slot(unsigned t) const {
  const _RH_HashTable* ht = table(t);
  if (ht == nullptr || ht->key_count == 0) return _Rhash_cursor::null_index;
  return next_occupied_slot(t, _Rhash_cursor::null_index);
}

template <class K>
unsigned _Chash_rhpt<K>::next_occupied_slot(unsigned t, unsigned index) const {
  const _RH_HashTable* ht = table(t);
  if (ht == nullptr) return _Rhash_cursor::null_index;
  for (unsigned i = index + 1; i < ht->n_slots; ++i)  // null_index + 1 wraps to 0
    if (as_slot(ht->slot(i, sizeof(slot_type))).is_occupied(this)) return i;
  return _Rhash_cursor::null_index;
}

template <class K>
unsigned _Chash_rhpt<K>::previous_occupied_slot(unsigned t, unsigned index) const {
  const _RH_HashTable* ht = table(t);
  if (ht == nullptr || index == 0) return _Rhash_cursor::null_index;
  for (unsigned i = index < ht->n_slots ? index : ht->n_slots; i > 0; --i)
    if (as_slot(ht->slot(i - 1, sizeof(slot_type))).is_occupied(this)) return i - 1;
  return _Rhash_cursor::null_index;
}

template <class K>
unsigned _Chash_rhpt<K>::last_occupied_slot(unsigned t) const {
  const _RH_HashTable* ht = table(t);
  if (ht == nullptr) return _Rhash_cursor::null_index;
  return previous_occupied_slot(t, ht->n_slots);
}

template <class K>
void* _Chash_rhpt<K>::slot_value(const void* p, const _Rhash_cursor* c, unsigned overflow) const {
  const slot_type& s = as_slot(p);
  if (!overflow) return s.element();
  dv_cursor* oc = c != nullptr ? c->get_oflo_current() : nullptr;
  if (oc == nullptr || oc->owner() != values(s)) return nullptr;
  return values(s)->_retrieve(*oc);
}

template <class K>
int _Chash_rhpt<K>::slot_key_eq(const void* p, unsigned, const void* key, _Rank_fcn rank) const {
  if (rank == nullptr) rank = _Chash_kind<K>::rank;
  return rank(as_slot(p).key_address(), key) == 0;
}

template <class K>
void* _Chash_rhpt<K>::slot_pick(const void* p, unsigned overflow) const {
  const slot_type& s = as_slot(p);
  return overflow ? values(s)->_pick() : s.element();
}

template <class K>
int _Chash_rhpt<K>::slot_first(const void* p, _Rhash_cursor* c, void*& element, unsigned overflow) const {
  const slot_type& s = as_slot(p);
  if (!overflow || c == nullptr) {
    element = s.element();
    return s.is_occupied(this);
  }
  c->activate_oflo_cursor(*values(s));
  return c->get_oflo_current()->first(element);
}

template <class K>
int _Chash_rhpt<K>::slot_last(const void* p, _Rhash_cursor* c, void*& element, unsigned overflow) const {
  const slot_type& s = as_slot(p);
  if (!overflow || c == nullptr) {
    element = s.element();
    return s.is_occupied(this);
  }
  c->activate_oflo_cursor(*values(s));
  return c->get_oflo_current()->last(element);
}

template <class K>
int _Chash_rhpt<K>::slot_next(const void* p, _Rhash_cursor* c, void*& element, unsigned overflow) const {
  if (!overflow || c == nullptr) return 0;
  dv_cursor* oc = c->get_oflo_current();
  if (oc == nullptr || oc->owner() != values(as_slot(p))) return 0;
  return oc->next(element);
}

template <class K>
int _Chash_rhpt<K>::slot_previous(const void* p, _Rhash_cursor* c, void*& element, unsigned overflow) const {
  if (!overflow || c == nullptr) return 0;
  dv_cursor* oc = c->get_oflo_current();
  if (oc == nullptr || oc->owner() != values(as_slot(p))) return 0;
  return oc->previous(element);
}

template <class K>
int _Chash_rhpt<K>::slot_null(const void* p, const _Rhash_cursor* c, unsigned overflow) const {
  const slot_type& s = as_slot(p);
  if (!overflow) return !s.is_occupied(this);
  const dv_cursor* oc = c != nullptr ? c->get_oflo_current() : nullptr;
  return oc == nullptr || oc->owner() != values(s) || !oc->more();
}

template <class K>
int _Chash_rhpt<K>::slot_count(void* p, unsigned overflow) const {
  const slot_type& s = as_slot(p);
  if (!s.is_occupied(this)) return 0;
  return overflow ? static_cast<int>(values(s)->_cardinality()) : 1;
}

template <class K>
_RH_slot_status _Chash_rhpt<K>::slot_status(void* p, const void* key, _RH_search_type type, _Rank_fcn rank,
                                            unsigned) const {
  const slot_type& s = as_slot(p);
  if (s.is_empty()) return _RH_empty;
  if (s.is_removed(this)) return _RH_removed;
  if (type == _RH_reorg) return _RH_other_key;
  return slot_key_eq(p, 0, key, rank) ? _RH_match : _RH_other_key;
}

template <class K>
void* _Chash_rhpt<K>::slot_key(const void* p, unsigned) const {
  return const_cast<void*>(as_slot(p).key_address());
}

template <class K>
unsigned _Chash_rhpt<K>::slot_hash(const void* p, unsigned) const {
  return as_slot(p).stored_hash();
}

template <class K>
int _Chash_rhpt<K>::slot_occupied(const void* p) const {
  return as_slot(p).is_occupied(this);
}

template <class K>
void _Chash_rhpt<K>::slot_reclaim_oflo(void* p, unsigned overflow) {
  slot_type& s = as_slot(p);
  if (!overflow || !s.is_occupied(this)) return;
  dv_set* set = values(s);
  void* kept = set->_pick();
  delete set;
  s.set_element(kept);
}

// ---- the facade ---------------------------------------------------------------------------

namespace {

// The table flags for the facade's flags: 0x400 or 0x800 keep one value per
// key (9), else a key may hold several (11).
unsigned table_flags(unsigned flags) {
  return (flags & 0xC00u) != 0 ? _Rhash::dynhash_bit | _Rhash::keyed_bit
                               : _Rhash::dynhash_bit | _Rhash::allow_dup_bit | _Rhash::keyed_bit;
}

}  // namespace

template <class K>
_Chash_rhpt<K>* _Chash<K, void*>::make_representation(unsigned expected, unsigned flags) const {
  void* storage = ::operator new(sizeof(_Chash_rhpt<K>), dv_cluster::of(this), _Chash_rhpt<K>::get_dv_typespec());
  if (storage == nullptr) return nullptr;
  _Chash_rhpt<K>* rep = nullptr;
  try {
    rep = ::new (storage) _Chash_rhpt<K>(expected, table_flags(flags));
  } catch (...) {
    ::operator delete(storage);
    throw;
  }
  if constexpr (std::is_same_v<K, char*>) rep->set_char_star_key(0);
  return rep;
}

template <class K>
_Chash<K, void*>::_Chash(unsigned expected, unsigned flags) {
  set_outofline(make_representation(expected, flags));
}

template <class K>
_Chash<K, void*>::_Chash(const _Chash& other) : dv_outofline_dictionary() {
  if (const auto* source = static_cast<const _Chash_rhpt<K>*>(other.get_outofline())) {
    void* storage =
        ::operator new(sizeof(_Chash_rhpt<K>), dv_cluster::of(this), _Chash_rhpt<K>::get_dv_typespec());
    if (storage == nullptr)
      err_coll_internal.signal("no copy of a %s dictionary could be allocated", _Chash_kind<K>::name);
    try {
      set_outofline(::new (storage) _Chash_rhpt<K>(*source));
    } catch (...) {
      ::operator delete(storage);
      throw;
    }
  }
}

template <class K>
_Chash<K, void*>& _Chash<K, void*>::operator=(const _Chash& other) {
  if (this == &other) return *this;
  _Chash copy(other);
  delete get_outofline();
  set_outofline(copy.get_outofline());
  copy.set_outofline(nullptr);
  return *this;
}

template <class K>
_Chash<K, void*>* _Chash<K, void*>::create(const void* where, unsigned expected, unsigned flags) {
  void* storage = ::operator new(sizeof(_Chash), dv_cluster::with(where), get_dv_typespec());
  if (storage == nullptr) return nullptr;
  try {
    return ::new (storage) _Chash(expected, flags);
  } catch (...) {
    ::operator delete(storage);
    throw;
  }
}

template <class K>
void _Chash<K, void*>::destroy(_Chash* dictionary) {
  delete dictionary;
}

template <class K>
dv_typespec* _Chash<K, void*>::get_dv_typespec() {
  return &dv_ts<_Chash<K, void*>>::the_instance;
}

}  // namespace coll_dictionaries

}  // namespace dv_qem

// Slots: element pointer at 0; the key pointer at 4 for void* and char*.
// Tables: virtual table at 0; directory, key-type name and index list at 24,
// 28, 32. Facades: virtual table at 0, representation at 4.
#define DV_CHASH_TYPESPECS(K, FACADE, NAME, ...)                                                                 \
  using FACADE = dv_qem::_Chash<K, void*>;                                                                       \
  DV_DEFINE_TYPESPEC(dv_qem::_Chash_slot<K>, "dv_qem::_Chash_slot<" NAME ">", DV_POINTERS(__VA_ARGS__), DV_NO_VTABLES);     \
  DV_DEFINE_TYPESPEC(dv_qem::_Chash_rhpt<K>, "dv_qem::_Chash_rhpt<" NAME ">", DV_POINTERS(24, 28, 32),           \
                     DV_VTABLES(0));                                                                             \
  DV_DEFINE_TYPESPEC(FACADE, "dv_qem::_Chash<" NAME ",void*>", DV_POINTERS(4), DV_VTABLES(0));                   \
  template class dv_qem::_Chash_slot<K>;                                                                         \
  template class dv_qem::_Chash_rhpt<K>;                                                                         \
  template class dv_qem::_Chash<K, void*>;                                                                       \
  static_assert(sizeof(dv_qem::_Chash_rhpt<K>) == 36 && sizeof(FACADE) == 12);

DV_CHASH_TYPESPECS(unsigned int, _Chash_uint_facade, "unsigned int", 0)
DV_CHASH_TYPESPECS(void*, _Chash_pvoid_facade, "void*", 0, 4)
DV_CHASH_TYPESPECS(char*, _Chash_string_facade, "char*", 0, 4)
#undef DV_CHASH_TYPESPECS
