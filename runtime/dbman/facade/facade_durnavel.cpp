// The statics of durnavel: thin guards over the runtime state and the
// databases, each under the runtime thread lock unless it needs none.
#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "db_allocator.h"
#include "db_undo.h"
#include "durnavel.h"
#include "dvdb.h"
#include "fault_dispatch.h"
#include "runtime_state.h"
#include "transaction_state.h"
#include "type_registry.h"
#include "address_word.h"
#include "dv_assertions.h"

namespace dv_qem {

namespace {

std::atomic<durnavel::transient_delete_fn> transient_delete_function{nullptr};

void check_typespec(const dv_typespec* ts) {
  const char* name = ts->get_name();
  if (name == nullptr || *name == '\0') DV_ASSERTION_FAILED(ts_get_name_and_ts_get_name);
}

}  // namespace

void durnavel::initialize() {
  _DV_int::initialize();
  if (std::getenv("DV_QEM_USE_TXN") != nullptr) dv_transaction::initialize();
}

int durnavel::is_persistent(const void* address) {
  _VRN_thread_lock lock;
  return _DV_int::is_persistent(address);
}

void durnavel::register_type(const dv_typespec* ts) {
  _VRN_thread_lock lock;
  _Type_registry::reg_type(ts);
}

void durnavel::deregister_type(const dv_typespec* ts) {
  _VRN_thread_lock lock;
  _Type_registry::dereg_type(ts);
}

unsigned durnavel::compute_ptr_hash(const void* address) {
  _VRN_thread_lock lock;
  return _DV_int::compute_ptr_hash(address);
}

unsigned durnavel::get_page_size() { return _DV_int::get_page_size(); }

void durnavel::set_maximum_undo_operations(unsigned n) {
  _VRN_thread_lock lock;
  _DB_set_max_undo_operations(n);
}

unsigned durnavel::return_all_pages() {
  _VRN_thread_lock lock;
  unsigned dropped = 0;
  for (DVDB* db = _DV_int::get_first_DVDB(); db != nullptr; db = db->next_listed())
    dropped += db->drop_pages(db->space_start(), db->image_size());
  return dropped;
}

unsigned durnavel::return_memory(void* address, unsigned size, int flag) {
  if (size == 0 || flag == 0) return 0;
  _VRN_thread_lock lock;
  unsigned dropped = 0;
  for (DVDB* db = _DV_int::get_first_DVDB(); db != nullptr; db = db->next_listed())
    dropped += db->drop_pages(static_cast<const char*>(address), size);
  return dropped;
}

void durnavel::touch(const void* p, int for_write) { _VRN_touch(p, for_write); }

int durnavel::disable_logging() {
  _VRN_thread_lock lock;
  if (_Transaction_state::is_initialized() || _DV_int::is_logging_disabled()) return 0;
  _DV_int::set_logging_disabled(1);
  return 1;
}

void durnavel::_cleanup() { _DV_int::_cleanup(); }

void durnavel::self_check() {
  _VRN_thread_lock lock;
  _Type_registry::for_each_type(check_typespec);
  for (DVDB* db = _DV_int::get_first_DVDB(); db != nullptr; db = db->next_listed()) db->self_check();
}

// A persistent address is never handed to the C heap: it is freed by its
// database, or (belonging to no open database) left alone. Only that case
// takes the runtime lock; every other delete of the process passes straight
// through.
void durnavel::free_memory(void* p) {
  if (p == nullptr) return;
  if (_DV_int::is_persistent(p)) {
    _VRN_thread_lock lock;
    if (DVDB* db = _DV_int::lookup_DVDB_by_address(p)) {
      db->check_usable();
      // The object's page is admitted for writing before anything changes: a
      // refusal (no update transaction, a read-only database) leaves it whole.
      _VRN_touch(p, 1);
      db->space_allocator()->free(p);
    }
    return;
  }
  transient_delete_fn fn = _DV_int::is_up() ? transient_delete_function.load() : nullptr;
  if (fn != nullptr)
    fn(p);
  else
    std::free(p);
}

void durnavel::set_transient_delete_function(transient_delete_fn fn) {
  _VRN_thread_lock lock;
  transient_delete_function.store(fn);
}

durnavel::transient_delete_fn durnavel::get_transient_delete_function() { return transient_delete_function.load(); }

int durnavel::set_thread_locking_during_relocation(int on) {
  _VRN_thread_lock lock;
  _DV_int::set_thread_locking_disabled(on == 0);
  return 1;
}

int durnavel::set_check_illegal_pointers(int on) {
  _VRN_thread_lock lock;
  _DV_int::set_check_illegal_pointers(on);
  return 1;
}

void* durnavel::relocate_pointer(const void* p, int delta) {
  if (p == nullptr) return nullptr;
  return const_cast<char*>(static_cast<const char*>(p)) + delta;
}

void durnavel::convert_address_to_DSCO(void* address, dv_database*& db, unsigned& segment, unsigned& cluster,
                                       unsigned& offset) {
  _VRN_thread_lock lock;
  DVDB* holder = _DV_int::lookup_DVDB_by_address(address);
  if (holder == nullptr)
    throw dv_err_illegal_pointer("Can not convert transient address 0x%x to DSCO.", word_of(address));
  db = holder;
  segment = 0;
  cluster = 0;
  offset = static_cast<unsigned>(static_cast<char*>(address) - holder->space_start());
}

int durnavel::which_product() { return 1; }
int durnavel::release_major() { return 3; }
int durnavel::release_minor() { return 0; }
int durnavel::release_maintenance() { return 2; }
const char* durnavel::release_name() { return "3.0.2"; }
const char* durnavel::product_name() { return "QEM Pro for C++ 3.0.2"; }
const char* durnavel::storage_system_name() { return "QEM Pro for C++ 3.0.2"; }
const char* durnavel::language_interface_name() { return nullptr; }
int durnavel::language_interface_release_major() { return 0; }
int durnavel::language_interface_release_minor() { return 0; }
int durnavel::read_counter(const char*) { return 0; }
unsigned durnavel::get_address_space_generation_number() { return 0; }

}  // namespace dv_qem
