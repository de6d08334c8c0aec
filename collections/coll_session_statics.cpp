// The session-scoped statics of dv_collection: query memory mode and the
// record of index use.
#include "dv_coll_session.h"
#include "dv_coll_statics.h"
#include "dv_collection.h"
#include "dv_cursor.h"
#include "coll_startup.h"
#include "dv_err.h"

namespace dv_qem {

namespace {

// The session's collection state; the caller holds the session lock.
_Subsystem_local_coll& session_state() {
  _Session* session = _Session::get_current(0);
  if (session == nullptr) throw dv_err_internal("%s", "the collections library needs a session");
  return *_VRN_get_subsystem_local_coll(session);
}

}  // namespace

void dv_collection::set_query_memory_mode(int mode) {
  _VRN_session_lock lock;
  session_state().query_memory_mode = mode;
}

void dv_collection::_set_record_index_use(int flag) {
  _VRN_session_lock lock;
  _Subsystem_local_coll& state = session_state();
  _VRN_coll_initialize();
  dv_coll_readwrite_static_pointer->record_index_use = static_cast<dv4u>(flag);
  if (flag != 0 && state.index_use_history == nullptr)
    state.index_use_history =
        generate_rep("dv_List", dv_database::get_transient_database(), 0, 0, 0, nullptr);
}

void dv_collection::_record_index_use(const char* index_name) {
  _VRN_session_lock lock;
  _Subsystem_local_coll& state = session_state();
  if (state.index_use_history != nullptr) state.index_use_history->insert(index_name);
}

void dv_collection::_clear_index_use_history() {
  _VRN_session_lock lock;
  _Subsystem_local_coll& state = session_state();
  if (state.index_use_history != nullptr) state.index_use_history->clear();
}

dv_collection* dv_collection::_get_index_use_history() {
  _VRN_session_lock lock;
  return session_state().index_use_history;
}

int dv_collection::_presort_if_appropriate(const dv_collection& c) {
  return c.cardinality_estimate() >= 500 ? dv_cursor::sort_by_addrs : 0;
}

}  // namespace dv_qem
