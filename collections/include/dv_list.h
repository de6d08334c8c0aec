// dv_list: the representation of the kind "dv_List", an ordered collection
// that refuses nulls. It is the chained list with four head slots and blocks
// of eight (dv_chained_list.h) and adds nothing to its 36 stored bytes; it is
// stored with its own typespec, "dv_qem::dv_list".
#pragma once

#include "dv_chained_list.h"
#include "dv_coll_rep_registry.h"

namespace dv_qem {

class dv_list : public dv_chained_list_4_8 {
 public:
  // behavior: 0x10000 refuses duplicates silently, with 0x4 as well it
  // raises err_coll_duplicates; expected is not used.
  dv_list(unsigned expected, unsigned behavior) : dv_chained_list_4_8(expected, behavior) {}
  explicit dv_list(dv_probe_t p) : dv_chained_list_4_8(p) {}
  dv_list& operator=(const dv_list& other) {
    _assign(other);
    return *this;
  }

  // A new empty list in the placement (a database or next to an object).
  static dv_list& create(dv_database* db, unsigned behavior = 0, unsigned expected = 0);
  static dv_list& create(const void* hint, unsigned behavior = 0, unsigned expected = 0);
  // The maker registered for the kind "dv_List": an empty list built from
  // (expected, behavior); an initial count and fill element are for arrays
  // and are not used.
  static dv_collection* make(const _Coll_placement& where, unsigned expected, unsigned behavior,
                             unsigned initial_count, const void* fill);
  static dv_typespec* get_dv_typespec();
};

static_assert(sizeof(dv_list) == 36);

}  // namespace dv_qem
