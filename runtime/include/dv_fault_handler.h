// The per-thread fault guard. Persistent memory may be touched on a thread
// only while the thread has established a guard; a guarded thread is also
// one that is held still while another thread reads a page or undoes.
#pragma once

namespace dv_qem {

// Establishes the calling thread's guard. Guards nest: the outermost one
// makes the thread suspendable by the runtime, inner ones only count.
void _VRN_establish_fault_handler();

// Ends the innermost guard of the calling thread; ending the outermost one
// makes the thread no longer suspendable. Raises dv_err_internal when the
// thread has no guard to end.
void _VRN_end_fault_handler();

// The nesting depth of the calling thread's guards (0 without a guard).
int _VRN_fault_guard_depth();

// Scope guard: establishes a fault guard for its lifetime.
class _VRN_fault_handler {
 public:
  _VRN_fault_handler() { _VRN_establish_fault_handler(); }
  ~_VRN_fault_handler() { _VRN_end_fault_handler(); }
  _VRN_fault_handler(const _VRN_fault_handler&) = delete;
  _VRN_fault_handler& operator=(const _VRN_fault_handler&) = delete;
};

}  // namespace dv_qem
