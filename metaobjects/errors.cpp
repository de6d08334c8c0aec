// The metaobject library's error classes.
#include "dv_qem/mop_errors.h"

namespace dv_qem {

DV_DEFINE_ERR(dv_err_no_schema)
DV_DEFINE_ERR(dv_err_mop)

}  // namespace dv_qem
