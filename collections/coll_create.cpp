// Creation of collections by behaviour word and by kind name, and the
// library's initialisation entry point.
#include "coll_startup.h"
#include "dv_coll_rep_registry.h"
#include "dv_coll_session.h"
#include "dv_collection.h"
#include "dv_err.h"

namespace dv_qem {

namespace {

// The common road of every create: under the session lock, with the
// session's state made and the library up.
dv_collection& create_in(const _Coll_placement& where, unsigned behavior, unsigned expected) {
  _Session* session = _Session::get_current(0);
  _VRN_session_lock lock;
  if (session != nullptr) _VRN_get_subsystem_local_coll(session);
  _VRN_coll_initialize();
  char kind[16];
  dv_collection::bits_to_rep(kind, behavior);
  return *_Coll_make_rep(kind, where, expected, behavior, 0, nullptr);
}

}  // namespace

void dv_collection::initialize() { _VRN_coll_initialize(); }

dv_collection& dv_collection::create(dv_database* db, unsigned behavior, unsigned expected) {
  return create_in(_Coll_placement::in(db), behavior, expected);
}

dv_collection& dv_collection::create(const void* hint, unsigned behavior, unsigned expected) {
  return create_in(_Coll_placement::near(dv_cluster::with(hint)), behavior, expected);
}

dv_collection& dv_collection::create(void*& holder, unsigned behavior, unsigned expected) {
  return create_in(_Coll_placement::near(holder), behavior, expected);
}

dv_collection& dv_collection::create(int, unsigned behavior, unsigned expected) {
  return create_in(_Coll_placement::in(dv_database::get_transient_database()), behavior, expected);
}

dv_collection* dv_collection::generate_rep(const char* kind, dv_database* db, unsigned expected,
                                           unsigned behavior, unsigned initial_count, const void* fill) {
  return _Coll_make_rep(kind, _Coll_placement::in(db), expected, behavior, initial_count, fill);
}

dv_collection* dv_collection::generate_rep(const char* kind, const void* hint, unsigned expected,
                                           unsigned behavior, unsigned initial_count, const void* fill) {
  return _Coll_make_rep(kind, _Coll_placement::near(dv_cluster::with(hint)), expected, behavior, initial_count,
                        fill);
}

dv_collection* dv_collection::generate_rep(const char* kind, void*& holder, unsigned expected,
                                           unsigned behavior, unsigned initial_count, const void* fill) {
  return _Coll_make_rep(kind, _Coll_placement::near(holder), expected, behavior, initial_count, fill);
}

}  // namespace dv_qem
