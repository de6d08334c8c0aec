// Environment variables read as switches and as integers.
#pragma once

#include "dv_types.h"

namespace dv_qem {

// True when v is a power of two (0 is not).
constexpr bool _VRN_power_of_two_p(dv4u v) { return v != 0 && (v & (v - 1)) == 0; }

// Nonzero when the variable holds a nonzero number (0x prefix hexadecimal,
// leading 0 octal) or anything that is not a number alone ("yes", "false");
// 0 when it is unset, empty or a zero ("0", "0x0"). *set_flag, when given,
// becomes 1 if the variable is set and non-empty, else 0.
int _VRN_getenv_bool(const char* name, int* set_flag);

// The variable as an unsigned 32-bit number (0x prefix hexadecimal, leading 0
// octal, else decimal) rounded down to a multiple of truncate, which must be a
// power of two. Unset or empty gives 0 with *set_flag 0. Anything but a number
// that fits 32 bits (trailing characters, a minus sign, overflow) throws
// dv_err_misc "The value of %s, \"%s\", is not a valid integer.".
dv4u _VRN_getenv_integer(const char* name, int* set_flag, dv4u truncate);

}  // namespace dv_qem
