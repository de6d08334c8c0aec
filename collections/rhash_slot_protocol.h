// The slot protocol of the keyed hash tables _RH<KT>, for every key type at
// once; rhash_kinds.cpp instantiates it for the thirteen key types.
#pragma once

#include <cstring>
#include <new>

#include "coll_raise.h"
#include "dv_coll_err.h"
#include "dv_coll_rep_registry.h"
#include "dv_function_cache.h"
#include "dv_new.h"
#include "dv_rh.h"
#include "dv_typespec.h"
#include "key_type_map.h"
#include "rhash_oflo_list.h"

namespace dv_qem {

template <class KT>
_RH<KT>& _RH<KT>::operator=(const _RH& other) {
  _Rhash::operator=(other);
  return *this;
}

template <class KT>
_RH<KT>::~_RH() {
  destroy_index();
}

template <class KT>
_Rhash* _RH<KT>::make(const void* where, const char* key_type, unsigned key_size, unsigned expected,
                      unsigned flags) {
  return _Coll_construct<_RH>(_Coll_placement::near(where), get_dv_typespec(), key_type, key_size, expected, flags);
}

template <class KT>
dv_typespec* _RH<KT>::get_dv_typespec() {
  return &dv_ts<_RH<KT>>::the_instance;
}

// ---- key storage ---------------------------------------------------------------------

template <class KT>
int _RH<KT>::owns_key_copies() const {
  return slot_type::form == _RH_key_form::key_pointer && (get_flags() & out_of_line_key_bit) != 0;
}

template <class KT>
const void* _RH<KT>::key_storage_for(const void* key) const {
  if (!owns_key_copies() || key == nullptr) return key;
  if (get_flags() & char_array_key_bit) {
    unsigned size = static_cast<unsigned>(std::strlen(static_cast<const char*>(key))) + 1;
    void* copy = ::operator new(size, dv_cluster::with(this), dv_typespec::get_char(), size);
    std::memcpy(copy, key, size);
    return copy;
  }
  // Whole keys of the type's typespec ("long double" keys are 8-byte doubles
  // whatever size the caller gave); bytes when the name has no typespec.
  unsigned size = _key_size();
  if (size == 0) err_coll_internal.signal("keys of type %s have size 0 and cannot be copied", _key_type());
  dv_typespec* ts = _key_type_code(_key_type()) == 11 ? dv_typespec::get_long_double()
                                                       : dv_typespec::get_typespec(_key_type());
  unsigned count = 0;
  if (ts != nullptr && ts->get_size() != 0 && size >= ts->get_size()) {
    count = size / ts->get_size();
    size = count * ts->get_size();
  } else {
    ts = dv_typespec::get_char();
    count = size;
  }
  void* copy = ::operator new(size, dv_cluster::with(this), ts, count);
  _Assign_fcn assign = nullptr;
  _Coll_function_cache().find_assign_function(_key_type(), assign, 0);
  if (assign != nullptr)
    assign(copy, key);
  else
    std::memcpy(copy, key, size);
  return copy;
}

template <class KT>
void _RH<KT>::release_key_copy(slot_type& s) const {
  if constexpr (slot_type::form == _RH_key_form::key_pointer) {
    if (!owns_key_copies()) return;
    void* copy = s.key_word().resolve();
    s.key_word() = nullptr;
    if (copy != nullptr) ::operator delete(copy);
  }
}

template <class KT>
void _RH<KT>::retake_key(slot_type& s) const {
  const void* e = oflo(s)->elements()->_pick();
  if (e == nullptr) return;
  // The element's first word is the key (the key itself for pointer keys).
  const void* storage = slot_type::form == _RH_key_form::pointer_key ? *static_cast<void* const*>(e) : e;
  s.store_key(e, storage);
}

template <class KT>
void _RH<KT>::rank_if_missing(_Rank_fcn& rank) const {
  if (rank != nullptr) return;
  _Hash_fcn hash = nullptr;
  find_functions(rank, hash);
}

// ---- the slot protocol ------------------------------------------------------------------

template <class KT>
void _RH<KT>::find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const {
  if (slot_type::traits::rank != nullptr && !use_user_hash_fnc()) {
    rank = slot_type::traits::rank;
    hash = slot_type::traits::hash;
    return;
  }
  _Coll_function_cache().find_functions(_key_type(), rank, hash, 1);
}

template <class KT>
char* _RH<KT>::allocate_slots(unsigned n, dv_cluster* cluster, void* hint) {
  std::size_t size = std::size_t{n} * sizeof(slot_type) + sizeof(dv4u);
  void* block = cluster != nullptr ? ::operator new(size, cluster, slot_type::get_dv_typespec(), n)
                                   : ::operator new(size, dv_cluster::with(hint), slot_type::get_dv_typespec(), n);
  if (block == nullptr) return nullptr;
  *static_cast<dv4u*>(block) = n;
  auto* slots = reinterpret_cast<slot_type*>(static_cast<char*>(block) + sizeof(dv4u));
  for (unsigned i = 0; i < n; ++i) ::new (static_cast<void*>(slots + i)) slot_type;
  return reinterpret_cast<char*>(slots);
}

template <class KT>
void _RH<KT>::delete_slots(void* p) {
  if (p == nullptr) return;
  void* block = static_cast<char*>(p) - sizeof(dv4u);
  auto* slots = static_cast<slot_type*>(p);
  for (unsigned n = *static_cast<dv4u*>(block); n > 0; --n) {
    if (slots[n - 1].is_occupied(this)) release_key_copy(slots[n - 1]);
    slots[n - 1].~slot_type();
  }
  ::operator delete(block);
}

template <class KT>
int _RH<KT>::slot_contains(void* p, unsigned overflow, const void* element) const {
  const slot_type& s = as_slot(p);
  if (!s.is_occupied(this)) return 0;
  if (overflow) return oflo(s)->elements()->_contains(element);
  return s.element() == element;
}

template <class KT>
int _RH<KT>::slot_insert(void* p, unsigned table, unsigned index, const void* element, const void* key,
                         unsigned hash) {
  slot_type& s = as_slot(p);
  if (allow_dup() && s.is_occupied(this)) {
    // Without the keyed flag there is no overflow bitmap to mark a list in.
    if (!keeps_overflow()) return 0;
    if (has_overflow(table, index)) {
      dv_chained_list_4_8* list = oflo(s)->elements();
      if (list->_contains(element)) return 0;
      list->_insert(element);
      return 1;
    }
    if (s.element() == element) return 0;
    _RH_oflo_list* list = _RH_oflo_list::create(dv_database::of(this), s.element(), element);
    s.set_element(list);
    set_overflow(table, index, 1);
    return 1;
  }
  // A table without duplicates overwrites an occupied slot.
  if (s.is_occupied(this)) release_key_copy(s);
  s.store_key(key, key_storage_for(key));
  s.set_element(element);
  s.set_stored_hash(hash);
  return 1;
}

template <class KT>
void _RH<KT>::slot_remove(void* p, unsigned table, unsigned index, const void* element, int& emptied) {
  slot_type& s = as_slot(p);
  if (s.is_occupied(this) && has_overflow(table, index)) {
    _RH_oflo_list* list = oflo(s);
    list->remove(element);
    if (_point_to_key()) retake_key(s);
    if (list->elements()->_cardinality() == 1) {
      void* last = list->elements()->_pick();
      _RH_oflo_list::destroy(list);
      s.set_element(last);
      set_overflow(table, index, 0);
    }
    emptied = 0;
    return;
  }
  if (!s.is_occupied(this) || s.element() != element)
    err_am.signal(
        "Inconsistency removing object 0x%x from index: its slot holds 0x%x; detected in "
        "_RH_slot<KT>::slot_remove();",
        static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(element)),
        static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(s.element())));
  release_key_copy(s);
  s.mark_removed(this);
  emptied = 1;
}

