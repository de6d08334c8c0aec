// The built-in rank and hash functions of dictionary key types. Keys are read
// with memcpy: a key slot need not be aligned for its type.
#include <cstdint>
#include <cstring>

#include "coll_key_functions.h"
#include "coll_messages.h"
#include "dv_locks.h"

namespace dv_qem {

namespace {

template <class T>
T load(const void* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

template <class T>
int three_way(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// -1 when not (a >= b), so a NaN on either side gives -1.
template <class T>
int floating_rank(T a, T b) {
  if (!(a >= b)) return -1;
  return a > b ? 1 : 0;
}

dv4u sign_extended(char c) { return static_cast<dv4u>(static_cast<dv4s>(static_cast<signed char>(c))); }

dv4u fold_step(dv4u h, char c) { return (sign_extended(c) ^ h) * 17u; }

// The byte fold of a NUL-terminated text from the seed (a null text folds
// nothing).
dv4u fold_text(const char* text) {
  dv4u h = _Coll_fold_seed;
  if (text != nullptr)
    for (; *text != '\0'; ++text) h = fold_step(h, *text);
  return h;
}

// The text a soft pointer holds: its one word is the plain address.
const char* soft_pointer_text(const void* soft_pointer) {
  return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(load<dv4u>(soft_pointer)));
}

int unsigned_byte_compare(const char* a, const char* b) {
  return three_way(std::strcmp(a, b), 0);  // strcmp compares as unsigned char
}

}  // namespace

int _Int_rank(const void* a, const void* b) { return three_way(load<dv4s>(a), load<dv4s>(b)); }
int _Long_rank(const void* a, const void* b) { return three_way(load<long>(a), load<long>(b)); }
int _Char_rank(const void* a, const void* b) { return three_way(load<signed char>(a), load<signed char>(b)); }
int _Short_rank(const void* a, const void* b) { return three_way(load<dv2s>(a), load<dv2s>(b)); }
int _Uint_rank(const void* a, const void* b) { return three_way(load<dv4u>(a), load<dv4u>(b)); }
int _Ulong_rank(const void* a, const void* b) { return three_way(load<unsigned long>(a), load<unsigned long>(b)); }
int _Ushort_rank(const void* a, const void* b) { return three_way(load<dv2u>(a), load<dv2u>(b)); }
int _Float_rank(const void* a, const void* b) { return floating_rank(load<float>(a), load<float>(b)); }
int _Double_rank(const void* a, const void* b) { return floating_rank(load<double>(a), load<double>(b)); }
int _Signed_char_rank(const void* a, const void* b) { return three_way(load<signed char>(a), load<signed char>(b)); }
int _Unsigned_char_rank(const void* a, const void* b) {
  return three_way(load<unsigned char>(a), load<unsigned char>(b));
}
int _Long_double_rank(const void* a, const void* b) { return floating_rank(load<double>(a), load<double>(b)); }

int _Str_rank(const void* a, const void* b) {
  const char* sa = load<const char*>(a);
  const char* sb = load<const char*>(b);
  if (sa == sb) return 0;
  if (sa == nullptr) return -1;
  if (sb == nullptr) return 1;
  return unsigned_byte_compare(sa, sb);
}

int _Str_nocopy_rank(const void* a, const void* b) {
  const char* sa = soft_pointer_text(a);
  const char* sb = soft_pointer_text(b);
  return _Str_rank(&sa, &sb);
}

int _Char_arr_rank(const void* a, const void* b) {
  if (a == nullptr) return -1;
  if (b == nullptr) return 1;
  return unsigned_byte_compare(static_cast<const char*>(a), static_cast<const char*>(b));
}

int _Ptr_rank(const void* a, const void* b) {
  return three_way(reinterpret_cast<std::uintptr_t>(a), reinterpret_cast<std::uintptr_t>(b));
}

int _Pvoid_rank(const void* a, const void* b) { return _Ptr_rank(load<const void*>(a), load<const void*>(b)); }

unsigned _Int_hash(const void* key) { return load<dv4u>(key) * _Coll_hash_multiplier; }
unsigned _Long_hash(const void* key) { return load<dv4u>(key) * _Coll_hash_multiplier; }

unsigned _Float_hash(const void* key) {
  float value = load<float>(key);
  if (value == 0.0f) value = 0.0f;  // -0.0 ranks equal to 0.0
  return load<dv4u>(&value) * _Coll_hash_multiplier;
}

unsigned _Char_hash(const void* key) { return sign_extended(load<char>(key)) * _Coll_hash_multiplier; }
unsigned _Short_hash(const void* key) {
  return static_cast<dv4u>(static_cast<dv4s>(load<dv2s>(key))) * _Coll_hash_multiplier;
}

unsigned _Pvoid_hash(const void* key) { return _Ptr_hash(load<const void*>(key)); }
unsigned _Ptr_hash(const void* key) {
  return static_cast<dv4u>(reinterpret_cast<std::uintptr_t>(key)) * _Coll_hash_multiplier;
}
unsigned _Ptr_hash_trans(const void* key) { return _Ptr_hash(key); }

unsigned _Str_hash_khs(const void* key) { return fold_text(load<const char*>(key)) * _Coll_hash_multiplier; }

unsigned _Str_nocopy_hash_khs(const void* key) {
  const char* text = soft_pointer_text(key);
  return _Str_hash_khs(&text);
}

unsigned _Double_hash(const void* key) {
  if (key == nullptr) return _Coll_empty_string_hash;
  double value = load<double>(key);
  if (value == 0.0) value = 0.0;  // -0.0 ranks equal to 0.0
  char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  dv4u h = _Coll_fold_seed;
  for (char c : bytes) h = fold_step(h, c);
  return h * _Coll_hash_multiplier;
}

unsigned _Long_double_hash(const void*) { return 0; }

unsigned _Char_arr_hash(const void* key) {
  return fold_text(static_cast<const char*>(key)) * _Coll_hash_multiplier;
}

dv4u _Word_fold(const char* text) {
  dv4u h = 0;
  if (text == nullptr) return h;
  for (;;) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      if (*text == '\0') return h;
      h ^= sign_extended(*text++) << shift;
    }
  }
}

unsigned _Dv_char_array_hash(const void* key) {
  return _Word_fold(static_cast<const char*>(key)) * _Coll_hash_multiplier;
}

unsigned _Str_word_fold_hash(const void* key) {
  if (key == nullptr) return 0;
  return _Word_fold(load<const char*>(key));
}

unsigned _Seeded_int_hash(dv4u key, dv4u seed) {
  if (key == 0x7fffffffu) return seed * _Coll_hash_multiplier;
  return ((key & 0x7fffffffu) ^ seed) * _Coll_hash_multiplier;
}

int _Missing_rank(const void*, const void*) { dv_coll_raise<coll_msg::rank_function_missing>(); }
unsigned _Missing_hash(const void*) { dv_coll_raise<coll_msg::hash_function_missing>(); }

int dv_strcoll_for_char_pointer(const void* a, const void* b) {
  _VRN_session_lock lock;
  const char* sa = load<const char*>(a);
  const char* sb = load<const char*>(b);
  if (sa == nullptr && sb == nullptr) return 0;
  if (sa == nullptr) return -1;
  if (sb == nullptr) return 1;
  return std::strcoll(sa, sb);
}

int dv_strcoll_for_char_array(const void* a, const void* b) {
  _VRN_session_lock lock;
  if (a == nullptr) return -1;
  if (b == nullptr) return 1;
  return std::strcoll(static_cast<const char*>(a), static_cast<const char*>(b));
}

}  // namespace dv_qem
