// The built-in rank and hash functions of dictionary key types. A rank
// function is a three-way comparison of two keys given by address (a before b:
// -1, equal: 0, after: 1); a hash function maps a key given by address to an
// unsigned 32-bit hash. Hash arithmetic is unsigned 32-bit and wraps.
#pragma once

#include "dv_types.h"

namespace dv_qem {

using _Rank_fcn = int (*)(const void* a, const void* b);
using _Hash_fcn = unsigned (*)(const void* key);
// Copies the key at from into the key slot at to.
using _Assign_fcn = void (*)(void* to, const void* from);

// Multiplier of every integer hash and of the final step of string hashes.
constexpr dv4u _Coll_hash_multiplier = 9987001;
// Start value of the byte fold h = (c ^ h) x 17 over signed characters.
constexpr dv4u _Coll_fold_seed = 97169;
// Hash of a null or empty string: _Coll_fold_seed x _Coll_hash_multiplier.
constexpr dv4u _Coll_empty_string_hash = 0xF1F35EC9u;

// Signed 32-bit comparison ("int", "long": long is 32-bit).
int _Int_rank(const void* a, const void* b);
int _Long_rank(const void* a, const void* b);
// Signed 8-bit and 16-bit comparisons.
int _Char_rank(const void* a, const void* b);
int _Short_rank(const void* a, const void* b);
// Unsigned 32-bit and 16-bit comparisons.
int _Uint_rank(const void* a, const void* b);
int _Ulong_rank(const void* a, const void* b);
int _Ushort_rank(const void* a, const void* b);
// -1 when not (a >= b), so also when either is a NaN; 1 when a > b; else 0.
int _Float_rank(const void* a, const void* b);
int _Double_rank(const void* a, const void* b);
// a and b point at char*: the same pointer (both null too) 0; a null *a -1;
// a null *b 1; else unsigned byte-wise comparison.
int _Str_rank(const void* a, const void* b);
// a and b point at soft pointers to strings; compared as _Str_rank.
int _Str_nocopy_rank(const void* a, const void* b);
// a and b are the character arrays: null a -1; null b 1; else unsigned
// byte-wise comparison.
int _Char_arr_rank(const void* a, const void* b);
// The two argument addresses themselves, unsigned; nothing is read.
int _Ptr_rank(const void* a, const void* b);
// The addresses stored at a and at b, unsigned.
int _Pvoid_rank(const void* a, const void* b);

// The 32-bit word at key x 9987001. Float keys 0.0 and -0.0, which rank
// equal, hash alike.
unsigned _Int_hash(const void* key);
unsigned _Long_hash(const void* key);
unsigned _Float_hash(const void* key);
// The signed byte, the signed 16-bit value at key x 9987001.
unsigned _Char_hash(const void* key);
unsigned _Short_hash(const void* key);
// The address stored at key x 9987001.
unsigned _Pvoid_hash(const void* key);
// The argument address itself x 9987001.
unsigned _Ptr_hash(const void* key);
unsigned _Ptr_hash_trans(const void* key);
// key points at char*: the byte fold of the string, then x 9987001; a null or
// empty string gives _Coll_empty_string_hash.
unsigned _Str_hash_khs(const void* key);
// key points at a soft pointer to a string; hashed as _Str_hash_khs.
unsigned _Str_nocopy_hash_khs(const void* key);
// The byte fold of the 8 bytes of the double at key, then x 9987001; a null
// key gives _Coll_empty_string_hash; 0.0 and -0.0 hash alike.
unsigned _Double_hash(const void* key);

// a and b point at char*: both null 0; a null *a -1; a null *b 1; else the C
// library's strcoll. Runs under the session lock.
int dv_strcoll_for_char_pointer(const void* a, const void* b);
// a and b are the strings: a null a -1 (also when both are null); a null b 1;
// else strcoll. Runs under the session lock.
int dv_strcoll_for_char_array(const void* a, const void* b);

}  // namespace dv_qem
