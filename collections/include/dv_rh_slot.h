// The slots of keyed hash tables, one layout per key type: _RH_slot<KT>. An
// 8-byte slot holds the element pointer and the key (scalar keys inline, or
// the key pointer of "void*" tables); a 12-byte slot holds the element
// pointer, a key pointer or pointer-valued key, and the hash under which the
// entry was inserted. A slot is empty while its element pointer is null,
// removed (a tombstone) while it holds the address of its table, else
// occupied; an occupied slot whose overflow bit is set in its table's bitmap
// holds an _RH_oflo_list instead of an element.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "dv_coll_key_functions.h"
#include "dv_rh_key_classes.h"
#include "dv_soft_pointer.h"
#include "dv_types.h"

namespace dv_qem {

class dv_typespec;

// How a key type's slot holds its key.
enum class _RH_key_form {
  scalar,         // the value inline (1, 2 or 4 bytes of the key word)
  string_copy,    // char*: the slot's own copy of the string
  pointer_value,  // void*: the pointer value (the key argument points at it)
  text_pointer,   // _dv_char_star_nocopy: the caller's string pointer
  key_pointer,    // _dv_pt_key, _dv_pt_key_point_only: the key's address
  pointer_key,    // _dv_pvoid_index_key: the key argument itself
};

// The inline key word of scalar keys: the value in its first bytes, the rest 0.
template <class T>
struct _RH_scalar_key {
  static_assert(sizeof(T) <= 4);
  dv4u word = 0;
  T value() const {
    T v;
    std::memcpy(&v, &word, sizeof v);
    return v;
  }
  void set(T v) {
    word = 0;
    std::memcpy(&word, &v, sizeof v);
  }
};

// The hash field of 12-byte slots, and its absence in 8-byte ones.
struct _RH_no_stored_hash {};

// Per key type: the key field, the slot width, the built-in rank and hash
// functions (null: the functions registered for the key type always apply).
template <class KT>
struct _RH_key_traits;

#define DV_RH_SCALAR_TRAITS(KT, RANK, HASH)                          \
  template <>                                                        \
  struct _RH_key_traits<KT> {                                        \
    using field = _RH_scalar_key<KT>;                                \
    static constexpr _RH_key_form form = _RH_key_form::scalar;       \
    static constexpr bool stores_hash = false;                       \
    static constexpr _Rank_fcn rank = &RANK;                         \
    static constexpr _Hash_fcn hash = &HASH;                         \
  };
DV_RH_SCALAR_TRAITS(char, _Char_rank, _Char_hash)
DV_RH_SCALAR_TRAITS(short, _Short_rank, _Short_hash)
DV_RH_SCALAR_TRAITS(unsigned short, _Ushort_rank, _Short_hash)
DV_RH_SCALAR_TRAITS(int, _Int_rank, _Int_hash)
DV_RH_SCALAR_TRAITS(unsigned int, _Uint_rank, _Int_hash)
DV_RH_SCALAR_TRAITS(unsigned long, _Ulong_rank, _Long_hash)
DV_RH_SCALAR_TRAITS(float, _Float_rank, _Float_hash)
#undef DV_RH_SCALAR_TRAITS

// Pointer keys hash by their place in their database (durnavel::
// compute_ptr_hash), so a table finds them again wherever the database is
// mapped; they rank as _Ptr_rank and _Pvoid_rank do.
// The key argument is the pointer itself (defined with the hash sets).
unsigned _Ptr_hash_relocatable(const void* key);
// The key argument points at the pointer.
unsigned _Pvoid_hash_relocatable(const void* key);

#define DV_RH_POINTER_TRAITS(KT, FIELD, FORM, WIDE, RANK, HASH)      \
  template <>                                                        \
  struct _RH_key_traits<KT> {                                        \
    using field = FIELD;                                             \
    static constexpr _RH_key_form form = _RH_key_form::FORM;         \
    static constexpr bool stores_hash = WIDE;                        \
    static constexpr _Rank_fcn rank = RANK;                          \
    static constexpr _Hash_fcn hash = HASH;                          \
  };
DV_RH_POINTER_TRAITS(char*, _RH_pointer_key, string_copy, true, &_Str_rank, &_Str_hash_khs)
DV_RH_POINTER_TRAITS(void*, _RH_pointer_key, pointer_value, true, &_Pvoid_rank, &_Pvoid_hash_relocatable)
DV_RH_POINTER_TRAITS(_dv_char_star_nocopy, _dv_char_star_nocopy, text_pointer, true, &_Str_nocopy_rank,
                     &_Str_nocopy_hash_khs)
DV_RH_POINTER_TRAITS(_dv_pt_key, _dv_pt_key, key_pointer, true, nullptr, nullptr)
DV_RH_POINTER_TRAITS(_dv_pt_key_point_only, _dv_pt_key_point_only, key_pointer, true, nullptr, nullptr)
DV_RH_POINTER_TRAITS(_dv_pvoid_index_key, _dv_pvoid_index_key, pointer_key, false, &_Ptr_rank,
                     &_Ptr_hash_relocatable)
#undef DV_RH_POINTER_TRAITS

template <class KT>
class _RH_slot {
 public:
  using traits = _RH_key_traits<KT>;
  static constexpr _RH_key_form form = traits::form;
  static constexpr bool pointer_form = form != _RH_key_form::scalar;

  // An empty slot.
  _RH_slot() = default;
  _RH_slot(const _RH_slot&) = delete;
  _RH_slot& operator=(const _RH_slot&) = delete;
  // Frees a char* key copy and clears the fields.
  ~_RH_slot() { clear(); }

