// The table of hash table sizes behind _Recommended_hash_size: ascending
// primes, every prime from 2 to 613 and then primes about 1 % apart.
#pragma once

#include "dv_types.h"

namespace dv_qem {

constexpr dv4u _VRN_hash_size_count = 1141;
extern const dv4u _VRN_hash_sizes[_VRN_hash_size_count];

}  // namespace dv_qem
