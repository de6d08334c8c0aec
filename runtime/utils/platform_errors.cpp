// System errors of the platform layer: the "(%d) %s" text, the file-open
// result code for an errno, and internal errors built from a system error.
#include <cerrno>
#include <cstring>

#include "dv_err.h"
#include "dv_platform.h"

namespace dv_qem {

namespace {

constexpr size_t kFormatBufferSize = 1024;

// The system's message for error_number (thread-safe strerror).
const char* system_message(int error_number, char* buffer, size_t size) {
  return strerror_r(error_number, buffer, size);
}

}  // namespace

void _VRN_system_error_text(int error_number, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return;
  char message[256];
  _VRN_snprintf(buffer, size, "(%d) %s", error_number,
                system_message(error_number, message, sizeof message));
}

int _VRN_file_error_code(int error_number) {
  switch (error_number) {
    case ENOENT:
      return _VRN_FILE_NOT_FOUND;
    case ENOTDIR:
      return _VRN_FILE_BAD_DIRECTORY;
    case EMFILE:
    case ENFILE:
      return _VRN_FILE_TOO_MANY_OPEN;
    case EACCES:
    case EPERM:
    case EWOULDBLOCK:
    case ETXTBSY:
      return _VRN_FILE_ACCESS_DENIED;
    case EROFS:
    case EIO:
      return _VRN_FILE_WRITE_PROTECTED;
    case ENOSPC:
    case EDQUOT:
      return _VRN_FILE_DISK_FULL;
    case EEXIST:
      return _VRN_FILE_EXISTS;
    case ENAMETOOLONG:
      return _VRN_FILE_BAD_NAME;
    default:
      return _VRN_FILE_OTHER;
  }
}

void _VRN_signal_system_error(int error_number, const char* text) {
  char message[256];
  const char* m = system_message(error_number, message, sizeof message);
  char detail[kFormatBufferSize];
  _VRN_snprintf(detail, sizeof detail, "%s\n%s (%d)\n", m, m, error_number);
  throw dv_err_internal("%s - %s", text, detail);
}

void _VRN_signal_system_errorf(int error_number, const char* fmt, ...) {
  char text[kFormatBufferSize];
  va_list args;
  va_start(args, fmt);
  _VRN_vsnprintf(text, sizeof text, fmt, args);
  va_end(args);
  _VRN_signal_system_error(error_number, text);
}

void _VRN_signal_last_error(const char* fmt, ...) {
  int error_number = errno;
  char text[kFormatBufferSize];
  va_list args;
  va_start(args, fmt);
  _VRN_vsnprintf(text, sizeof text, fmt, args);
  va_end(args);
  _VRN_signal_system_error(error_number, text);
}

}  // namespace dv_qem
