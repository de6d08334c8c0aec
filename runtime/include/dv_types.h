// Fixed-width types of the object store. Every stored word in a database file
// is one of these; the store is built for 32-bit x86 only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dv_qem {

using dv1u = std::uint8_t;
using dv2u = std::uint16_t;
using dv2s = std::int16_t;
using dv4u = std::uint32_t;
using dv4s = std::int32_t;
using dv_int32 = std::int32_t;
using dvaddr = char*;              // a byte address inside the database region
using dvctaddr = const char*;

static_assert(sizeof(void*) == 4, "the object store needs a 32-bit build (g++ -m32)");
static_assert(sizeof(long) == 4, "stored 'long' values are 32-bit");

}  // namespace dv_qem
