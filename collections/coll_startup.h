// The library's one-time initialisation, which dv_collection::initialize
// runs, and the steps of it that the collection classes contribute.
#pragma once

#include "dv_locks.h"

namespace dv_qem {

// Brings the library up; idempotent and safe from any number of threads.
// Process part, once (double-checked under the thread lock): the read-only
// and read-write blocks, then the registration of the error catalogue and of
// the access-method errors. Session part, on every call while a session
// exists, under the session lock: the session's collection state; and once
// per process, under the thread lock as well: the dispatch tables and the
// function cache. A step that throws leaves its part to be run again by the
// next call.
void _VRN_coll_initialize();

// The session part's steps that belong to the collection classes: both run
// under the session lock, the second also under the thread lock and only
// once per process. Null members are skipped.
struct _Coll_session_steps {
  // Gets or makes the session's collection state (its slot 1).
  void (*attach_session_state)(_Session* session);
  // Makes the virtual tables of the collection and relationship classes
  // known to the runtime.
  void (*set_dispatch_tables)();
  // Makes the virtual tables of the relationship classes known (once per
  // process, with set_dispatch_tables).
  void (*set_rel_dispatch_tables)();
};

// Installs the steps (null: none); the collection classes do this before
// their first initialisation.
void _VRN_coll_set_session_steps(const _Coll_session_steps* steps);

// Makes the read-only and read-write blocks (dv_coll_statics.h).
void _VRN_coll_make_statics();

}  // namespace dv_qem
