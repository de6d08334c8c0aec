// The process's registry of typespecs: every typespec enters it when it is
// made and leaves it when it is destroyed; lookup by name finds the newest.
// Each call but set_tracing (made at start-up, under it) takes the runtime
// thread lock.
#pragma once

#include "dv_typespec.h"

namespace dv_qem {

class _Type_registry {
 public:
  static void reg_type(const dv_typespec* ts);
  // Removes the newest registration of ts; nothing when it has none.
  static void dereg_type(const dv_typespec* ts);
  // 1 when ts itself is registered.
  static int is_registered(const dv_typespec* ts);
  // A name ending in '*' or '&' gives the pointer typespec; else the newest
  // typespec whose name equals name, a leading "dv_qem::" ignored on both
  // sides. Null when none.
  static const dv_typespec* lookup_type(const char* name);
  // The built-in pointer typespec that lookup_type answers for pointers.
  static void set_pointer_typespec(const dv_typespec* ts);
  // Calls visit for every registered typespec, newest first.
  static void for_each_type(void (*visit)(const dv_typespec* ts));
  // Whether registrations are traced on standard output (the runtime's trace
  // level, set at start-up).
  static void set_tracing(bool on);

 private:
  struct type_node {
    type_node* next;
    const dv_typespec* ts;
  };
  static type_node* types_;
  static const dv_typespec* pointer_typespec_;
  static bool tracing_;
};

}  // namespace dv_qem
