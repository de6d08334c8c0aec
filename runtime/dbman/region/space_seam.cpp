// The database side of the seam (db_space.h): the questions the allocator and
// the type system ask about addresses, answered from the database list and
// the region. Callers hold the runtime thread lock.
#include "db_space.h"
#include "dvdb.h"
#include "runtime_state.h"

namespace dv_qem {

_DB_space* _DB_space_holding(const void* address) { return _DV_int::lookup_DVDB_by_address(address); }

_DB_space* _DB_space_of(dv_database* db) { return DVDB::of(db); }

bool _DB_in_region(const void* address) { return _DV_int::is_persistent(address) != 0; }

dv4u _DB_pointer_hash(const void* address) { return _DV_int::compute_ptr_hash(address); }

bool _DB_checking_illegal_pointers() { return _DV_int::get_check_illegal_pointers() != 0; }

}  // namespace dv_qem
