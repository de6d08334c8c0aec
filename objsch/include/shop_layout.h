// Helpers for writing down the stored layouts of the shop classes. Each class
// names the byte offsets of its pointer fields and virtual-table pointers in
// two static constexpr functions, composed from the offsets of its members
// and of the records it embeds; the type registration reads them from there.
//
// Many records carry an embedded collection facade or derive from another
// record, which makes them non-standard-layout. GCC lays such a class out as
// a plain struct (virtual-table pointer first), so offsetof is exact there;
// the headers switch -Winvalid-offsetof off around their class definitions.
#pragma once

#include <array>
#include <cstddef>

#include "dv_types.h"

namespace objsch {

using dv_qem::dv4s;
using dv_qem::dv4u;

// A list of byte offsets inside one object.
template <size_t N>
using shop_offsets = std::array<dv4s, N>;

// The offsets given, as a list.
template <class... Offsets>
constexpr auto shop_at(Offsets... offsets) {
  return shop_offsets<sizeof...(Offsets)>{static_cast<dv4s>(offsets)...};
}

// The offsets of an embedded record, moved to where the record lies.
template <size_t N>
constexpr shop_offsets<N> shop_moved(const shop_offsets<N>& offsets, size_t base) {
  shop_offsets<N> moved{};
  for (size_t i = 0; i < N; ++i) moved[i] = offsets[i] + static_cast<dv4s>(base);
  return moved;
}

// The lists one after the other.
template <size_t... N>
constexpr auto shop_join(const shop_offsets<N>&... parts) {
  shop_offsets<(N + ... + 0)> joined{};
  size_t at = 0;
  ((void)([&] {
     for (size_t i = 0; i < N; ++i) joined[at++] = parts[i];
   }()),
   ...);
  return joined;
}

// The pointer offsets and virtual-table offsets of record T embedded at base.
template <class T>
constexpr auto shop_pointers_at(size_t base) {
  return shop_moved(T::pointer_offsets(), base);
}
template <class T>
constexpr auto shop_vtables_at(size_t base) {
  return shop_moved(T::vtable_offsets(), base);
}

inline constexpr shop_offsets<0> shop_none{};

}  // namespace objsch