template <class KT>
void _RH<KT>::slot_assign(void* to, const void* from) {
  as_slot(to).assign(as_slot(from));
}

template <class KT>
void* _RH<KT>::slot_value(const void* p, const _Rhash_cursor* c, unsigned overflow) const {
  const slot_type& s = as_slot(p);
  if (!overflow) return s.element();
  dv_cursor* oc = c != nullptr ? c->get_oflo_current() : nullptr;
  if (oc == nullptr || oc->owner() != oflo(s)->elements()) return nullptr;
  return oflo(s)->elements()->_retrieve(*oc);
}

template <class KT>
int _RH<KT>::slot_key_eq(const void* p, unsigned, const void* key, _Rank_fcn rank) const {
  if constexpr (slot_type::pointer_form) rank_if_missing(rank);
  return as_slot(p).key_equals(key, rank);
}

template <class KT>
void* _RH<KT>::slot_pick(const void* p, unsigned overflow) const {
  const slot_type& s = as_slot(p);
  return overflow ? oflo(s)->elements()->_pick() : s.element();
}

template <class KT>
int _RH<KT>::slot_first(const void* p, _Rhash_cursor* c, void*& element, unsigned overflow) const {
  if (c == nullptr || c->is_null()) err_am.signal("%s", "table or slot id is null in _RH_slot<KT>::slot_first");
  const slot_type& s = as_slot(p);
  if (overflow) return oflo(s)->first(*c, element);
  element = s.element();
  return s.is_occupied(this);
}

