// Address hashing for hash tables keyed by pointers.
#include "ptr_hash.h"

#include <cstdint>

namespace dv_qem {

namespace {
constexpr dv4u kMultiplier = 9987001;  // odd, so distinct addresses spread over the table
}

// No database list exists in this library yet, so every address hashes as a
// transient one. An address inside an open database will hash by its offset
// from that database's start, which does not change when the database moves.
dv4u _VRN_compute_ptr_hash(const void* address) {
  return static_cast<dv4u>(reinterpret_cast<std::uintptr_t>(address)) * kMultiplier;
}

}  // namespace dv_qem
