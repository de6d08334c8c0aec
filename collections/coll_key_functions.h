// Rank and hash functions that the function cache hands out but that the
// library does not export under names of their own, and the two integer and
// word-fold hashes of the hash-table slots.
#pragma once

#include "dv_coll_key_functions.h"

namespace dv_qem {

// Signed and unsigned 8-bit comparisons ("signed char", "unsigned char").
int _Signed_char_rank(const void* a, const void* b);
int _Unsigned_char_rank(const void* a, const void* b);
// "long double" keys are stored as 8-byte doubles: ranked as _Double_rank,
// and every key hashes to 0.
int _Long_double_rank(const void* a, const void* b);
unsigned _Long_double_hash(const void* key);
// "char[]": key is the character array; the byte fold from the seed, then
// x 9987001; a null or empty array gives _Coll_empty_string_hash.
unsigned _Char_arr_hash(const void* key);
// "dv_char_array": key is the character array; _Word_fold of it x 9987001;
// a null or empty array gives 0.
unsigned _Dv_char_array_hash(const void* key);
// key points at a text pointer: _Word_fold of the text; a null key, a null
// text or an empty text gives 0.
unsigned _Str_word_fold_hash(const void* key);
// (key & 0x7fffffff ^ seed) x 9987001, or seed x 9987001 for key 0x7fffffff.
unsigned _Seeded_int_hash(dv4u key, dv4u seed);

// The text four characters at a time: h ^= c0 << 24 ^ c1 << 16 ^ c2 << 8 ^ c3
// (each character sign-extended), up to the terminating NUL.
dv4u _Word_fold(const char* text);

// Stand-ins for functions registered as null: they throw dv_err_coll
// "<err-0024-0965>A rank function is missing" and "<err-0024-0970>A hash
// function is missing".
int _Missing_rank(const void* a, const void* b);
unsigned _Missing_hash(const void* key);

}  // namespace dv_qem
