// The error tree of the object store. Every failure of the runtime and of the
// libraries built on it is thrown by value as one of these classes; the
// message always begins with the class name and " - ".
#pragma once

#include <cstdarg>

namespace dv_qem {

class dv_err {
 public:
  dv_err() = default;
  dv_err(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  dv_err(const dv_err& other);
  dv_err& operator=(const dv_err& other);
  ~dv_err();

  // Replaces the message by "<class_name> - " followed by fmt formatted with
  // args (cut at 1024 bytes). Breaks into an attached debugger when
  // DV_QEM_DEF_BREAK_ACTION is set.
  void setup_msg(const char* class_name, const char* fmt, va_list args);
  // The message becomes a copy of name (no message for a null name).
  void _initialize(const char* name, const char* text);

  [[noreturn]] void signal(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  [[noreturn]] void vsignal(const char* fmt, va_list args);

  const char* get_report() const { return msg_; }
  // Shows the message: a message box in a windowed program (see
  // _VRN_set_message_box), else "Durnavel unhandled exception:\n  %s\n" on
  // standard error.
  void print() const;
  int ancestor_of(const dv_err* other) const { return other == this ? 1 : 0; }
  static void* set_unhandled_exception_hook(void* hook) { return nullptr; }

 protected:
  char* msg_ = nullptr;
};

// Every derived class has the same members; only its name differs.
#define DV_DECLARE_ERR(C, BASE)                                              \
  class C : public BASE {                                                    \
   public:                                                                   \
    C(const char* fmt, ...) __attribute__((format(printf, 2, 3)));           \
    C(int, const char* name, const char* text) { _initialize(name, text); } \
    C(const C& other) = default;                                             \
    C& operator=(const C& other) = default;                                  \
    ~C() = default;                                                          \
    [[noreturn]] void signal(const char* fmt, ...)                           \
        __attribute__((format(printf, 2, 3)));                               \
    [[noreturn]] void vsignal(const char* fmt, va_list args);                \
                                                                             \
   protected:                                                                \
    C() = default;                                                           \
  };

// Defines the members DV_DECLARE_ERR declared (in one source file per class).
#define DV_DEFINE_ERR(C)                             \
  C::C(const char* fmt, ...) {                       \
    va_list args;                                    \
    va_start(args, fmt);                             \
    setup_msg(#C, fmt, args);                        \
    va_end(args);                                    \
  }                                                  \
  void C::signal(const char* fmt, ...) {             \
    va_list args;                                    \
    va_start(args, fmt);                             \
    vsignal(fmt, args);                              \
  }                                                  \
  void C::vsignal(const char* fmt, va_list args) {   \
    C e;                                             \
    e.setup_msg(#C, fmt, args);                      \
    throw e;                                         \
  }

DV_DECLARE_ERR(dv_err_internal, dv_err)
DV_DECLARE_ERR(dv_err_not_supported, dv_err)
DV_DECLARE_ERR(dv_err_opened_read_only, dv_err)
DV_DECLARE_ERR(dv_err_database_exists, dv_err)
DV_DECLARE_ERR(dv_err_database_in_use, dv_err)
DV_DECLARE_ERR(dv_err_root_exists, dv_err)
DV_DECLARE_ERR(dv_err_path_exists, dv_err)
DV_DECLARE_ERR(dv_err_path_does_not_exists, dv_err)
DV_DECLARE_ERR(dv_err_database_not_open, dv_err)
DV_DECLARE_ERR(dv_err_address_space_exhausted, dv_err)
DV_DECLARE_ERR(dv_err_address_space_assigned, dv_err)
DV_DECLARE_ERR(dv_err_database_is_deleted, dv_err)
DV_DECLARE_ERR(dv_err_database_needs_recovery, dv_err)
DV_DECLARE_ERR(dv_err_database_recovery, dv_err)
DV_DECLARE_ERR(dv_err_invalid_root_value, dv_err)
DV_DECLARE_ERR(dv_err_not_a_database, dv_err)
DV_DECLARE_ERR(dv_err_illegal_pointer, dv_err)
DV_DECLARE_ERR(dv_err_version_mismatch, dv_err)
DV_DECLARE_ERR(dv_err_database_transient, dv_err)
DV_DECLARE_ERR(dv_err_deref_transient_pointer, dv_err)
DV_DECLARE_ERR(dv_err_recursive_fault_detected, dv_err)
DV_DECLARE_ERR(dv_err_err_invalid_root_value, dv_err)
DV_DECLARE_ERR(dv_err_invalid_pathname, dv_err)
DV_DECLARE_ERR(dv_err_database_log, dv_err)
DV_DECLARE_ERR(dv_err_database_not_found, dv_err)
DV_DECLARE_ERR(dv_err_database_is_locked, dv_err)
DV_DECLARE_ERR(dv_err_write_permission_denied, dv_err)
DV_DECLARE_ERR(dv_err_operator_new_args, dv_err)
DV_DECLARE_ERR(dv_err_file, dv_err)
DV_DECLARE_ERR(dv_err_cant_open_file, dv_err_file)
DV_DECLARE_ERR(dv_err_cant_write_to_file, dv_err_file)
DV_DECLARE_ERR(dv_err_cant_read_from_file, dv_err_file)
DV_DECLARE_ERR(dv_err_trans, dv_err)
DV_DECLARE_ERR(dv_err_trans_wrong_type, dv_err_trans)
DV_DECLARE_ERR(dv_err_misc, dv_err)
DV_DECLARE_ERR(dv_err_out_of_virtual_memory, dv_err)
DV_DECLARE_ERR(dv_err_alloc, dv_err)
DV_DECLARE_ERR(dv_err_heap_corruption, dv_err)
DV_DECLARE_ERR(dv_err_relocation, dv_err)
DV_DECLARE_ERR(dv_err_root_type_mismatch, dv_err)
DV_DECLARE_ERR(dv_err_unmarked_type, dv_err)
DV_DECLARE_ERR(dv_err_cursor_at_end, dv_err)
DV_DECLARE_ERR(dv_err_cursor_not_at_object, dv_err)

// Global instances named by the runtime ("err_internal", "err_misc").
extern dv_err_internal err_internal;
extern dv_err_misc err_misc;

// Throws dv_err_internal "Assertion \"%s\" failed %sat line %d of file %s".
[[noreturn]] void _VRN_assertion_violation(const char* expr, const char* file, unsigned line);

// Internal consistency check: raises dv_err_internal with the expression text.
#define DV_ASSERT(expr) \
  ((expr) ? (void)0 : ::dv_qem::_VRN_assertion_violation(#expr, __FILE__, __LINE__))

// The address whose fault is being served (0 when none); assertion messages
// raised meanwhile say "during fault handler ".
void _VRN_set_fault_in_service(const void* address);
const void* _VRN_fault_in_service();

// A windowed program registers how it shows a message box; until then
// messages go to standard error.
using _VRN_message_box_fn = void (*)(const char* title, const char* text);
void _VRN_set_message_box(_VRN_message_box_fn show);
_VRN_message_box_fn _VRN_get_message_box();  // null until one is registered

}  // namespace dv_qem
