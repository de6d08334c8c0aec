// Where a virtual member function sits in its class's virtual table: the
// collection classes' slots are a stored layout, and the tests check their
// order against it.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace dv_test {

// The byte offset in the virtual table of a virtual member function: with the
// Itanium C++ ABI, a pointer to a virtual member holds 1 + that offset.
template <class M>
std::ptrdiff_t vtable_offset(M member) {
  struct {
    std::uintptr_t ptr;
    std::ptrdiff_t adj;
  } raw;
  static_assert(sizeof(member) == sizeof(raw));
  std::memcpy(&raw, &member, sizeof(raw));
  EXPECT_EQ(raw.ptr & 1u, 1u) << "not a virtual member";
  return static_cast<std::ptrdiff_t>(raw.ptr - 1);
}

}  // namespace dv_test
