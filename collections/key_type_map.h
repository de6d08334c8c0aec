// Key-type names and the numbers by which the hash table picks its slot
// layout, and the normal form of a key-type name used by the function cache.
#pragma once

namespace dv_qem {

// The number of a key-type name, by exact, case-sensitive comparison of the
// whole name: "signed char" 1, "unsigned char" 2, "short" 3, "unsigned short"
// 4, "int" 5, "unsigned int" 6, "long" 7, "unsigned long" 8, "float" 9,
// "double" 10, "long double" 11, "void*" 12, "void" 13, "char" 14; any other
// name (null included) 0.
int _key_type_code(const char* name);

// The name of a key-type number 1 to 14; null for any other number.
const char* _key_type_name(int code);

// A heap copy of name (release with _VRN_free) in which every occurrence of
// "const" is overwritten by five blanks, so "const int" becomes six blanks and
// "int"; null for a null name.
char* _normalize_key_type(const char* name);

}  // namespace dv_qem
