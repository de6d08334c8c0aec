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

// _normalize_key_type, then without the blanks that stand before a '*' or a
// '[' or at the end: the form the function cache keys its records by, so
// "char const*" is "char*" and "int const" is "int", while "const int"
// stays six blanks and "int" (registered apart). Null for a null name.
char* _cache_key_type(const char* name);

// Whether a key-type name, with every "const" and every blank dropped, is
// expected with its blanks dropped ("const char*", "char const*" and
// "char *" all match "char*"). Null matches nothing.
bool _key_type_is(const char* name, const char* expected);

// _key_type_code of the name matched as _key_type_is matches it, so
// "const int" is 5 and "unsigned  short" 4.
int _key_type_code_normalized(const char* name);

// Whether keys of the type are pointer values passed by the address of the
// pointer ("char*" and "dv_pvoid" in any of their spellings): the key under
// a cursor is then the pointer itself.
bool _key_type_is_pointer_valued(const char* name);

// Bytes of the floating-point value a key of the type is stored as: 4 for
// "float", 8 for "double" and "long double" (kept as 8-byte doubles), 0 for
// every other type.
unsigned _key_type_floating_size(const char* name);

}  // namespace dv_qem
