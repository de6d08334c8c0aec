// The object store's public surface in one include, and the static class
// `durnavel` with the runtime's process-wide operations.
//
// A program starts the runtime with durnavel::initialize, keeps a fault
// guard (DV_QEM_ESTABLISH_FAULT_HANDLER ... DV_QEM_END_FAULT_HANDLER, or a
// _VRN_fault_handler object) on every thread while it touches persistent
// memory, opens or creates databases, and saves and closes them. Nothing
// needs to be shut down: at unload the runtime closes every open database.
#pragma once

#include "dv_database.h"
#include "dv_database_root.h"
#include "dv_err.h"
#include "dv_fault_handler.h"
#include "dv_locks.h"
#include "dv_new.h"
#include "dv_object_cursor.h"
#include "dv_reference.h"
#include "dv_transaction.h"
#include "dv_typespec.h"
#include "dv_types.h"

// Opens a block in which this thread may touch persistent memory.
#define DV_QEM_ESTABLISH_FAULT_HANDLER { ::dv_qem::_VRN_fault_handler dv_qem_fault_handler_guard_;
#define DV_QEM_END_FAULT_HANDLER }

namespace dv_qem {

class durnavel {
 public:
  // Starts the runtime (reserves the address region, installs the fault
  // handling). With DV_QEM_USE_TXN set, transactions are initialised too.
  static void initialize();
  // Kept for older callers; each does nothing.
  static void shutdown() {}
  static void thread_attach(void*) {}
  static void thread_detach(void*) {}
  static void set_cache_size(unsigned) {}
  static void set_incremental_schema_installation(unsigned) {}
  static void set_client_name(char*) {}

  // 1 when address lies in the runtime's reserved region.
  static int is_persistent(const void* address);
  static void register_type(const dv_typespec* ts);
  static void deregister_type(const dv_typespec* ts);
  // (address - start of its database), or the address outside every
  // database, times 9987001, modulo 2^32: the same for an object wherever
  // its database is mapped.
  static unsigned compute_ptr_hash(const void* address);
  static unsigned get_page_size();
  static void set_maximum_undo_operations(unsigned n);
  // Drops the unmodified pages of every open database; returns how many.
  static unsigned return_all_pages();
  // Drops the unmodified pages of [address, address + size); 0 when size or
  // flag is 0. Returns how many.
  static unsigned return_memory(void* address, unsigned size, int flag);
  // Reads the page of p now (write-locked with for_write) instead of at its
  // first use.
  static void touch(const void* p, int for_write);
  // Turns logging off while transactions are not initialised; 1 when it did.
  static int disable_logging();
  // The unload clean-up, on demand: closes every database, releases the region.
  static void _cleanup();
  // Checks every registered typespec and every open database.
  static void self_check();
  // Frees an object: persistent memory through its database's allocator;
  // other memory through the transient delete function, or the C heap.
  static void free_memory(void* p);
  static void set_transient_delete_function(void (*fn)(void*));
  using transient_delete_fn = void (*)(void*);
  static transient_delete_fn get_transient_delete_function();
  // on = 0: a page read no longer stops the other threads. Returns 1.
  static int set_thread_locking_during_relocation(int on);
  // Switches the illegal-pointer report of relocation. Returns 1.
  static int set_check_illegal_pointers(int on);
  // p + delta; null stays null.
  static void* relocate_pointer(const void* p, int delta);
  // The database of a persistent address and its offset in it (segment and
  // cluster 0); a transient address: dv_err_illegal_pointer.
  static void convert_address_to_DSCO(void* address, dv_database*& db, unsigned& segment, unsigned& cluster,
                                      unsigned& offset);

  // Release facts.
  static int which_product();
  static int release_major();
  static int release_minor();
  static int release_maintenance();
  static const char* release_name();
  static const char* product_name();
  static const char* storage_system_name();
  static const char* language_interface_name();
  static int language_interface_release_major();
  static int language_interface_release_minor();
  static int read_counter(const char* name);
  static unsigned get_address_space_generation_number();
};

}  // namespace dv_qem
