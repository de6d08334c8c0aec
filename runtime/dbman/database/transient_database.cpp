// The transient database, and the runtime's start-up steps that belong to
// the database side: made when the library is loaded.
#include "db_allocator.h"
#include "dvdb.h"
#include "fault_dispatch.h"
#include "runtime_state.h"

namespace dv_qem {

namespace {

void close_at_unload(DVDB* db) { db->close_database(); }

struct database_side_start_up {
  database_side_start_up() {
    DVDB::transient();
    _DV_lifecycle_hooks& hooks = _DV_int::hooks();
    hooks.install_fault_dispatcher = _DV_install_fault_dispatcher;
    hooks.start_allocator = _DB_allocator::start_subsystem;
    hooks.close_database = close_at_unload;
  }
} the_database_side_start_up;

}  // namespace

DVDB* DVDB::transient() {
  // Never freed: a static destructor that runs late may still ask for it.
  static DVDB* const the_transient_database = new DVDB(transient_name, 0);
  return the_transient_database;
}

}  // namespace dv_qem
