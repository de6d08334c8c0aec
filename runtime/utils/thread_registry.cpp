// The thread registry: makes each thread's record on first use, keeps every
// record in one list until library unload, and drops a thread's handle when
// the thread ends, so a stopped-world signal never targets a thread that is
// gone.
#include "thread_registry.h"

#include <sys/syscall.h>
#include <unistd.h>

#include "thread_pointer.h"

namespace dv_qem {

namespace {

// Constant-initialised, so it can be taken by static constructors and
// destructors in any order; never destroyed.
pthread_mutex_t registry_mutex = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;

_Thread_info* registry_head = nullptr;    // under registry_mutex
std::atomic<bool> registry_closed{false};  // set once, at library unload

// Initial-exec: reading it in a signal handler never allocates.
thread_local _Thread_info* this_thread_record __attribute__((tls_model("initial-exec"))) =
    nullptr;

// Runs when a thread that has a record ends. A thread that ends with its
// fault guard still established must not stay suspendable: its pthread_t is
// dangling from then on.
struct _Thread_exit_hook {
  bool armed = false;
  ~_Thread_exit_hook() {
    if (!armed) return;
    _Thread_registry_lock lock;
    if (!registry_closed.load() && this_thread_record != nullptr)
      this_thread_record->has_handle = 0;
  }
};

thread_local _Thread_exit_hook thread_exit_hook;

// Library unload: every record is freed; later calls find the registry
// closed and do nothing.
struct _Registry_unload {
  ~_Registry_unload() {
    _Thread_registry_lock lock;
    registry_closed.store(true);
    while (registry_head != nullptr) {
      _Thread_info* record = registry_head;
      registry_head = record->next;
      delete record;
    }
  }
} registry_unload;

}  // namespace

void _VRN_lock_thread_registry() { pthread_mutex_lock(&registry_mutex); }
void _VRN_unlock_thread_registry() { pthread_mutex_unlock(&registry_mutex); }

_Thread_info* _VRN_thread_registry_head() { return registry_head; }

_Thread_info* _VRN_thread_info_if_made() { return this_thread_record; }

_Thread_info* _VRN_current_thread_info() {
  if (registry_closed.load()) return nullptr;
  if (this_thread_record != nullptr) return this_thread_record;

  _Thread_registry_lock lock;
  if (registry_closed.load()) return nullptr;
  _Thread_info* record = new _Thread_info;
  record->thread_id = static_cast<pid_t>(syscall(SYS_gettid));
  record->tls_selector = _VRN_make_thread_pointer_selector();
  record->next = registry_head;
  registry_head = record;
  this_thread_record = record;
  thread_exit_hook.armed = true;
  return record;
}

}  // namespace dv_qem
