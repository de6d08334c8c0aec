// The error catalogue's registration: the default text of each global error
// object, handed to it once when the library initialises. Registration keeps
// only the name, so every global's message stays its own name.
#pragma once

#include <cstddef>

#include "dv_coll_err.h"

namespace dv_qem {

struct _Coll_error_default {
  dv_err* global;    // the global error object
  const char* name;  // its name, "err_coll"
  const char* text;  // its default catalogue text ("" for none)
};

// The collection, index and cursor globals, in registration order
// (err_index_duplicate_key appears twice); err_null_pointer and
// err_index_miscellaneous are not registered.
extern const _Coll_error_default _Coll_error_defaults[];
extern const size_t _Coll_error_default_count;

// The access-method globals err_am ... err_am_rhash_range_full, each with an
// empty text.
extern const _Coll_error_default _Am_error_defaults[];
extern const size_t _Am_error_default_count;

// Registers the collection catalogue, then the access-method one (in that
// order, once, from the library's initialisation). Cannot fail.
void _VRN_register_coll_errors();
void _VRN_register_am_errors();

}  // namespace dv_qem
