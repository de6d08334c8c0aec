// Typespecs of the persistent classes of the collection framework. Soft
// pointers hold plain addresses, so they are relocated like pointers.
#include <cstddef>

#include "dv_coll_range.h"
#include "dv_cursor.h"
#include "dv_outofline_collection.h"
#include "dv_typespec.h"

namespace dv_qem {

// The stored layouts the typespecs below describe.
struct _Coll_layout {
  // The facade: virtual-table pointer, owned representation, reserved word.
  static_assert(sizeof(dv_outofline_collection) == 12);
// offsetof on a class with a virtual-table pointer: GCC lays it out as a
// plain struct with the pointer first.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  static_assert(offsetof(dv_outofline_collection, rep_) == 4);
  static_assert(offsetof(dv_outofline_collection, reserved_) == 8);
#pragma GCC diagnostic pop
  static_assert(sizeof(dv_coll_ptr) == 4);
  static_assert(sizeof(dv_cursor) == 52);
  static_assert(offsetof(dv_cursor, flags_) == 0);
  static_assert(offsetof(dv_cursor, state_word_) == 12);
  static_assert(offsetof(dv_cursor, state_a_) == 16);
  static_assert(offsetof(dv_cursor, state_b_) == 20);
  static_assert(offsetof(dv_cursor, state_c_) == 24);
  static_assert(offsetof(dv_cursor, contents_) == 28);
  static_assert(offsetof(dv_cursor, range_) == 32);
  static_assert(offsetof(dv_cursor, index_name_) == 36);
  static_assert(offsetof(dv_cursor, dcur_) == 40);
  static_assert(offsetof(dv_cursor, words_) == 44);
  // A range: four words, two keys, four reserved words.
  static_assert(sizeof(dv_coll_range) == 40);
  static_assert(offsetof(dv_coll_range, low_key_) == 16);
  static_assert(offsetof(dv_coll_range, high_key_) == 20);
};

}  // namespace dv_qem

using dv_qem::dv_coll_ptr;
using dv_qem::dv_coll_range;
using dv_qem::dv_cursor;
using dv_qem::dv_outofline_collection;

DV_DEFINE_TYPESPEC(dv_outofline_collection, "dv_qem::dv_outofline_collection", DV_POINTERS(4), DV_VTABLES(0));
DV_DEFINE_TYPESPEC(dv_coll_range, "dv_qem::dv_coll_range", DV_NO_POINTERS, DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(dv_coll_ptr, "dv_qem::dv_coll_ptr", DV_POINTERS(0), DV_NO_VTABLES);
// Pointer fields: state A, B, C, contents, range, index name, dictionary cursor.
DV_DEFINE_TYPESPEC(dv_cursor, "dv_qem::dv_cursor", DV_POINTERS(16, 20, 24, 28, 32, 36, 40), DV_NO_VTABLES);

namespace dv_qem {

dv_typespec* dv_outofline_collection::get_dv_typespec() { return &dv_ts<dv_outofline_collection>::the_instance; }
dv_typespec* dv_coll_range::get_dv_typespec() { return &dv_ts<dv_coll_range>::the_instance; }
dv_typespec* dv_coll_ptr::get_dv_typespec() { return &dv_ts<dv_coll_ptr>::the_instance; }
dv_typespec* dv_cursor::get_dv_typespec() { return &dv_ts<dv_cursor>::the_instance; }

}  // namespace dv_qem
