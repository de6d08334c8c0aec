// The exception filter: one process-wide SIGSEGV handler that serves access
// faults on persistent memory on the faulting thread. A fault on a region
// address (or in the null page) of a thread with a fault guard goes to the
// memory-signal handler; with catch-transient-faults on, a fault elsewhere
// raises dv_err_misc; anything else goes to the handler installed before.
//
// An error raised while a fault is served is thrown at the faulting
// instruction as an ordinary dv_err exception.
#pragma once

namespace dv_qem {

// Serves a fault on address of kind dv_mem_signal_read or _write; returns
// to resume the faulting instruction, or throws.
using _VRN_memory_signal_handler = void (*)(void* address, int kind);

// Installs the filter once per process and makes handler the memory-signal
// handler.
void _VRN_install_fault_filter(_VRN_memory_signal_handler handler);

// Faults the filter has seen.
unsigned _VRN_fault_count();

}  // namespace dv_qem
