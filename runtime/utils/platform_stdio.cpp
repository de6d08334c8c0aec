// Standard C streams of the platform layer: opening with the runtime's error,
// and the output every trace of the runtime goes through.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "dv_err.h"
#include "dv_platform.h"

namespace dv_qem {

FILE* _VRN_fopen(const char* path, const char* mode) {
  // A text-mode "t" means nothing here; fopen would not accept it at the end.
  char system_mode[16];
  _VRN_snprintf(system_mode, sizeof system_mode, "%s", mode);
  size_t length = std::strlen(system_mode);
  if (length > 0 && system_mode[length - 1] == 't') system_mode[length - 1] = '\0';
  FILE* f = std::fopen(path, system_mode);
  if (f == nullptr) {
    char text[320];
    _VRN_system_error_text(errno, text, sizeof text);
    throw dv_err_cant_open_file("%s: failed to open %s", text, path);
  }
  return f;
}

int _VRN_fclose(FILE* f) { return std::fclose(f); }

int _VRN_fflush(FILE* f) { return std::fflush(f); }

int _VRN_fprintf(FILE* f, const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = std::vfprintf(f, fmt, args);
  va_end(args);
  return n;
}

int _VRN_printf(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = std::vprintf(fmt, args);
  va_end(args);
  std::fflush(stdout);
  return n;
}

}  // namespace dv_qem
