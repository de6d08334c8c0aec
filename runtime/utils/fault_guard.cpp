// Establishing and ending the per-thread fault guard: the depth count and,
// for the outermost guard, the thread handle that lets another thread
// suspend this one.
#include <pthread.h>

#include "dv_err.h"
#include "dv_fault_handler.h"
#include "thread_registry.h"

namespace dv_qem {

void _VRN_establish_fault_handler() {
  _Thread_registry_lock lock;
  _Thread_info* self = _VRN_current_thread_info();
  if (self == nullptr) return;  // library unload under way
  if (self->guard_depth++ == 0) {
    self->handle = pthread_self();
    self->has_handle = 1;
  }
}

void _VRN_end_fault_handler() {
  _Thread_registry_lock lock;
  _Thread_info* self = _VRN_current_thread_info();
  if (self == nullptr) return;
  DV_ASSERT(self->guard_depth > 0);
  if (--self->guard_depth == 0) self->has_handle = 0;
}

int _VRN_fault_guard_depth() {
  _Thread_registry_lock lock;
  _Thread_info* self = _VRN_current_thread_info();
  return self != nullptr ? self->guard_depth : 0;
}

}  // namespace dv_qem
