// The members of the collection error classes and the global error objects,
// each constructed at load with its own name and no text.
#include "dv_coll_err.h"

namespace dv_qem {

#define DV_COLL_DEFINE_CLASS(NAME, BASE) DV_DEFINE_ERR(dv_err_##NAME)
DV_COLL_ERRORS(DV_COLL_DEFINE_CLASS)
DV_DEFINE_ERR(dv_err_address_space_full)

#define DV_COLL_DEFINE_GLOBAL(NAME, BASE) dv_err_##NAME err_##NAME(0, "err_" #NAME, nullptr);
DV_COLL_ERRORS(DV_COLL_DEFINE_GLOBAL)

}  // namespace dv_qem
