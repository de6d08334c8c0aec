// Strict UTF-8 <-> UTF-16 conversion of NUL-terminated names.
#include "text_encoding.h"

#include <cerrno>
#include <cstdint>

namespace dv_qem {

namespace {

bool is_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes one code point at text; advances text. Returns false when malformed.
bool decode_utf8(const unsigned char*& text, char32_t& out) {
  const unsigned char lead = *text++;
  if (lead < 0x80) {
    out = lead;
    return true;
  }
  int extra;
  char32_t value;
  char32_t smallest;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, value = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, value = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, value = lead & 0x07, smallest = 0x10000;
  } else {
    return false;
  }
  for (int i = 0; i < extra; ++i) {
    if (!is_continuation(*text)) return false;  // also stops at the NUL
    value = (value << 6) | (*text++ & 0x3F);
  }
  if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  out = value;
  return true;
}

}  // namespace

int _VRN_utf8_to_utf16(const char* text, char16_t* out, size_t capacity) {
  const auto* at = reinterpret_cast<const unsigned char*>(text);
  size_t n = 0;
  while (*at != 0) {
    char32_t c;
    if (!decode_utf8(at, c)) return EILSEQ;
    const size_t units = c >= 0x10000 ? 2 : 1;
    if (n + units >= capacity) return E2BIG;
    if (units == 2) {
      c -= 0x10000;
      out[n++] = static_cast<char16_t>(0xD800 + (c >> 10));
      out[n++] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out[n++] = static_cast<char16_t>(c);
    }
  }
  if (n >= capacity) return E2BIG;
  out[n] = 0;
  return 0;
}

int _VRN_utf16_to_utf8(const char16_t* text, char* out, size_t capacity) {
  size_t n = 0;
  for (const char16_t* at = text; *at != 0; ++at) {
    char32_t c = *at;
    if (c >= 0xDC00 && c <= 0xDFFF) return EILSEQ;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (at[1] < 0xDC00 || at[1] > 0xDFFF) return EILSEQ;
      c = 0x10000 + ((c - 0xD800) << 10) + (at[1] - 0xDC00);
      ++at;
    }
    const size_t bytes = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    if (n + bytes >= capacity) return E2BIG;
    if (bytes == 1) {
      out[n++] = static_cast<char>(c);
      continue;
    }
    static constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
    out[n++] = static_cast<char>(kLead[bytes] | (c >> (6 * (bytes - 1))));
    for (size_t i = bytes - 1; i > 0; --i) out[n++] = static_cast<char>(0x80 | ((c >> (6 * (i - 1))) & 0x3F));
  }
  if (n >= capacity) return E2BIG;
  out[n] = 0;
  return 0;
}

}  // namespace dv_qem
