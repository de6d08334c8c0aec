// An address as the 32-bit word that stored pointers hold and that traces and
// messages print with %#x.
#pragma once

#include <cstdint>

namespace dv_qem {

inline unsigned word_of(const void* p) { return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p)); }

}  // namespace dv_qem
