// The transient database: made on first use, never opened, never freed.
#include "dvdb.h"

namespace dv_qem {

DVDB* DVDB::transient() {
  // Never freed: a static destructor that runs late may still ask for it.
  static DVDB* const the_transient_database = new DVDB(transient_name, 0);
  return the_transient_database;
}

}  // namespace dv_qem
