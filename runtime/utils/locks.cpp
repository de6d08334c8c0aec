// The runtime thread lock and the collections' session lock: two recursive
// process-wide locks, usable before any constructor and after every
// destructor of the process has run (static destructors may take them).
#include "dv_locks.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <new>

namespace dv_qem {

namespace {

// A recursive lock over one futex word, for the lock every runtime call
// takes: taking it when it is free is one compare-and-swap, taking it again
// on the thread that holds it one comparison; a thread that finds it held
// sleeps in the kernel until it is released. The word is 0 (free), 1 (held)
// or 2 (held, and another thread may be waiting).
class recursive_futex_lock {
 public:
  constexpr recursive_futex_lock() = default;

  void lock() {
    void* const self = __builtin_thread_pointer();  // unique to each live thread
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return;
    }
    int seen = kFree;
    if (!state_.compare_exchange_strong(seen, kHeld, std::memory_order_acquire)) wait_until_taken(seen);
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
  }

  // Only by the thread that holds the lock.
  void unlock() {
    if (--depth_ != 0) return;
    owner_.store(nullptr, std::memory_order_relaxed);
    if (state_.exchange(kFree, std::memory_order_release) == kWaited) wake_one();
  }

 private:
  static constexpr int kFree = 0;
  static constexpr int kHeld = 1;
  static constexpr int kWaited = 2;

  // The lock is taken from inside the fault handler: the interrupted code
  // keeps its errno.
  void wait_until_taken(int seen) {
    const int saved_errno = errno;
    if (seen != kWaited) seen = state_.exchange(kWaited, std::memory_order_acquire);
    while (seen != kFree) {
      syscall(SYS_futex, &state_, FUTEX_WAIT_PRIVATE, kWaited, nullptr, nullptr, 0);
      seen = state_.exchange(kWaited, std::memory_order_acquire);
    }
    errno = saved_errno;
  }

  void wake_one() {
    const int saved_errno = errno;
    syscall(SYS_futex, &state_, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
    errno = saved_errno;
  }

  std::atomic<int> state_{kFree};
  std::atomic<void*> owner_{nullptr};
  unsigned depth_ = 0;  // written only by the thread that holds the lock
};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<void*>::is_always_lock_free);

constinit recursive_futex_lock thread_mutex_lock;

recursive_futex_lock& thread_mutex() { return thread_mutex_lock; }

std::recursive_mutex& session_mutex() {
  static std::recursive_mutex* m = new std::recursive_mutex;
  return *m;
}

}  // namespace

void _VRN_thread_lock::initialize() { thread_mutex(); }
_VRN_thread_lock::_VRN_thread_lock() { thread_mutex().lock(); }
_VRN_thread_lock::~_VRN_thread_lock() { thread_mutex().unlock(); }

dv4u _VRN_session_lock::level = 0;

void _VRN_session_lock::initialize() { session_mutex(); }
_VRN_session_lock::_VRN_session_lock() {
  session_mutex().lock();
  ++level;
}
_VRN_session_lock::~_VRN_session_lock() {
  --level;
  session_mutex().unlock();
}

}  // namespace dv_qem
