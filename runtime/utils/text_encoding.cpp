// Strict UTF-8 <-> UTF-16 conversion of NUL-terminated names into bounded
// buffers, over the one codec (text_codec.h).
#include "text_encoding.h"

#include <cerrno>

#include "text_codec.h"

namespace dv_qem {

int _VRN_utf8_to_utf16(const char* text, char16_t* out, size_t capacity) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  size_t n = 0;
  for (size_t i = 0; bytes[i] != 0;) {
    char32_t c;
    if (!_Utf8_next(bytes, i, c)) return EILSEQ;
    if (n + _Utf16_units(c) >= capacity) return E2BIG;
    _Utf16_put(c, out + n);
    n += _Utf16_units(c);
  }
  if (n >= capacity) return E2BIG;
  out[n] = 0;
  return 0;
}

int _VRN_utf16_to_utf8(const char16_t* text, char* out, size_t capacity) {
  size_t n = 0;
  for (size_t i = 0; text[i] != 0;) {
    char32_t c;
    if (!_Utf16_next(text, i, c)) return EILSEQ;
    if (n + _Utf8_bytes(c) >= capacity) return E2BIG;
    _Utf8_put(c, out + n);
    n += _Utf8_bytes(c);
  }
  if (n >= capacity) return E2BIG;
  out[n] = 0;
  return 0;
}

}  // namespace dv_qem
