// The runtime's switches, its lazy start-up and its unload clean-up.
#include "runtime_state.h"
#include "type_registry.h"

#include <atomic>

#include "dv_env.h"
#include "dv_err.h"
#include "dv_locks.h"
#include "dv_platform.h"
#include "db_allocator.h"
#include "db_log.h"
#include "dvdb.h"
#include "fault_dispatch.h"
#include "memory_layer.h"
#include "transaction_state.h"

namespace dv_qem {

char* _DV_int::region_start_ = nullptr;
dv4u _DV_int::region_size_ = 0;
dv4u _DV_int::default_start_ = 0x30000000;
dv4u _DV_int::default_size_ = 0x08000000;
DVDB* _DV_int::databases_ = nullptr;
int _DV_int::database_opened_ = 0;
int _DV_int::trace_level_ = 0;
int _DV_int::up_ = 0;
int _DV_int::logging_disabled_ = 0;
int _DV_int::check_illegal_pointers_ = 0;
int _DV_int::thread_locking_disabled_ = 0;
int _DV_int::touched_ = 0;

namespace {

// Read without the lock by initialize's fast path.
std::atomic<int> initialized{0};

// A closed database's object stays behind as a marked handle (DVDB::close_database).
void close_at_unload(DVDB* db) { db->close_database(); }

constinit _DV_lifecycle_hooks lifecycle_hooks = {
    .install_fault_dispatcher = _DV_install_fault_dispatcher,
    .start_allocator = _DB_allocator::start_subsystem,
    .start_log = _DB_log::start_subsystem,
    .abort_transaction = _Transaction_state::abort_at_unload,
    .close_database = close_at_unload,
};

// _DV_TRACE_MEMORY: unset or empty 0; a value starting with '3' or '9' that
// level; any other value 1.
int trace_level_from_environment() {
  const char* value = _VRN_getenv("_DV_TRACE_MEMORY");
  if (value == nullptr) return 0;
  if (value[0] == '3') return 3;
  if (value[0] == '9') return 9;
  return 1;
}

// Switches read once when the library is loaded (set and non-empty = on).
struct load_time_switches {
  load_time_switches() {
    _DV_int::set_check_illegal_pointers(_VRN_getenv_bool("DV_QEM_CHK_ILLEGAL_PTR", nullptr) != 0);
    _DV_int::set_thread_locking_disabled(_VRN_getenv_bool("DV_QEM_DISABLE_THREAD_LOCKING", nullptr) != 0);
  }
} the_load_time_switches;

// Library detach: the unload clean-up runs when the library's static
// objects are destroyed. Its error has been printed already and is dropped
// here: an exception leaving a destructor at exit would end the process
// through std::terminate.
struct unload_cleanup {
  ~unload_cleanup() {
    if (!_DV_int::is_initialized() && _DV_int::get_region_size() == 0) return;
    try {
      _DV_int::_cleanup();
    } catch (const dv_err&) {
    }
  }
} the_unload_cleanup;

}  // namespace

void _DV_int::initialize() {
  if (initialized.load(std::memory_order_acquire)) return;
  _VRN_thread_lock lock;
  if (initialized.load(std::memory_order_relaxed)) return;
  trace_level_ = trace_level_from_environment();
  dv_set_memory_tracing(trace_level_ > 8);
  _Type_registry::set_tracing(trace_level_ != 0);
  if (region_size_ == 0) reserve_address_space(0);
  if (lifecycle_hooks.install_fault_dispatcher != nullptr) lifecycle_hooks.install_fault_dispatcher();
  up_ = 1;
  if (lifecycle_hooks.start_allocator != nullptr) lifecycle_hooks.start_allocator();
  if (lifecycle_hooks.start_log != nullptr) lifecycle_hooks.start_log();
  initialized.store(1, std::memory_order_release);
}

void _DV_int::_cleanup() {
  _VRN_thread_lock lock;
  if (trace_level_ != 0) _VRN_printf("DV_int::_cleanup() called.\n");
  try {
    if (lifecycle_hooks.abort_transaction != nullptr) lifecycle_hooks.abort_transaction();
    if (lifecycle_hooks.close_database != nullptr) {
      DVDB* next = nullptr;
      for (DVDB* db = databases_; db != nullptr; db = next) {
        next = db->next_listed();
        lifecycle_hooks.close_database(db);
      }
    }
    if (region_size_ != 0) release_address_space();
  } catch (const dv_err& e) {
    e.print();
    throw dv_err(e);
  }
  up_ = 0;
  initialized.store(0, std::memory_order_release);
}

int _DV_int::is_initialized() { return initialized.load(std::memory_order_acquire); }
int _DV_int::is_up() { return up_; }
_DV_lifecycle_hooks& _DV_int::hooks() { return lifecycle_hooks; }

dv4u _DV_int::get_page_size() { return dv_memory_page_size(); }
int _DV_int::get_trace_level() { return trace_level_; }
int _DV_int::is_logging_disabled() { return logging_disabled_; }
void _DV_int::set_logging_disabled(int disabled) { logging_disabled_ = disabled; }
int _DV_int::get_check_illegal_pointers() { return check_illegal_pointers_; }
void _DV_int::set_check_illegal_pointers(int on) { check_illegal_pointers_ = on; }
int _DV_int::is_thread_locking_disabled() { return thread_locking_disabled_; }
void _DV_int::set_thread_locking_disabled(int disabled) { thread_locking_disabled_ = disabled; }
int _DV_int::get_touched() { return touched_; }
void _DV_int::set_touched(int touched) { touched_ = touched; }
int _DV_int::was_database_opened() { return database_opened_; }

}  // namespace dv_qem
