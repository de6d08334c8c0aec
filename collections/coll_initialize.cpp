// The library's one-time initialisation and its exit actions.
#include <atomic>

#include "coll_error_registry.h"
#include "coll_startup.h"
#include "dv_coll_statics.h"
#include "dv_function_cache.h"

namespace dv_qem {

namespace {

// Each part is done once: the atomic flag is read without a lock, the plain
// one again under the thread lock.
std::atomic<bool> process_part_done{false};
bool process_part_done_locked = false;
std::atomic<bool> once_per_session_done{false};
bool once_per_session_done_locked = false;

std::atomic<const _Coll_session_steps*> session_steps{nullptr};

void run_process_part() {
  if (process_part_done.load(std::memory_order_acquire)) return;
  {
    _VRN_thread_lock lock;
    if (!process_part_done_locked) {
      _VRN_coll_make_statics();
      _VRN_register_coll_errors();
      _VRN_register_am_errors();
      process_part_done_locked = true;
    }
  }
  process_part_done.store(true, std::memory_order_release);
}

void run_session_part() {
  _Session* session = _Session::get_current(1);
  if (session == nullptr) return;
  _VRN_session_lock session_lock;
  const _Coll_session_steps* steps = session_steps.load(std::memory_order_acquire);
  if (steps != nullptr && steps->attach_session_state != nullptr) steps->attach_session_state(session);
  if (once_per_session_done.load(std::memory_order_acquire)) return;
  {
    _VRN_thread_lock thread_lock;
    if (!once_per_session_done_locked) {
      if (steps != nullptr && steps->set_dispatch_tables != nullptr) steps->set_dispatch_tables();
      if (steps != nullptr && steps->set_rel_dispatch_tables != nullptr) steps->set_rel_dispatch_tables();
      _Coll_make_function_cache();
      once_per_session_done_locked = true;
    }
  }
  once_per_session_done.store(true, std::memory_order_release);
}

// Runs at unload (or process exit): the function cache first, then the two
// blocks. Nothing is made again afterwards.
struct exit_actions {
  ~exit_actions() {
    {
      _VRN_thread_lock lock;
      _Coll_retire_function_cache();
    }
    _VRN_coll_cleanup();
  }
} at_exit;

}  // namespace

void _VRN_coll_initialize() {
  run_process_part();
  run_session_part();
}

void _VRN_coll_set_session_steps(const _Coll_session_steps* steps) {
  session_steps.store(steps, std::memory_order_release);
}

}  // namespace dv_qem
