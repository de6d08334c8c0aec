// Choosing a hash table size from the table of primes.
#include <algorithm>

#include "dv_hash_size.h"
#include "hash_size_table.h"

namespace dv_qem {

namespace {

// Index of the smallest table entry that is at least n; the entry count when
// n is above every entry.
dv4u first_at_least(dv4u n) {
  const dv4u* end = _VRN_hash_sizes + _VRN_hash_size_count;
  return static_cast<dv4u>(std::lower_bound(_VRN_hash_sizes, end, n) - _VRN_hash_sizes);
}

}  // namespace

dv4u _Recommended_hash_size(dv4u n) {
  dv4u i = first_at_least(n);
  return i < _VRN_hash_size_count ? _VRN_hash_sizes[i] : _VRN_no_hash_size;
}

dv4u _Recommended_hash_size(dv4u n, dv4u element_size, dv4u byte_limit) {
  dv4u i = first_at_least(n);
  if (i == _VRN_hash_size_count) return _VRN_no_hash_size;
  if (_VRN_hash_sizes[i] == n) return n;
  // The product is taken in 64 bits: a large entry times a large element
  // must not wrap and seem to fit.
  while (i > 0 && static_cast<std::uint64_t>(_VRN_hash_sizes[i]) * element_size > byte_limit) --i;
  return _VRN_hash_sizes[i];
}

}  // namespace dv_qem
