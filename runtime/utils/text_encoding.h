// Conversion of names between the narrow text the runtime keeps (UTF-8) and
// the UTF-16 text of compound-file stream names. Both are strict: malformed
// input is refused, never replaced.
#pragma once

#include <cstddef>

namespace dv_qem {

// Converts the NUL-terminated UTF-8 text into UTF-16 in out, which holds
// capacity units (the NUL included). Returns 0, EILSEQ for malformed text
// (an overlong form, a surrogate, a value above U+10FFFF, a cut sequence),
// or E2BIG when the result does not fit; out is then unspecified.
int _VRN_utf8_to_utf16(const char* text, char16_t* out, size_t capacity);

// Converts the NUL-terminated UTF-16 text into UTF-8 in out, which holds
// capacity bytes (the NUL included). Returns 0, EILSEQ for an unpaired
// surrogate, or E2BIG when the result does not fit.
int _VRN_utf16_to_utf8(const char16_t* text, char* out, size_t capacity);

}  // namespace dv_qem
