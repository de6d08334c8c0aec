// The error tree: message formatting, copying, throwing and printing.
#include "dv_err.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>

namespace dv_qem {

namespace {

constexpr size_t kMessageBufferSize = 1024;  // including the terminator

char* copy_message(const char* msg) {
  if (msg == nullptr) return nullptr;
  size_t n = std::strlen(msg) + 1;
  char* copy = static_cast<char*>(std::malloc(n));
  if (copy != nullptr) std::memcpy(copy, msg, n);
  return copy;
}

// True when a debugger (ptrace tracer) is attached to this process.
bool debugger_attached() {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return false;
  char line[256];
  bool attached = false;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, "TracerPid:", 10) == 0) {
      attached = std::atoi(line + 10) != 0;
      break;
    }
  }
  std::fclose(status);
  return attached;
}

std::atomic<const void*> fault_in_service{nullptr};
std::atomic<_VRN_message_box_fn> message_box{nullptr};

}  // namespace

dv_err::dv_err(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  setup_msg("dv_err", fmt, args);
  va_end(args);
}

dv_err::dv_err(const dv_err& other) : msg_(copy_message(other.msg_)) {}

dv_err& dv_err::operator=(const dv_err& other) {
  if (this != &other) {
    char* copy = copy_message(other.msg_);
    std::free(msg_);
    msg_ = copy;
  }
  return *this;
}

dv_err::~dv_err() { std::free(msg_); }

void dv_err::setup_msg(const char* class_name, const char* fmt, va_list args) {
  std::free(msg_);
  msg_ = static_cast<char*>(std::malloc(kMessageBufferSize));
  if (msg_ == nullptr) return;
  int n = std::snprintf(msg_, kMessageBufferSize, "%s - ", class_name);
  if (fmt != nullptr && n >= 0 && static_cast<size_t>(n) < kMessageBufferSize)
    std::vsnprintf(msg_ + n, kMessageBufferSize - n, fmt, args);
  if (std::getenv("DV_QEM_DEF_BREAK_ACTION") != nullptr && debugger_attached())
    std::raise(SIGTRAP);
}

void dv_err::_initialize(const char* name, const char* /*text*/) {
  std::free(msg_);
  msg_ = copy_message(name);
}

void dv_err::signal(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  vsignal(fmt, args);
}

void dv_err::vsignal(const char* fmt, va_list args) {
  dv_err e;
  e.setup_msg("dv_err", fmt, args);
  throw e;
}

void dv_err::print() const {
  const char* text = msg_ != nullptr ? msg_ : "";
  _VRN_message_box_fn show = message_box.load();
  if (show != nullptr) {
    show("Durnavel unhandled exception", text);
    return;
  }
  std::fprintf(stderr, "Durnavel unhandled exception:\n  %s\n", text);
  std::fflush(stderr);
}

DV_DEFINE_ERR(dv_err_internal)
DV_DEFINE_ERR(dv_err_not_supported)
DV_DEFINE_ERR(dv_err_opened_read_only)
DV_DEFINE_ERR(dv_err_database_exists)
DV_DEFINE_ERR(dv_err_database_in_use)
DV_DEFINE_ERR(dv_err_root_exists)
DV_DEFINE_ERR(dv_err_path_exists)
DV_DEFINE_ERR(dv_err_path_does_not_exists)
DV_DEFINE_ERR(dv_err_database_not_open)
DV_DEFINE_ERR(dv_err_address_space_exhausted)
DV_DEFINE_ERR(dv_err_address_space_assigned)
DV_DEFINE_ERR(dv_err_database_is_deleted)
DV_DEFINE_ERR(dv_err_database_needs_recovery)
DV_DEFINE_ERR(dv_err_database_recovery)
DV_DEFINE_ERR(dv_err_invalid_root_value)
DV_DEFINE_ERR(dv_err_not_a_database)
DV_DEFINE_ERR(dv_err_illegal_pointer)
DV_DEFINE_ERR(dv_err_version_mismatch)
DV_DEFINE_ERR(dv_err_database_transient)
DV_DEFINE_ERR(dv_err_deref_transient_pointer)
DV_DEFINE_ERR(dv_err_recursive_fault_detected)
DV_DEFINE_ERR(dv_err_err_invalid_root_value)
DV_DEFINE_ERR(dv_err_invalid_pathname)
DV_DEFINE_ERR(dv_err_database_log)
DV_DEFINE_ERR(dv_err_database_not_found)
DV_DEFINE_ERR(dv_err_database_is_locked)
DV_DEFINE_ERR(dv_err_write_permission_denied)
DV_DEFINE_ERR(dv_err_operator_new_args)
DV_DEFINE_ERR(dv_err_file)
DV_DEFINE_ERR(dv_err_cant_open_file)
DV_DEFINE_ERR(dv_err_cant_write_to_file)
DV_DEFINE_ERR(dv_err_cant_read_from_file)
DV_DEFINE_ERR(dv_err_trans)
DV_DEFINE_ERR(dv_err_trans_wrong_type)
DV_DEFINE_ERR(dv_err_misc)
DV_DEFINE_ERR(dv_err_out_of_virtual_memory)
DV_DEFINE_ERR(dv_err_alloc)
DV_DEFINE_ERR(dv_err_heap_corruption)
DV_DEFINE_ERR(dv_err_relocation)
DV_DEFINE_ERR(dv_err_root_type_mismatch)
DV_DEFINE_ERR(dv_err_unmarked_type)
DV_DEFINE_ERR(dv_err_cursor_at_end)
DV_DEFINE_ERR(dv_err_cursor_not_at_object)

dv_err_internal err_internal(0, "err_internal", "internal error");
dv_err_misc err_misc(0, "err_misc", "misc error");

void _VRN_assertion_violation(const char* expr, const char* file, unsigned line) {
  const char* slash = std::strrchr(file, '/');
  const char* unit = slash != nullptr ? slash + 1 : file;
  const char* during = fault_in_service.load() != nullptr ? "during fault handler " : "";
  throw dv_err_internal("Assertion \"%s\" failed %sat line %d of file %s", expr, during,
                        static_cast<int>(line), unit);
}

void _VRN_set_fault_in_service(const void* address) { fault_in_service.store(address); }
const void* _VRN_fault_in_service() { return fault_in_service.load(); }
void _VRN_set_message_box(_VRN_message_box_fn show) { message_box.store(show); }
_VRN_message_box_fn _VRN_get_message_box() { return message_box.load(); }

}  // namespace dv_qem
