// Stopping and resuming every other guarded thread with a pair of real-time
// signals. A stopped thread acknowledges on a semaphore, waits in
// sigsuspend until its record says resume, and acknowledges again once it
// has left the wait, so the stopper always knows where each thread is.
#include "world_stop.h"

#include <errno.h>
#include <pthread.h>
#include <semaphore.h>
#include <signal.h>

#include <atomic>
#include <mutex>

#include "dv_err.h"
#include "dv_platform.h"
#include "thread_pointer.h"
#include "thread_registry.h"

namespace dv_qem {

namespace {

// Offsets above SIGRTMIN (the C library keeps the signals below it).
constexpr int suspend_signal_offset = 6;
constexpr int resume_signal_offset = 7;

int suspend_signal = 0;  // set once by install_signal_handlers
int resume_signal = 0;
sem_t acknowledgements;  // posted by a stopped thread: once stopped, once left

// Nesting of the current stop; under the registry lock.
int stop_depth = 0;
// The stopper; read without the lock only to check the caller is it.
std::atomic<pthread_t> stopping_thread{};

// Runs on the thread being stopped; async-signal-safe only.
void on_suspend_signal(int, siginfo_t*, void* context) {
  int saved_errno = errno;
  _Thread_info* self = _VRN_thread_info_if_made();
  if (self == nullptr) return;
  if (self->suspend_requested.load()) {
    // The resume signal is blocked here (sa_mask) and let in only while
    // waiting, so a resume between the check and the wait is not lost.
    sigset_t wait_mask;
    pthread_sigmask(SIG_SETMASK, nullptr, &wait_mask);
    sigdelset(&wait_mask, resume_signal);
    sem_post(&acknowledgements);
    while (self->suspend_requested.load()) sigsuspend(&wait_mask);
    sem_post(&acknowledgements);
  }
  _VRN_keep_thread_pointer(context, self->tls_selector);
  errno = saved_errno;
}

// Only wakes the sigsuspend above.
void on_resume_signal(int, siginfo_t*, void* context) {
  if (_Thread_info* self = _VRN_thread_info_if_made())
    _VRN_keep_thread_pointer(context, self->tls_selector);
}

void install_signal_handlers() {
  sem_init(&acknowledgements, 0, 0);
  suspend_signal = SIGRTMIN + suspend_signal_offset;
  resume_signal = SIGRTMIN + resume_signal_offset;

  struct sigaction resume_action = {};
  resume_action.sa_sigaction = on_resume_signal;
  resume_action.sa_flags = SA_RESTART | SA_SIGINFO;
  sigemptyset(&resume_action.sa_mask);
  sigaction(resume_signal, &resume_action, nullptr);

  struct sigaction suspend_action = {};
  suspend_action.sa_sigaction = on_suspend_signal;
  suspend_action.sa_flags = SA_RESTART | SA_SIGINFO;
  sigemptyset(&suspend_action.sa_mask);
  sigaddset(&suspend_action.sa_mask, resume_signal);
  sigaction(suspend_signal, &suspend_action, nullptr);
}

void install_signal_handlers_once() {
  static std::once_flag installed;
  std::call_once(installed, install_signal_handlers);
}

void wait_for_acknowledgements(int count) {
  for (int i = 0; i < count; ++i) {
    while (sem_wait(&acknowledgements) != 0 && errno == EINTR) {
    }
  }
}

// Under the registry lock. A thread that is gone cannot be signalled and is
// left out.
void suspend_others(const _Thread_info* self) {
  int signalled = 0;
  for (_Thread_info* r = _VRN_thread_registry_head(); r != nullptr; r = r->next) {
    if (r == self || !r->has_handle) continue;
    r->suspend_requested.store(1);
    if (pthread_kill(r->handle, suspend_signal) == 0) {
      r->suspended = 1;
      ++signalled;
    } else {
      r->suspend_requested.store(0);
    }
  }
  wait_for_acknowledgements(signalled);
}

// Under the registry lock.
void resume_others() {
  int signalled = 0;
  for (_Thread_info* r = _VRN_thread_registry_head(); r != nullptr; r = r->next) {
    if (!r->suspended) continue;
    r->suspended = 0;
    r->suspend_requested.store(0);
    if (pthread_kill(r->handle, resume_signal) == 0) ++signalled;
  }
  wait_for_acknowledgements(signalled);
}

// stop_depth is read only once the caller is known to be the stopper, the
// one thread that changes it.
bool this_thread_stops_the_world() {
  return pthread_equal(stopping_thread.load(), pthread_self()) && stop_depth > 0;
}

}  // namespace

int _VRN_suspend_signal() {
  install_signal_handlers_once();
  return suspend_signal;
}

void _VRN_stop_the_world() {
  install_signal_handlers_once();
  // Made now if need be: nothing may be allocated once others are stopped.
  _Thread_info* self = _VRN_current_thread_info();
  _VRN_lock_thread_registry();
  // Holding the lock with the world stopped means being its stopper.
  if (stop_depth++ > 0) return;
  stopping_thread.store(pthread_self());
  suspend_others(self);
}

void _VRN_resume_the_world() {
  DV_ASSERT(this_thread_stops_the_world());
  if (--stop_depth == 0) {
    resume_others();
    stopping_thread.store(pthread_t{});
  }
  _VRN_unlock_thread_registry();
}

}  // namespace dv_qem
