// The process's only session: two subsystem slots that other subsystems use
// to keep their per-session state in the runtime. It is made while the
// library loads and destroyed when it unloads.
#include "dv_assertions.h"
#include "dv_err.h"
#include "dv_locks.h"

namespace dv_qem {

_Session* _Session::only_session = new _Session("default");

namespace {

struct _Session_unload {
  ~_Session_unload() { _Session::cleanup_all_sessions(); }
} session_unload;

void check_key(unsigned key) {
  if (!(key > _Session::reserved_subsystem && key < _Session::MAX_N_SUBSYSTEMS))
    DV_ASSERTION_FAILED(subsystem_key_in_range);
}

}  // namespace

_Session::_Session(const char*) : locals_(new _Subsystem_local*[MAX_N_SUBSYSTEMS]()) {}

_Session::~_Session() {
  for (unsigned key = 0; key < MAX_N_SUBSYSTEMS; ++key) {
    delete locals_[key];
    locals_[key] = nullptr;
  }
  delete[] locals_;
}

_Session* _Session::get_current(int) { return only_session; }

_Subsystem_local* _Session::get_local(unsigned key) const {
  check_key(key);
  return locals_[key];
}

void _Session::set_local(unsigned key, _Subsystem_local* local) {
  check_key(key);
  locals_[key] = local;
}

void _Session::cleanup_all_sessions() {
  delete only_session;
  only_session = nullptr;
}

}  // namespace dv_qem
