// The collections library's per-session state, its place in slot 1 of the
// session, and the session steps of the library's initialisation.
#include "coll_startup.h"
#include "dv_coll_rep_registry.h"
#include "dv_coll_session.h"
#include "dv_outofline_collection.h"
#include "dv_rel.h"
#include "dv_rhash_pt_sub.h"

namespace dv_qem {

_Subsystem_local_coll::_Subsystem_local_coll() {
  try {
    for (int i = 0; i < 5; ++i) {
      text_buffers[i] = new char[text_buffer_sizes[i]];
      text_buffers[i][0] = '\0';
    }
    scratch = new char[scratch_size];
    large_buffer = new char[large_buffer_size];
  } catch (...) {
    for (char* buffer : text_buffers) delete[] buffer;
    delete[] scratch;
    throw;
  }
}

_Subsystem_local_coll::~_Subsystem_local_coll() {
  delete deletion_guard_;
  delete index_use_history;
  for (char* buffer : text_buffers) delete[] buffer;
  delete[] scratch;
  delete[] large_buffer;
}

dv_collection& _Subsystem_local_coll::deletion_guard() {
  if (deletion_guard_ == nullptr)
    deletion_guard_ = _Coll_make_rep("dv_Set", _Coll_placement::in(dv_database::get_transient_database()), 0, 0,
                                     0, nullptr);
  return *deletion_guard_;
}

_Subsystem_local_coll* _VRN_get_subsystem_local_coll(_Session* session) {
  if (_Subsystem_local* local = session->get_local(_Subsystem_local_coll::slot))
    return static_cast<_Subsystem_local_coll*>(local);
  auto* state = new _Subsystem_local_coll;
  session->set_local(_Subsystem_local_coll::slot, state);
  return state;
}

void _VRN_set_coll_minimal_dispatch_tables() {
  dv_outofline_collection facade;
  (void)facade;
  _Rhash_pt_sub pointer_slot_hash;
  (void)pointer_slot_hash;
}

namespace {

void attach_session_state(_Session* session) { _VRN_get_subsystem_local_coll(session); }

const _Coll_session_steps collection_steps = {attach_session_state, _VRN_set_coll_minimal_dispatch_tables,
                                              _VRN_set_rel_minimal_dispatch_tables};

// Installed at load, before any initialisation can run.
struct install_steps {
  install_steps() { _VRN_coll_set_session_steps(&collection_steps); }
} installed;

}  // namespace

}  // namespace dv_qem
