// Bit vectors kept inside a database: the same _Bit_vector layout, stored as
// an array of "unsigned int" words in the system page group. A new vector of
// 128 bits takes 24 bytes (two header words, four bit words).
#pragma once

#include "dv_bitvector.h"

namespace dv_qem {

class _DB_allocator;

// A vector of n_bits clear bits (rounded up to a multiple of 32) in the
// system group of allocator's database, near `near` (null: anywhere).
_Bit_vector* _Pers_bit_vector_create(_DB_allocator& allocator, dv4u n_bits, const void* near);

// Replaces the vector that the self-relative link leads to by a new one of
// n_bits holding its bits below that capacity, placed near it. The link
// leads to the new vector before the old one is freed, so that whatever the
// freeing records lands in the new vector.
_Bit_vector* _Pers_bit_vector_resize(_DB_allocator& allocator, dv4s* link, dv4u n_bits);

}  // namespace dv_qem
