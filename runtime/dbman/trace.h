// Trace output of the address-space code: one formatted line on standard
// output, flushed at once so that it interleaves with the program's output.
#pragma once

namespace dv_qem {

// printf to standard output, then flush. (Routes through the platform
// layer's _VRN_printf once that is available to this code.)
void _DV_trace(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace dv_qem
