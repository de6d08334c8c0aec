// The runtime thread lock and the collections' session lock: two recursive
// process-wide mutexes, made on first use and never destroyed (they may be
// taken by static destructors at exit).
#include "dv_locks.h"

#include <mutex>
#include <new>

namespace dv_qem {

namespace {

std::recursive_mutex& thread_mutex() {
  static std::recursive_mutex* m = new std::recursive_mutex;
  return *m;
}

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
