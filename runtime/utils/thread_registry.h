// The per-thread records of the runtime and the registry that holds them:
// one _Thread_info for every thread that used the runtime, kept in a list
// (newest first) from the thread's first use until library unload.
//
// Lock order: _VRN_session_lock, then _VRN_thread_lock, then the registry
// lock. The registry lock may be taken while the thread lock is held (a page
// fetch under the fault handler stops the world), but the thread lock is
// never requested while the registry lock is held.
#pragma once

#include <pthread.h>
#include <sys/types.h>

#include <atomic>

#include "dv_types.h"

namespace dv_qem {

struct _Thread_info {
  dv4u owner_mark = 0;                 // kept for callers that tag a thread
  dv4s in_handler = 0;                 // set while the fault filter runs on this thread
  dv4s guard_depth = 0;                // nesting depth of established fault guards
  dv4u reserved = 0;                   // always 0
  void* replaced_handler = nullptr;    // reserved: faults reach one process-wide
                                       // signal handler, nothing per thread is replaced
  _Thread_info* next = nullptr;        // next (older) record of the registry list
  pthread_t handle{};                  // the thread, for suspension; valid only
  int has_handle = 0;                  //   while has_handle (fault guard established)
  pid_t thread_id = 0;                 // kernel thread id, set when the record is made

  // Suspension handshake with the thread that stops the world.
  std::atomic<int> suspend_requested{0};  // set before the suspend signal, cleared to resume
  int suspended = 0;                      // signalled by the current stop; under the lock

  dv2u tls_selector = 0;  // for _VRN_keep_thread_pointer in this thread's signal handlers
};

// The calling thread's record, made and registered (under the registry lock)
// on first use. Null once the registry was closed at library unload.
_Thread_info* _VRN_current_thread_info();

// The calling thread's record if it has one, else null; makes nothing and
// is async-signal-safe. Only meaningful while the registry is open.
_Thread_info* _VRN_thread_info_if_made();

// The registry lock: recursive for its holder, never destroyed.
void _VRN_lock_thread_registry();
void _VRN_unlock_thread_registry();

class _Thread_registry_lock {
 public:
  _Thread_registry_lock() { _VRN_lock_thread_registry(); }
  ~_Thread_registry_lock() { _VRN_unlock_thread_registry(); }
  _Thread_registry_lock(const _Thread_registry_lock&) = delete;
  _Thread_registry_lock& operator=(const _Thread_registry_lock&) = delete;
};

// The newest record (follow next for the rest); the caller holds the
// registry lock. Null once the registry was closed.
_Thread_info* _VRN_thread_registry_head();

}  // namespace dv_qem
