// The typespec and maker of the tests' vector representation, and its
// cursor trackers.
#include "vector_rep.h"

#include "dv_typespec.h"

DV_DEFINE_TYPESPEC(dv_test::vector_rep, "dv_test::vector_rep", DV_NO_POINTERS, DV_VTABLES(0));

namespace dv_test {

void cursor_tracker::attach(dv_cursor& c) {
  c.set_state_a(new cursor_tracker);
  c.set_flag(dv_cursor::dictionary_cursor_bit, 1);
  ++*vector_rep::live_cursors;
}

cursor_tracker::~cursor_tracker() {
  if (vector_rep::live_cursors != nullptr) --*vector_rep::live_cursors;
}

dv_collection* vector_rep::make(const _Coll_placement& where, unsigned, unsigned behavior, unsigned initial_count,
                                const void* fill) {
  auto* rep = _Coll_construct<vector_rep>(where, &dv_ts<vector_rep>::the_instance, behavior);
  for (unsigned i = 0; i < initial_count; ++i) rep->items.push_back(fill);
  return rep;
}

}  // namespace dv_test
