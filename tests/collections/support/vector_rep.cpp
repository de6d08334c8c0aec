// The typespec and maker of the tests' vector representation.
#include "vector_rep.h"

#include "dv_typespec.h"

DV_DEFINE_TYPESPEC(dv_test::vector_rep, "dv_test::vector_rep", DV_NO_POINTERS, DV_VTABLES(0));

namespace dv_test {

dv_collection* vector_rep::make(const _Coll_placement& where, unsigned, unsigned behavior, unsigned initial_count,
                                const void* fill) {
  auto* rep = _Coll_construct<vector_rep>(where, &dv_ts<vector_rep>::the_instance, behavior);
  for (unsigned i = 0; i < initial_count; ++i) rep->items.push_back(fill);
  return rep;
}

}  // namespace dv_test
