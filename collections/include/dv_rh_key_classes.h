// The key classes of keyed hash tables whose slots refer to the key instead
// of holding it. Each is the slot's 4-byte key field: one 32-bit soft pointer.
#pragma once

#include "dv_soft_pointer.h"

namespace dv_qem {

// A character-string key that is not copied: the field holds the caller's
// string pointer (the key passed in is the address of that pointer), so the
// string must outlive its entry.
struct _dv_char_star_nocopy {
  dv_soft_pointer32<void> target;  // the caller's string, or null
};

// A key of any registered type held out of line: the field points at the key
// (a copy made for the table, or the caller's key when the table points to
// keys). Compared and hashed by the functions registered for the key type.
struct _dv_pt_key {
  dv_soft_pointer32<void> target;  // the key's first byte
};

// As _dv_pt_key, for tables that always point to the caller's key.
struct _dv_pt_key_point_only {
  dv_soft_pointer32<void> target;  // the caller's key
};

// A pointer-valued key ("void*" tables): the field holds the key pointer
// itself, which is passed in as the key argument.
struct _dv_pvoid_index_key {
  dv_soft_pointer32<void> target;  // the key pointer
};

// The key field of char* slots (the slot's own copy of the string) and of
// void* slots (the pointer value).
struct _RH_pointer_key {
  dv_soft_pointer32<void> target;  // the string copy or the pointer value
};

static_assert(sizeof(_RH_pointer_key) == 4);
static_assert(sizeof(_dv_char_star_nocopy) == 4);
static_assert(sizeof(_dv_pt_key) == 4);
static_assert(sizeof(_dv_pt_key_point_only) == 4);
static_assert(sizeof(_dv_pvoid_index_key) == 4);

}  // namespace dv_qem
