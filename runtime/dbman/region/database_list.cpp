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
  DVDB* before = nullptr;
  DVDB* after = databases_;
  while (after != nullptr && after->space_start() < db->space_start()) {
    before = after;
    after = after->next_listed();
  }
  db->set_next_listed(after);
  if (before != nullptr)
    before->set_next_listed(db);
  else
    databases_ = db;
  database_opened_ = 1;
}

void _DV_int::deregister_DVDB(DVDB* db) {
  if (trace_level_ != 0) _VRN_printf("DV_int::deregister_DVDB(0x%x)\n", word_of(db));
  DVDB* before = nullptr;
  for (DVDB* listed = databases_; listed != nullptr; before = listed, listed = listed->next_listed()) {
    if (listed == db) {
      if (before != nullptr)
        before->set_next_listed(db->next_listed());
      else
        databases_ = db->next_listed();
      db->set_next_listed(nullptr);
      return;
    }
  }
}

DVDB* _DV_int::lookup_DVDB_by_address(const void* address) {
  if (address == nullptr) return nullptr;
  uintptr_t a = reinterpret_cast<uintptr_t>(address);
  for (DVDB* db = databases_; db != nullptr; db = db->next_listed()) {
    uintptr_t start = reinterpret_cast<uintptr_t>(db->space_start());
    if (a >= start && a - start < db->reserved_size()) return db;
  }
  return nullptr;
}

DVDB* _DV_int::lookup_DVDB_by_path(const char* path) {
  if (path == nullptr) return nullptr;
  for (DVDB* db = databases_; db != nullptr; db = db->next_listed())
    if (db->space_name() != nullptr && std::strcmp(db->space_name(), path) == 0) return db;
  return nullptr;
}

int _DV_int::_lookup_DVDB_by_ptr(const DVDB* db) {
  for (const DVDB* listed = databases_; listed != nullptr; listed = listed->next_listed())
    if (listed == db) return 1;
  return 0;
}

DVDB* _DV_int::get_first_DVDB() { return databases_; }

}  // namespace dv_qem
