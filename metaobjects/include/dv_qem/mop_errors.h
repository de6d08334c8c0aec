// The two error classes of the metaobject library.
#pragma once

#include "dv_err.h"

namespace dv_qem {

// Loading an application schema failed (the message names what was missing).
DV_DECLARE_ERR(dv_err_no_schema, dv_err)
// A metaobject operation was refused: a mismatched typed member access, a
// second type under one name, a size or alignment given to a fixed-size type.
DV_DECLARE_ERR(dv_err_mop, dv_err)

}  // namespace dv_qem
