// Construction and destruction of the internal database object.
#include "dvdb.h"

#include "dv_err.h"

namespace dv_qem {

DVDB::DVDB(const char* path, int ro) : read_only(ro) {
  DV_ASSERT(path != nullptr && "_pname!=0");
  pathname = _VRN_strdup(path);
}

DVDB::~DVDB() { _VRN_free(pathname); }

}  // namespace dv_qem
