// Construction and destruction of the internal database object.
#include "dvdb.h"

#include "dv_err.h"

namespace dv_qem {

DVDB::DVDB(const char* path, int ro) : read_only(ro) {
  if (path == nullptr) _VRN_assertion_violation("_pname!=0", __FILE__, __LINE__);
  pathname = _VRN_strdup(path);
}

DVDB::~DVDB() { _VRN_free(pathname); }

}  // namespace dv_qem