  // ---- state (owner: the table whose address marks a removed slot) ----------
  int is_empty() const { return !element_; }
  int is_removed(const void* owner) const { return element_ == owner; }
  int is_occupied(const void* owner) const { return !is_empty() && !is_removed(owner); }
  // 0 empty, 1 removed, 2 another key (any occupied slot when reorganising),
  // 3 occupied by key.
  int status(const void* owner, const void* key, int reorganising, _Rank_fcn rank) const;

  // ---- element and key ---------------------------------------------------------
  void* element() const { return element_.resolve(); }
  void set_element(const void* e) { element_ = const_cast<void*>(e); }
  // The address the rank and hash functions take for this slot's key: the
  // key field for inline keys and for string and pointer values held in it;
  // the key pointer for keys held elsewhere.
  const void* key_address() const;
  // Whether the slot's key equals key (given as the table's callers give it).
  int key_equals(const void* key, _Rank_fcn rank) const;
  // Stores the key as its form holds it; a char* key is copied into the
  // slot's database (the previous copy freed), a null string stored as null.
  // key_storage: where a key_pointer key lives (the key itself or its copy).
  void store_key(const void* key, const void* key_storage);
  // The stored hash of 12-byte slots; 0 for 8-byte slots.
  dv4u stored_hash() const;
  void set_stored_hash(dv4u h);

  // ---- whole-slot changes ---------------------------------------------------------
  // The slot becomes a tombstone of owner; its key (a char* copy freed first)
  // and hash are cleared.
  void mark_removed(const void* owner);
  // Empty again; a char* key copy is freed.
  void clear();
  // Copies element, key and hash (the key copy is shared, not duplicated).
  void assign(const _RH_slot& from);

  static const char* _rep_type() { return "_RH_slot<KT>"; }
  static dv_typespec* get_dv_typespec();

  // The key field of the pointer forms as a soft pointer (the char* copy,
  // the pointer value, the caller's string, or the key's address).
  dv_soft_pointer32<void>& key_word() requires pointer_form { return key_.target; }
  const dv_soft_pointer32<void>& key_word() const requires pointer_form { return key_.target; }

  dv_coll_ptr element_;         // the element, the table (removed) or an _RH_oflo_list
  typename traits::field key_;  // the key as its form holds it
  // 12-byte slots: the hash under which the entry was inserted.
  [[no_unique_address]] std::conditional_t<traits::stores_hash, dv4u, _RH_no_stored_hash> hash_{};

 private:
  void free_key_copy();
};

template <class KT>
const void* _RH_slot<KT>::key_address() const {
  if constexpr (form == _RH_key_form::key_pointer || form == _RH_key_form::pointer_key)
    return key_word().resolve();
  else
    return &key_;
}

template <class KT>
int _RH_slot<KT>::key_equals(const void* key, _Rank_fcn rank) const {
  if constexpr (form == _RH_key_form::scalar) {
    KT searched;
    std::memcpy(&searched, key, sizeof searched);
    return key_.value() == searched;
  } else if constexpr (form == _RH_key_form::pointer_value) {
    return key_word().resolve() == *static_cast<void* const*>(key);
  } else if constexpr (form == _RH_key_form::text_pointer) {
    return rank(&key_, key) == 0;
  } else if constexpr (form == _RH_key_form::string_copy) {
    return rank(key, &key_) == 0;
  } else {
    return rank(key, key_word().resolve()) == 0;
  }
}

template <class KT>
int _RH_slot<KT>::status(const void* owner, const void* key, int reorganising, _Rank_fcn rank) const {
  if (is_empty()) return 0;
  if (is_removed(owner)) return 1;
  if (reorganising) return 2;
  if constexpr (form == _RH_key_form::pointer_value) return rank(key, &key_) == 0 ? 3 : 2;
  return key_equals(key, rank) ? 3 : 2;
}

template <class KT>
dv4u _RH_slot<KT>::stored_hash() const {
  if constexpr (traits::stores_hash)
    return hash_;
  else
    return 0;
}

template <class KT>
void _RH_slot<KT>::set_stored_hash(dv4u h) {
  if constexpr (traits::stores_hash) hash_ = h;
}

template <class KT>
void _RH_slot<KT>::assign(const _RH_slot& from) {
  element_ = from.element_;
  std::memcpy(static_cast<void*>(&key_), &from.key_, sizeof key_);
  set_stored_hash(from.stored_hash());
}

// The stored layouts: element pointer at 0, key field at 4, stored hash at 8.
template <class KT, unsigned Size>
constexpr bool _RH_slot_layout_is() {
  return sizeof(_RH_slot<KT>) == Size && offsetof(_RH_slot<KT>, element_) == 0 && offsetof(_RH_slot<KT>, key_) == 4;
}
static_assert(_RH_slot_layout_is<char, 8>() && _RH_slot_layout_is<short, 8>() &&
              _RH_slot_layout_is<unsigned short, 8>() && _RH_slot_layout_is<int, 8>() &&
              _RH_slot_layout_is<unsigned int, 8>() && _RH_slot_layout_is<unsigned long, 8>() &&
              _RH_slot_layout_is<float, 8>() && _RH_slot_layout_is<_dv_pvoid_index_key, 8>());
static_assert(_RH_slot_layout_is<char*, 12>() && _RH_slot_layout_is<void*, 12>() &&
              _RH_slot_layout_is<_dv_char_star_nocopy, 12>() && _RH_slot_layout_is<_dv_pt_key, 12>() &&
              _RH_slot_layout_is<_dv_pt_key_point_only, 12>());
static_assert(offsetof(_RH_slot<char*>, hash_) == 8 && offsetof(_RH_slot<_dv_pt_key>, hash_) == 8);

}  // namespace dv_qem
