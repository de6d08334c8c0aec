// Texts the B-tree raises besides the shared catalogue's (coll_messages.h):
// the arguments it refuses. Raised with
//   dv_coll_raise<btree_msg::nan_key>(type_name);
#pragma once

#include "coll_raise.h"

namespace dv_qem::btree_msg {

#define DV_BTREE_MESSAGES(X)                                                                                       \
  X(nan_key, err_coll_illegal_arg,                                                                                 \
    "<err-0024-0540>an argument failed a semantic check (a NaN key cannot be ordered, key type %s)")              \
  X(zero_key_size, err_coll_illegal_arg,                                                                           \
    "<err-0024-0540>an argument failed a semantic check (key size 0 for key type %s)")

DV_BTREE_MESSAGES(DV_COLL_DEFINE_MESSAGE)

}  // namespace dv_qem::btree_msg
