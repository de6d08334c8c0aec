// Process-wide locks of the runtime and the one session object.
//
// Lock order: _VRN_session_lock, then _VRN_thread_lock, then the thread
// registry's lock; the thread lock is never requested while the registry
// lock is held. All three are recursive for the thread that holds them.
#pragma once

#include "dv_types.h"

namespace dv_qem {

// Scope guard over the runtime's one recursive lock; every public runtime
// call holds it for its whole duration.
class _VRN_thread_lock {
 public:
  _VRN_thread_lock();
  ~_VRN_thread_lock();
  _VRN_thread_lock(const _VRN_thread_lock&) = delete;
  _VRN_thread_lock& operator=(const _VRN_thread_lock&) = delete;
  static void initialize();
};

// Scope guard over the collections library's lock; level is the nesting
// depth of the thread that holds it.
class _VRN_session_lock {
 public:
  _VRN_session_lock();
  ~_VRN_session_lock();
  _VRN_session_lock(const _VRN_session_lock&) = delete;
  _VRN_session_lock& operator=(const _VRN_session_lock&) = delete;
  static void initialize();
  static dv4u level;
};

// Base of per-subsystem state kept in the session.
class _Subsystem_local {
 public:
  _Subsystem_local() = default;
  _Subsystem_local(const _Subsystem_local&) {}
  _Subsystem_local& operator=(const _Subsystem_local&) { return *this; }
  virtual ~_Subsystem_local() = default;
};

// The process's only session: two subsystem slots, slot 0 reserved, slot 1
// the collections library's.
class _Session {
 public:
  static constexpr unsigned reserved_subsystem = 0;
  static constexpr unsigned MAX_N_SUBSYSTEMS = 2;

  explicit _Session(const char* name);
  ~_Session();
  _Session(const _Session&) = delete;
  _Session& operator=(const _Session&) = delete;

  // The only session; null once it was destroyed.
  static _Session* get_current(int = 0);
  // key must be 1; anything else raises dv_err_internal.
  _Subsystem_local* get_local(unsigned key) const;
  void set_local(unsigned key, _Subsystem_local* local);
  // Destroys the only session and every slot object in it (also run at
  // library unload).
  static void cleanup_all_sessions();

  static _Session* only_session;

 private:
  _Subsystem_local** locals_;
};

}  // namespace dv_qem
