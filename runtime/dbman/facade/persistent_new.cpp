// Persistent operator new and delete, and the runtime's global operator
// delete: every delete of the process goes through durnavel::free_memory.
#include <cstdio>
#include <cstdlib>

#include "db_allocator.h"
#include "durnavel.h"
#include "dvdb.h"
#include "runtime_state.h"

using dv_qem::DVDB;
using dv_qem::dv_database;
using dv_qem::dv_err_operator_new_args;
using dv_qem::dv_typespec;

namespace {

// The database db stands for; the transient database means ordinary heap.
DVDB* database_of(dv_database* db) {
  if (db == nullptr) throw dv_err_operator_new_args("new(db) requires non-null dv_database argument.");
  return DVDB::of(db);
}

// The database whose range holds hint, or the transient database; the
// caller holds the thread lock.
DVDB* database_of_hint(const void* hint) {
  if (hint == nullptr) throw dv_err_operator_new_args("persistent new(void*) requires a non-null address hint");
  DVDB* db = dv_qem::_DV_int::lookup_DVDB_by_address(hint);
  return db != nullptr ? db : DVDB::transient();
}

void require_typespec(const dv_typespec* ts) {
  if (ts == nullptr) throw dv_err_operator_new_args("persistent new requires non-null dv_typespec argument.");
}

void* heap_allocation(std::size_t size) { return dv_qem::_VRN_allocate_zeroed(size, 1); }

// A delete cannot throw: a refused free (no update transaction, a read-only
// database, a damaged heap) is shown with the runtime's error report and
// the object stays where it is; the process goes on. durnavel::free_memory
// raises the same refusal to a caller that can catch it.
void free_or_report(void* p) noexcept {
  try {
    dv_qem::durnavel::free_memory(p);
  } catch (const dv_qem::dv_err& e) {
    e.print();
  }
}

}  // namespace

void* operator new(std::size_t size, dv_database* db, dv_typespec* ts) {
  dv_qem::_VRN_thread_lock lock;
  DVDB* target = database_of(db);
  if (target->is_transient()) return heap_allocation(size);
  require_typespec(ts);
  target->check_usable();
  return target->space_allocator()->allocate(size, ts, 0, dv_qem::user_page_group);
}

void* operator new(std::size_t size, dv_database* db, dv_typespec* ts, unsigned count) {
  dv_qem::_VRN_thread_lock lock;
  DVDB* target = database_of(db);
  if (target->is_transient()) return heap_allocation(size);
  require_typespec(ts);
  if (count == 0) throw dv_err_operator_new_args("persistent new requires non-null array count.");
  target->check_usable();
  return target->space_allocator()->allocate(size, ts, count, dv_qem::user_page_group);
}

void* operator new(std::size_t size, const void* hint, dv_typespec* ts) {
  dv_qem::_VRN_thread_lock lock;
  DVDB* target = database_of_hint(hint);
  if (target->is_transient()) return heap_allocation(size);
  require_typespec(ts);
  target->check_usable();
  return target->space_allocator()->allocate_near(size, ts, 0, hint, dv_qem::user_page_group);
}

void* operator new(std::size_t size, const void* hint, dv_typespec* ts, unsigned count) {
  dv_qem::_VRN_thread_lock lock;
  DVDB* target = database_of_hint(hint);
  if (target->is_transient()) return heap_allocation(size);
  require_typespec(ts);
  if (count == 0) throw dv_err_operator_new_args("new(db) requires non-null array count.");
  target->check_usable();
  return target->space_allocator()->allocate_near(size, ts, count, hint, dv_qem::user_page_group);
}

void operator delete(void* p, dv_database*, dv_typespec*) noexcept { free_or_report(p); }
void operator delete(void* p, dv_database*, dv_typespec*, unsigned) noexcept { free_or_report(p); }
void operator delete(void* p, const void*, dv_typespec*) noexcept { free_or_report(p); }
void operator delete(void* p, const void*, dv_typespec*, unsigned) noexcept { free_or_report(p); }

void operator delete(void* p) noexcept { free_or_report(p); }
void operator delete(void* p, std::size_t) noexcept { free_or_report(p); }
void operator delete[](void* p) noexcept { free_or_report(p); }
void operator delete[](void* p, std::size_t) noexcept { free_or_report(p); }
