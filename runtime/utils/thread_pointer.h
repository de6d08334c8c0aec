// Keeping each thread's TLS pointer across the return from a signal handler.
//
// The thread pointer lives in the %gs segment. Some user-mode emulators keep
// one descriptor table for all threads and reload %gs from it when a signal
// handler returns, so the thread continues with the TLS of whichever thread
// set its descriptor last. Where that happens (probed once at library load;
// never on a native kernel) every thread gets a private descriptor of its
// own, and the runtime's signal handlers make the return load that one.
#pragma once

#include "dv_types.h"

namespace dv_qem {

// A selector of a private descriptor holding the calling thread's thread
// pointer, or 0 where none is needed or none could be made. Called once per
// thread, on that thread, before the thread takes a runtime signal.
dv2u _VRN_make_thread_pointer_selector();

// Called last in a runtime signal handler (SA_SIGINFO) with the context it
// was given and the selector of the thread it runs on: the return from the
// handler then restores this thread's thread pointer. Async-signal-safe.
void _VRN_keep_thread_pointer(void* ucontext, dv2u selector);

}  // namespace dv_qem
