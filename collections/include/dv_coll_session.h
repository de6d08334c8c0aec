// The collections library's state in one session: kept in slot 1 of the
// session's local slots, made on first use and destroyed with the session.
#pragma once

#include <map>

#include "dv_locks.h"

namespace dv_qem {

class dv_collection;

class _Subsystem_local_coll : public _Subsystem_local {
 public:
  static constexpr unsigned slot = 1;

  _Subsystem_local_coll();
  // Session state is never shared: a copy would own the same buffers and sets.
  _Subsystem_local_coll(const _Subsystem_local_coll&) = delete;
  _Subsystem_local_coll& operator=(const _Subsystem_local_coll&) = delete;
  // Destroys the deletion-guard set and the index-use history, frees the
  // buffers.
  ~_Subsystem_local_coll() override;

  // The transient set of the deletion guard, made (as a transient set) on the
  // first call. Call under the session lock.
  dv_collection& deletion_guard();
  // The set, or null before the first deletion_guard().
  dv_collection* deletion_guard_if_made() const { return deletion_guard_; }

  // How many deletion guards mark each object in the set; the object
  // leaves the set with its last guard. Call under the session lock.
  std::map<const void*, unsigned> deletion_guard_counts;

  int query_memory_mode = 1;
  // The index names recorded while record-index-use is on (a transient list),
  // or null; owned.
  dv_collection* index_use_history = nullptr;

  // Text buffers of the query and index machinery.
  static constexpr unsigned text_buffer_sizes[5] = {128, 1024, 1024, 128, 1024};
  static constexpr unsigned scratch_size = 1024;
  static constexpr unsigned large_buffer_size = 16386;
  char* text_buffers[5] = {};
  char* scratch = nullptr;
  char* large_buffer = nullptr;

 private:
  dv_collection* deletion_guard_ = nullptr;  // owned
};

// The session's collection state, made and stored in slot 1 on first call.
// Call under the session lock.
_Subsystem_local_coll* _VRN_get_subsystem_local_coll(_Session* session);

// Once per process, during the library's initialisation: constructs and
// destroys one empty instance of each collection class whose virtual table
// must be live before any collection is read (the facade here; the hash-table
// library adds its own).
void _VRN_set_coll_minimal_dispatch_tables();

}  // namespace dv_qem
