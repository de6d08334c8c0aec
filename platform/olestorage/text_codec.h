// Strict UTF-8 and UTF-16, one code point at a time: the one codec behind the
// stream names and paths here and the runtime's name conversions. Malformed
// input is refused, never replaced.
#pragma once

#include <cstddef>

namespace dv_qem {

inline bool _Is_high_surrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool _Is_low_surrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Decodes the UTF-16 code point at text[i], advancing i; false for an
// unpaired surrogate.
inline bool _Utf16_next(const char16_t* text, std::size_t& i, char32_t& code_point) {
  char32_t u = text[i++];
  if (_Is_low_surrogate(u)) return false;
  if (!_Is_high_surrogate(u)) {
    code_point = u;
    return true;
  }
  char32_t low = text[i];
  if (!_Is_low_surrogate(low)) return false;
  ++i;
  code_point = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
  return true;
}

// Decodes the UTF-8 sequence at text[i], advancing i; false when it is
// malformed (a NUL cuts it), overlong, a surrogate or past U+10FFFF.
inline bool _Utf8_next(const unsigned char* text, std::size_t& i, char32_t& code_point) {
  unsigned char lead = text[i++];
  if (lead < 0x80) {
    code_point = lead;
    return true;
  }
  int more;
  char32_t c;
  char32_t least;
  if ((lead & 0xE0) == 0xC0) {
    more = 1, c = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    more = 2, c = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    more = 3, c = lead & 0x07, least = 0x10000;
  } else {
    return false;
  }
  for (int k = 0; k < more; ++k) {
    unsigned char b = text[i];
    if ((b & 0xC0) != 0x80) return false;
    ++i;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  code_point = c;
  return true;
}

// Units of c in UTF-16 (1 or 2) and bytes in UTF-8 (1 to 4).
inline std::size_t _Utf16_units(char32_t c) { return c >= 0x10000 ? 2 : 1; }
inline std::size_t _Utf8_bytes(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

// Writes c as UTF-16 at out (_Utf16_units(c) units).
inline void _Utf16_put(char32_t c, char16_t* out) {
  if (c < 0x10000) {
    out[0] = static_cast<char16_t>(c);
  } else {
    out[0] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out[1] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

// Writes c as UTF-8 at out (_Utf8_bytes(c) bytes).
inline void _Utf8_put(char32_t c, char* out) {
  std::size_t bytes = _Utf8_bytes(c);
  if (bytes == 1) {
    out[0] = static_cast<char>(c);
    return;
  }
  static constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  out[0] = static_cast<char>(kLead[bytes] | (c >> (6 * (bytes - 1))));
  for (std::size_t k = 1; k < bytes; ++k) out[k] = static_cast<char>(0x80 | ((c >> (6 * (bytes - 1 - k))) & 0x3F));
}

}  // namespace dv_qem
