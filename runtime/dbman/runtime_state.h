// _DV_int, the process-wide state of the runtime: the reserved address region
// that every database lives in, the list of open databases, the type
// registry, the runtime switches, and the lazy start-up and unload clean-up.
//
// Everything here runs under the runtime thread lock (_VRN_thread_lock),
// which the public entry points take; initialize, _cleanup and the type
// registry take it themselves as well.
#pragma once

#include <cstddef>

#include "dv_types.h"

namespace dv_qem {

class DVDB;
class dv_typespec;

// Steps of start-up and clean-up that belong to other subsystems. Each is
// skipped while null; the subsystems set them before the runtime starts.
struct _DV_lifecycle_hooks {
  // Makes the fault dispatcher the memory-signal handler of the exception filter.
  void (*install_fault_dispatcher)() = nullptr;
  // Starts the allocator subsystem (it reads its environment switches).
  void (*start_allocator)() = nullptr;
  // Starts the log subsystem.
  void (*start_log)() = nullptr;
  // Aborts the running transaction, when there is one.
  void (*abort_transaction)() = nullptr;
  // Closes an open database as dv_database::close does; this takes it out
  // of the database list and frees it.
  void (*close_database)(DVDB* db) = nullptr;
};

class _DV_int {
 public:
  // ---- start-up and clean-up ------------------------------------------
  // Lazy initialisation; returns at once when done before. In order: read
  // the trace level (_DV_TRACE_MEMORY), reserve the region, install the
  // fault dispatcher, mark the runtime up, start the allocator and the log,
  // mark initialised. A failed step leaves the runtime uninitialised.
  static void initialize();
  // Unload clean-up: aborts the running transaction, closes every open
  // database and releases the region. A dv_err on the way is printed and
  // thrown on as a plain dv_err. Afterwards the runtime is uninitialised, so
  // the next use starts it again.
  static void _cleanup();
  static int is_initialized();
  // Set just before the allocator starts; free_memory then routes through
  // the databases.
  static int is_up();
  static _DV_lifecycle_hooks& hooks();

  // ---- switches ---------------------------------------------------------
  // The system page size, read once.
  static dv4u get_page_size();
  // 0 off; 1, 3 or 9, more output on standard output the higher it is.
  static int get_trace_level();
  static int is_logging_disabled();
  static void set_logging_disabled(int disabled);
  // From DV_QEM_CHK_ILLEGAL_PTR at load, or set_check_illegal_pointers.
  static int get_check_illegal_pointers();
  static void set_check_illegal_pointers(int on);
  // From DV_QEM_DISABLE_THREAD_LOCKING at load, or
  // set_thread_locking_during_relocation(0).
  static int is_thread_locking_disabled();
  static void set_thread_locking_disabled(int disabled);
  // Result of the last touch.
  static int get_touched();
  static void set_touched(int touched);
  // Set when the first database enters the list; never cleared.
  static int was_database_opened();

  // ---- the region -------------------------------------------------------
  static char* get_region_start();
  static dv4u get_region_size();
  // n = 0: reserves the region at DV_QEM_AS_START / DV_QEM_AS_SIZE (else
  // the defaults); when that range is taken and the start was not given by
  // the environment, anywhere the system chooses. n > 0: reserves the n
  // bytes exactly after the region and adds them to it. Failure:
  // dv_err_out_of_virtual_memory; a malformed variable: dv_err_misc.
  static void reserve_address_space(dv4u n);
  // Releases the whole region; size 0 afterwards.
  static void release_address_space();
  // 1 when region start <= address < region end.
  static int is_persistent(const void* address);
  // (address - start of the database holding it), or the address itself
  // outside every database, times 9987001, modulo 2^32.
  static dv4u compute_ptr_hash(const void* address);

  // ---- placement of databases in the region -----------------------------
  // A page-aligned start of r free bytes: the region start when no database
  // is open, else the end of the first open database followed by a gap of at
  // least r bytes; the region grows at its end when only the last gap is left.
  static char* reserve_db_space_anywhere(dv4u r);
  // 1 when [start, start + size) lies in the region and overlaps no open
  // database.
  static int db_space_fits(const char* start, dv4u size);
  // Takes [start, start + r) for the database named name (page multiples),
  // growing the region when the range runs past its end after the last
  // database. Refusals: dv_err_address_space_assigned,
  // dv_err_address_space_exhausted.
  static char* reserve_db_space_for(const char* name, char* start, dv4u r);
  // Whether db's range can grow by up to r bytes; room receives how many.
  // The last database at the region end grows the region by r.
  static int can_grow_db_space(const DVDB* db, dv4u r, dv4u& room);

  // ---- the database list (ascending as_start) ---------------------------
  // Enters db before the first database whose as_start is not smaller.
  static void register_DVDB(DVDB* db);
  // Takes db out of the list; nothing when it is not listed.
  static void deregister_DVDB(DVDB* db);
  // The first database whose range holds address; null for none or null.
  static DVDB* lookup_DVDB_by_address(const void* address);
  // The database opened under exactly this path; null for none.
  static DVDB* lookup_DVDB_by_path(const char* path);
  // 1 when db is in the list.
  static int _lookup_DVDB_by_ptr(const DVDB* db);
  // Head of the list (walk it through DVDB::next).
  static DVDB* get_first_DVDB();

  // ---- the type registry --------------------------------------------------
  static void reg_type(const dv_typespec* ts);
  // Removes the newest registration of ts; nothing when it has none.
  static void dereg_type(const dv_typespec* ts);
  // 1 when ts itself is registered.
  static int is_registered(const dv_typespec* ts);
  // A name ending in '*' or '&' gives the pointer typespec; else the newest
  // typespec whose name equals name, a leading "dv_qem::" ignored on both
  // sides. Null when none.
  static const dv_typespec* lookup_type(const char* name);
  // The built-in pointer typespec that lookup_type answers for pointers.
  static void set_pointer_typespec(const dv_typespec* ts);
  // Calls visit for every registered typespec, newest first.
  static void for_each_type(void (*visit)(const dv_typespec* ts));

 private:
  friend void _VRN_set_default_address_space(char* start, unsigned size);
  static void set_region(char* start, dv4u size);

  struct type_node {
    type_node* next;
    const dv_typespec* ts;
  };

  static char* region_start_;
  static dv4u region_size_;
  static dv4u default_start_;
  static dv4u default_size_;
  static DVDB* databases_;
  static int database_opened_;
  static type_node* types_;
  static const dv_typespec* pointer_typespec_;
  static int trace_level_;
  static int up_;
  static int logging_disabled_;
  static int check_illegal_pointers_;
  static int thread_locking_disabled_;
  static int touched_;
};

// Replaces the default region (start 0x30000000, size 0x08000000), rounded
// to whole pages. No effect once the region is reserved.
void _VRN_set_default_address_space(char* start, unsigned size);

}  // namespace dv_qem