template <class KT>
int _RH<KT>::slot_last(const void* p, _Rhash_cursor* c, void*& element, unsigned overflow) const {
  if (c == nullptr || c->is_null()) err_am.signal("%s", "range or slot id is null in _RH_slot<KT>::slot_last");
  const slot_type& s = as_slot(p);
  if (overflow) return oflo(s)->last(*c, element);
  element = s.element();
  return s.is_occupied(this);
}

template <class KT>
int _RH<KT>::slot_next(const void* p, _Rhash_cursor* c, void*& element, unsigned overflow) const {
  if (!overflow || c == nullptr) return 0;
  dv_cursor* oc = c->get_oflo_current();
  if (oc == nullptr || oc->owner() != oflo(as_slot(p))->elements()) return 0;
  return oc->next(element);
}

template <class KT>
int _RH<KT>::slot_previous(const void* p, _Rhash_cursor* c, void*& element, unsigned overflow) const {
  if (!overflow || c == nullptr) return 0;
  dv_cursor* oc = c->get_oflo_current();
  if (oc == nullptr || oc->owner() != oflo(as_slot(p))->elements()) return 0;
  return oc->previous(element);
}

template <class KT>
int _RH<KT>::slot_null(const void* p, const _Rhash_cursor* c, unsigned overflow) const {
  const slot_type& s = as_slot(p);
  if (!overflow) return !s.is_occupied(this);
  const dv_cursor* oc = c != nullptr ? c->get_oflo_current() : nullptr;
  return oc == nullptr || oc->owner() != oflo(s)->elements() || !oc->more();
}

template <class KT>
int _RH<KT>::slot_count(void* p, unsigned overflow) const {
  const slot_type& s = as_slot(p);
  if (!s.is_occupied(this)) return 0;
  return overflow ? static_cast<int>(oflo(s)->elements()->_cardinality()) : 1;
}

template <class KT>
_RH_slot_status _RH<KT>::slot_status(void* p, const void* key, _RH_search_type type, _Rank_fcn rank,
                                     unsigned) const {
  if constexpr (slot_type::pointer_form)
    if (type != _RH_reorg) rank_if_missing(rank);
  return static_cast<_RH_slot_status>(as_slot(p).status(this, key, type == _RH_reorg, rank));
}

template <class KT>
void* _RH<KT>::slot_key(const void* p, unsigned) const {
  return const_cast<void*>(as_slot(p).key_address());
}

template <class KT>
unsigned _RH<KT>::slot_hash(const void* p, unsigned) const {
  return as_slot(p).stored_hash();
}

template <class KT>
int _RH<KT>::slot_occupied(const void* p) const {
  return as_slot(p).is_occupied(this);
}

template <class KT>
void _RH<KT>::slot_reclaim_oflo(void* p, unsigned overflow) {
  slot_type& s = as_slot(p);
  if (!overflow || !s.is_occupied(this)) return;
  _RH_oflo_list* list = oflo(s);
  void* kept = list->elements()->_pick();
  _RH_oflo_list::destroy(list);
  s.set_element(kept);
}

}  // namespace dv_qem
