// The list of open databases, kept in ascending order of as_start.
#include <cstdint>
#include <cstring>

#include "dv_err.h"
#include "dv_platform.h"
#include "dvdb.h"
#include "runtime_state.h"
#include "address_word.h"

namespace dv_qem {

void _DV_int::register_DVDB(DVDB* db) {
  DV_ASSERT(!_lookup_DVDB_by_ptr(db));
  if (trace_level_ != 0) _VRN_printf("DV_int::register_DVDB(0x%x)\n", word_of(db));
  DVDB** link = &databases_;
  while (*link != nullptr && (*link)->as_start < db->as_start) link = &(*link)->next;
  db->next = *link;
  *link = db;
  database_opened_ = 1;
}

void _DV_int::deregister_DVDB(DVDB* db) {
  if (trace_level_ != 0) _VRN_printf("DV_int::deregister_DVDB(0x%x)\n", word_of(db));
  for (DVDB** link = &databases_; *link != nullptr; link = &(*link)->next) {
    if (*link == db) {
      *link = db->next;
      db->next = nullptr;
      return;
    }
  }
}

DVDB* _DV_int::lookup_DVDB_by_address(const void* address) {
  if (address == nullptr) return nullptr;
  uintptr_t a = reinterpret_cast<uintptr_t>(address);
  for (DVDB* db = databases_; db != nullptr; db = db->next) {
    uintptr_t start = reinterpret_cast<uintptr_t>(db->as_start);
    if (a >= start && a - start < db->as_size) return db;
  }
  return nullptr;
}

DVDB* _DV_int::lookup_DVDB_by_path(const char* path) {
  if (path == nullptr) return nullptr;
  for (DVDB* db = databases_; db != nullptr; db = db->next)
    if (db->pathname != nullptr && std::strcmp(db->pathname, path) == 0) return db;
  return nullptr;
}

int _DV_int::_lookup_DVDB_by_ptr(const DVDB* db) {
  for (const DVDB* listed = databases_; listed != nullptr; listed = listed->next)
    if (listed == db) return 1;
  return 0;
}

DVDB* _DV_int::get_first_DVDB() { return databases_; }

}  // namespace dv_qem
