// The fault dispatcher _Handler, which serves a fault on persistent memory
// for the database that holds the address, the explicit touch, and the
// fault-guard requirement of the operations that need one.
#pragma once

namespace dv_qem {

// Serves a fault of kind (dv_mem_signal_*) on address under the runtime
// lock: checks the address and the transaction, then has the database that
// holds it upgrade or fetch the page. Kind dv_mem_signal_unknown does
// nothing. Every refusal is thrown.
void _Handler(void* address, int kind);

// While one lives (under the thread lock), a fault that reads is served
// without a transaction: the runtime's own reads of the database it is
// opening. Writes still need their transaction.
class _VRN_reads_without_transaction {
 public:
  _VRN_reads_without_transaction();
  ~_VRN_reads_without_transaction();
  _VRN_reads_without_transaction(const _VRN_reads_without_transaction&) = delete;
  _VRN_reads_without_transaction& operator=(const _VRN_reads_without_transaction&) = delete;
};

// Installs the exception filter with _Handler as its memory-signal handler
// (the runtime's lazy start-up does this).
void _DV_install_fault_dispatcher();

// Declares an access in advance: the page of p is read (and write-locked
// with for_write) now rather than at its first use. Records whether
// anything was done for _VRN_touched.
void _VRN_touch(const void* p, int for_write);
// 1 when the last touch did something.
int _VRN_touched();

// Refuses a thread without a fault guard: the error is shown with
// dv_err::print and thrown as a plain dv_err.
void _VRN_require_fault_handler();

}  // namespace dv_qem
