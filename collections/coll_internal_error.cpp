// The collections' internal error: one fixed message, and the detail of what
// broke in the debugging trace.
#include <cstdio>

#include "coll_messages.h"

namespace dv_qem {

void _Coll_internal_error(const char* what) {
#ifndef NDEBUG
  std::fprintf(stderr, "coll internal error: %s\n", what);
#else
  (void)what;
#endif
  dv_coll_raise<coll_msg::internal_error>();
}

}  // namespace dv_qem
