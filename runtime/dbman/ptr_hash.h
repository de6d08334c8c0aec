// The hash of an address that stays the same however a database is mapped.
#pragma once

#include "dv_types.h"

namespace dv_qem {

// (address - start of the database that holds it) x 9987001, or address x
// 9987001 for an address in no database, modulo 2^32.
dv4u _VRN_compute_ptr_hash(const void* address);

}  // namespace dv_qem
