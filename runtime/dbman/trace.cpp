// Trace output of the address-space code.
#include "trace.h"

#include <cstdarg>
#include <cstdio>

namespace dv_qem {

void _DV_trace(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::vprintf(fmt, args);
  va_end(args);
  std::fflush(stdout);
}

}  // namespace dv_qem
