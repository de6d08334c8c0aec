// The deletion guard: marks an object as being deleted for the guard's life
// (in the current session's set of objects being deleted, in memory only),
// and asks whether an object is so marked.
#pragma once

#include "dv_reference.h"

namespace dv_qem {

class dv_rel_protect_being_deleted : public basic_undo {
 public:
  // Marks object (under the session lock). Several guards may mark one
  // object: it stays marked until the last of them is destroyed.
  explicit dv_rel_protect_being_deleted(void* object);
  // A copy is a guard of its own on the same object.
  dv_rel_protect_being_deleted(const dv_rel_protect_being_deleted& other);
  // Releases this guard's object and guards the other's.
  dv_rel_protect_being_deleted& operator=(const dv_rel_protect_being_deleted& other);
  // Releases the object (under the session lock).
  ~dv_rel_protect_being_deleted() override;

  // Nonzero while some guard marks object.
  static int objs_being_deleted_contains(void* object);

 private:
  void mark();
  void release();

  void* object_;
};

}  // namespace dv_qem
