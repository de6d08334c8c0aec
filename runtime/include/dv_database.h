// The public database handle. A dv_database* that callers hold is the
// runtime's internal database object; this class has no state of its own.
#pragma once

#include "dv_types.h"

namespace dv_qem {

class dv_database {
 protected:
  dv_database() = default;
  ~dv_database() = default;
};

}  // namespace dv_qem
