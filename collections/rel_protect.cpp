// The deletion guard over the session's set of objects being deleted, with a
// count per object so that the first of two guards to go does not unmark it.
#include "dv_rel_protect.h"

#include "dv_coll_session.h"
#include "dv_collection.h"

namespace dv_qem {

namespace {

_Subsystem_local_coll& session_state() { return *_VRN_get_subsystem_local_coll(_Session::get_current(0)); }

}  // namespace

dv_rel_protect_being_deleted::dv_rel_protect_being_deleted(void* object) : object_(object) { mark(); }

dv_rel_protect_being_deleted::dv_rel_protect_being_deleted(const dv_rel_protect_being_deleted& other)
    : basic_undo(other), object_(other.object_) {
  mark();
}

dv_rel_protect_being_deleted& dv_rel_protect_being_deleted::operator=(const dv_rel_protect_being_deleted& other) {
  if (this == &other || object_ == other.object_) return *this;
  release();
  object_ = other.object_;
  mark();
  return *this;
}

dv_rel_protect_being_deleted::~dv_rel_protect_being_deleted() { release(); }

void dv_rel_protect_being_deleted::mark() {
  _VRN_session_lock lock;
  _Subsystem_local_coll& state = session_state();
  state.deletion_guard().insert(object_);
  ++state.deletion_guard_counts[object_];
}

void dv_rel_protect_being_deleted::release() {
  _VRN_session_lock lock;
  _Subsystem_local_coll& state = session_state();
  auto held = state.deletion_guard_counts.find(object_);
  if (held == state.deletion_guard_counts.end()) return;
  if (--held->second != 0) return;
  state.deletion_guard_counts.erase(held);
  state.deletion_guard().remove(object_);
}

int dv_rel_protect_being_deleted::objs_being_deleted_contains(void* object) {
  _VRN_session_lock lock;
  return session_state().deletion_guard().contains(object);
}

}  // namespace dv_qem
