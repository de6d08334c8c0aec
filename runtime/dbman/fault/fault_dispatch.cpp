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
#include "address_word.h"

namespace dv_qem {

namespace {

// Marks an address in service for the lifetime of the scope.
class in_service_scope {
 public:
  explicit in_service_scope(const void* address) { _VRN_set_fault_in_service(address); }
  ~in_service_scope() { _VRN_set_fault_in_service(nullptr); }
  in_service_scope(const in_service_scope&) = delete;
  in_service_scope& operator=(const in_service_scope&) = delete;
};

// Who asks for access: a fault on the address, or an explicit touch.
enum class access_by { fault, touch };

// The admission of an access to persistent memory by the running
// transaction, when transactions are in use: there must be one, of update
// type for a write; a fault also needs update or read_only type.
void admit_by_transaction(access_by by, const void* address, bool write) {
  if (!_Transaction_state::is_initialized()) return;
  const int type = _Transaction_state::current_type();
  const bool fault = by == access_by::fault;
  if (type == 0) {
    if (fault)
      throw dv_err_trans("Attempt to dereference a pointer to persistent memory (0x%x) with no transaction in progress.",
                         word_of(address));
    throw dv_err_trans("Attempt to touch persistent memory (0x%x) with no transaction in progress.", word_of(address));
  }
  if (write && type != dv_transaction::update) {
    if (fault)
      throw dv_err_trans_wrong_type("Attempt to write to persistent memory (0x%x) in a non-update transaction.",
                                    word_of(address));
    throw dv_err_trans_wrong_type("Attempt to touch persistent memory for write (0x%x) in a non-update transaction.",
                                  word_of(address));
  }
  if (fault && type != dv_transaction::update && type != dv_transaction::read_only)
    throw dv_err_trans_wrong_type(
        "Attempt to access persistent memory (0x%x) in transaction without update or read_only type.",
        word_of(address));
}

// The admission of an address of db: it must lie in the image.
void admit_in_image(const DVDB* db, const void* address) {
  if (static_cast<const char*>(address) >= db->space_start() + db->image_size())
    throw dv_err_illegal_pointer(
        "Attempt to dereference the persistent pointer %#x, but it is beyond the end of the database (%s).",
        word_of(address), db->space_name());
}

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
  if (kind == dv_mem_signal_write || reads_without_transaction == 0)
    admit_by_transaction(access_by::fault, address, kind == dv_mem_signal_write);
  DVDB* db = _DV_int::lookup_DVDB_by_address(address);
  if (db == nullptr)
    throw dv_err_illegal_pointer(
        "Attempt to dereference the persistent pointer %#x, but no database is assigned to that address.",
        word_of(address));
  admit_in_image(db, address);
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
  admit_by_transaction(access_by::touch, p, for_write != 0);
  admit_in_image(db, p);
  char* address = const_cast<char*>(static_cast<const char*>(p));
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
