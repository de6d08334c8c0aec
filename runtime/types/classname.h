// Normal form of a C++ type name, as type names are compared in the type
// registry: "dv_List< int >" and "dv_List<int>" name the same type.
#pragma once

#include <cstddef>

namespace dv_qem {

// Copies src into dest (capacity length, terminator included) without tabs
// and newlines, and without a blank that comes first, follows a blank, ',',
// ':' or '<', or precedes '>' (blanks, tabs and newlines in between do not
// count) -- except that a blank between two '>' stays. The copy is cut to
// length - 1 characters and always terminated; nothing is written when
// length is 0.
void _VRN_normalize_classname(char* dest, const char* src, size_t length);

}  // namespace dv_qem
