// _Chash, the runtime's open-addressing hash dictionary: it maps a key (a
// string, an address or an unsigned integer) to a non-null pointer. It lives
// in a database or in transient memory; its links are self-relative (see
// chash_layout.h), so a persistent dictionary survives being mapped at
// another address. Tables are sized from the prime table of
// _Recommended_hash_size, grow by half at 70 % load and shrink by half at
// 25 %. No locking: callers hold the lock that guards the dictionary's owner.
#pragma once

#include <cstdint>
#include <type_traits>

#include "chash_layout.h"
#include "dv_types.h"

namespace dv_qem {

// How keys of a dictionary are hashed, compared and held.
enum class _Chash_key_kind : dv1u {
  string,   // NUL-terminated string: held by a link (not copied), compared by contents
  pointer,  // address: held by a link, compared by address
  integer,  // unsigned 32-bit value held in the slot
};

// Hashes of the three key kinds (32-bit, wrapping).
dv4u _Chash_string_hash(const char* key);   // h = 97169; per byte c (signed): h = (h ^ c) x 17
dv4u _Chash_pointer_hash(const void* key);  // relative to the database that holds key
dv4u _Chash_integer_hash(dv4u key);         // key x 9987001

// The untyped dictionary: the stored header and the operations on it, given
// the key kind. A key travels as a word: the address of a string or pointer
// key, or the integer itself. _Chash<K,V> below is the typed face.
class _Chash_table {
 public:
  _Chash_table(const _Chash_table&) = delete;
  _Chash_table& operator=(const _Chash_table&) = delete;

  dv4u cardinality() const { return header_.entries; }
  dv4u table_size() const { return header_.size; }
  dv4u threshold() const { return header_.threshold; }
  dv4u deleted_count() const { return header_.deleted; }
  bool in_reorg() const { return (header_.flags & _Chash_in_reorg_flag) != 0; }

  // Removes every pair; the table keeps its size.
  void clear();

  // Cursor positions are slot numbers. first: the first slot holding a pair,
  // -1 when none; next: the slot after position holding a pair, -1 at the
  // end (and for position -1). A cursor is valid until the next change.
  dv4s first() const;
  dv4s next(dv4s position) const;

 protected:
  using key_word = std::uintptr_t;

  // A table of _Recommended_hash_size(size_hint) slots allocated where this
  // header lives (the key kind names the slot type of a table in a
  // database). A hint above the largest table size throws dv_err_alloc.
  _Chash_table(dv4u size_hint, _Chash_key_kind kind);
  ~_Chash_table();

  void* find_word(_Chash_key_kind kind, key_word key) const;
  void insert_word(_Chash_key_kind kind, key_word key, void* value);
  bool remove_word(_Chash_key_kind kind, key_word key);
  key_word key_word_at(_Chash_key_kind kind, dv4s position) const;
  void* value_at_position(dv4s position) const;
  void check_slots(_Chash_key_kind kind) const;

 private:
  struct probe_result;

  _Chash_slot* slots() const;
  void check_header() const;
  bool checked_key(_Chash_key_kind kind, const _Chash_slot& slot) const;
  [[noreturn]] void damaged(const char* what) const;
  probe_result probe(_Chash_key_kind kind, key_word key, dv4u hash) const;
  void reorganize(_Chash_key_kind kind, dv4u new_size);
  void enter_reorg();
  void leave_reorg();

  _Chash_header header_;
};

// Key kinds named by their stored form. dv_char_star_nocopy: a string the
// dictionary points at without copying; _DB_relative_offset<char,dv_int32>:
// an address held as a self-relative offset.
struct dv_char_star_nocopy;
template <class T, class Offset>
class _DB_relative_offset;

template <class K>
struct _Chash_key_traits;

template <>
struct _Chash_key_traits<dv_char_star_nocopy> {
  using arg = const char*;
  static constexpr _Chash_key_kind kind = _Chash_key_kind::string;
};
template <>
struct _Chash_key_traits<char*> : _Chash_key_traits<dv_char_star_nocopy> {};
template <>
struct _Chash_key_traits<void*> {
  using arg = const void*;
  static constexpr _Chash_key_kind kind = _Chash_key_kind::pointer;
};
template <>
struct _Chash_key_traits<_DB_relative_offset<char, dv_int32>> {
  using arg = dvctaddr;
  static constexpr _Chash_key_kind kind = _Chash_key_kind::pointer;
};
template <>
struct _Chash_key_traits<unsigned int> {
  using arg = dv4u;
  static constexpr _Chash_key_kind kind = _Chash_key_kind::integer;
};

// The dictionary from keys of kind K to values of pointer type V. Its object
// is exactly the 24-byte stored header.
template <class K, class V>
class _Chash : public _Chash_table {
  static_assert(std::is_pointer_v<V>, "dictionary values are pointers");
  using traits = _Chash_key_traits<K>;

 public:
  using key_type = typename traits::arg;

  // The runtime's dictionaries use the hint 10: 11 slots, threshold 7.
  explicit _Chash(dv4u size_hint) : _Chash_table(size_hint, traits::kind) {}

  // Adds a pair whose key is absent (a present key gets the new value). A
  // null value, a null string key, or a value or key a slot's link can not
  // reach throws dv_err_illegal_pointer; the dictionary is then unchanged,
  // as it is when a needed larger table can not be allocated.
  void insert(key_type key, V value) { insert_word(kind, word(key), as_void(value)); }
  // The value of key, or null.
  V pick(key_type key) const { return static_cast<V>(find_word(kind, word(key))); }
  bool contains(key_type key) const { return find_word(kind, word(key)) != nullptr; }
  // Whether key is present with this value.
  bool contains(key_type key, V value) const {
    void* found = find_word(kind, word(key));
    return found != nullptr && found == as_void(value);
  }
  // Whether a pair was removed.
  bool remove(key_type key) { return remove_word(kind, word(key)); }

  // The pair at a cursor position from first/next.
  key_type key_at(dv4s position) const {
    key_word w = key_word_at(kind, position);
    if constexpr (std::is_pointer_v<key_type>)
      return reinterpret_cast<key_type>(w);
    else
      return static_cast<key_type>(w);
  }
  V value_at(dv4s position) const { return static_cast<V>(value_at_position(position)); }

  // Verifies the header and every slot: counts, stored hashes, and that each
  // key is found where it lies. Throws dv_err_heap_corruption on a fault.
  void self_check() const { check_slots(kind); }

 private:
  static constexpr _Chash_key_kind kind = traits::kind;

  static key_word word(key_type key) {
    if constexpr (std::is_pointer_v<key_type>)
      return reinterpret_cast<key_word>(key);
    else
      return key;
  }
  static void* as_void(V value) { return const_cast<void*>(static_cast<const void*>(value)); }
};

static_assert(sizeof(_Chash<unsigned int, void*>) == sizeof(_Chash_header));

}  // namespace dv_qem
