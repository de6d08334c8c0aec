// Sizes for hash tables: a fixed ascending list of primes, every prime up to
// 613 and then primes about 1 % apart up to 9987001. Tables that grow by half
// or shrink by half pick their next size here.
#pragma once

#include "dv_types.h"

namespace dv_qem {

// The answer when no table size is large enough.
constexpr dv4u _VRN_no_hash_size = 0xFFFFFFFF;

// The smallest table size that is at least n; 0xFFFFFFFF above 9987001.
dv4u _Recommended_hash_size(dv4u n);

// Like the one-argument form, except that a size that is not exactly n is
// replaced by the largest smaller size whose size x element_size fits in
// byte_limit (never below the smallest size, 2); 0xFFFFFFFF above 9987001.
dv4u _Recommended_hash_size(dv4u n, dv4u element_size, dv4u byte_limit);

}  // namespace dv_qem
