// _Handler, touch and the fault-guard requirement.
#include "fault_dispatch.h"

#include <cstdint>

#include "dv_err.h"
#include "dv_fault_handler.h"
#include "dv_locks.h"
#include "dv_platform.h"
#include "dv_transaction.h"
#include "dvdb.h"
#include "fault_filter.h"
#include "page.h"
#include "runtime_state.h"
#include "transaction_state.h"

namespace dv_qem {

namespace {

unsigned word_of(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

// Marks an address in service for the lifetime of the scope.
class in_service_scope {
 public:
  explicit in_service_scope(const void* address) { _VRN_set_fault_in_service(address); }
  ~in_service_scope() { _VRN_set_fault_in_service(nullptr); }
  in_service_scope(const in_service_scope&) = delete;
  in_service_scope& operator=(const in_service_scope&) = delete;
};

// Scopes of _VRN_reads_without_transaction alive (under the thread lock).
int reads_without_transaction = 0;

}  // namespace

_VRN_reads_without_transaction::_VRN_reads_without_transaction() { ++reads_without_transaction; }
_VRN_reads_without_transaction::~_VRN_reads_without_transaction() { --reads_without_transaction; }

void _Handler(void* address, int kind) {
  if (kind == dv_mem_signal_unknown) return;
  _VRN_thread_lock lock;
  const char* reading = kind == dv_mem_signal_write ? "writing" : "reading";
  if (_VRN_fault_in_service() != nullptr)
    throw dv_err_internal("recursive %s fault on address %#x", reading, word_of(address));
  if (_DV_int::get_trace_level() > 2)
    _VRN_printf("_Handler(): 0x%x -> 0x%x (%s).]\n", word_of(address), word_of(DVDB::page_of(address)), reading);
  if (address == nullptr)
    throw dv_err_deref_transient_pointer("Access violation - Attempt to dereference a null (zero) pointer");
  if (!_DV_int::is_persistent(address))
    throw dv_err_deref_transient_pointer(
        "Violation %s non-persistent address %#x\nThis was probably the result of dereferencing an invalid pointer",
        reading, word_of(address));
  if (_Transaction_state::is_initialized() &&
      (kind == dv_mem_signal_write || reads_without_transaction == 0)) {
    const int type = _Transaction_state::current_type();
    if (type == 0)
      throw dv_err_trans("Attempt to dereference a pointer to persistent memory (0x%x) with no transaction in progress.",
                         word_of(address));
    if (kind == dv_mem_signal_write && type != dv_transaction::update)
      throw dv_err_trans_wrong_type("Attempt to write to persistent memory (0x%x) in a non-update transaction.",
                                    word_of(address));
    if (type != dv_transaction::update && type != dv_transaction::read_only)
      throw dv_err_trans_wrong_type(
          "Attempt to access persistent memory (0x%x) in transaction without update or read_only type.",
          word_of(address));
  }
  DVDB* db = _DV_int::lookup_DVDB_by_address(address);
  if (db == nullptr)
    throw dv_err_illegal_pointer(
        "Attempt to dereference the persistent pointer %#x, but no database is assigned to that address.",
        word_of(address));
  if (static_cast<char*>(address) >= db->as_start + db->image_size())
    throw dv_err_illegal_pointer(
        "Attempt to dereference the persistent pointer %#x, but it is beyond the end of the database (%s).",
        word_of(address), db->pathname);
  in_service_scope in_service(address);
  if (!db->serve_fault(static_cast<char*>(address), kind) && _DV_int::get_trace_level() > 2)
    _VRN_printf("_Handler(): 0x%x ignored.\n", word_of(address));
}

void _DV_install_fault_dispatcher() { _VRN_install_fault_filter(_Handler); }

void _VRN_touch(const void* p, int for_write) {
  _VRN_thread_lock lock;
  _DV_int::set_touched(0);
  DVDB* db = _DV_int::lookup_DVDB_by_address(p);
  if (db == nullptr) return;
  const _Page* page = db->find_page(DVDB::page_of(p));
  if (page != nullptr && page->is_mapped()) {
    const int l = page->get_lock();
    if (for_write ? l == _Page::LW : l != _Page::LNONE) return;
  }
  if (_Transaction_state::is_initialized()) {
    const int type = _Transaction_state::current_type();
    if (type == 0)
      throw dv_err_trans("Attempt to touch persistent memory (0x%x) with no transaction in progress.", word_of(p));
    if (for_write && type != dv_transaction::update)
      throw dv_err_trans_wrong_type("Attempt to touch persistent memory for write (0x%x) in a non-update transaction.",
                                    word_of(p));
  }
  char* address = const_cast<char*>(static_cast<const char*>(p));
  if (address >= db->as_start + db->image_size())
    throw dv_err_illegal_pointer(
        "Attempt to dereference the persistent pointer %#x, but it is beyond the end of the database (%s).",
        word_of(p), db->pathname);
  if (db->serve_fault(address, for_write ? dv_mem_signal_write : dv_mem_signal_read)) _DV_int::set_touched(1);
}

int _VRN_touched() { return _DV_int::get_touched(); }

void _VRN_require_fault_handler() {
  if (_VRN_fault_guard_depth() >= 1) return;
  dv_err_misc missing("Missing Durnavel/QEM fault handler - use DV_QEM_ESTABLISH_FAULT_HANDLER.");
  missing.print();
  throw dv_err(missing);
}

}  // namespace dv_qem
