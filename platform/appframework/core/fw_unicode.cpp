// UTF-8 <-> UTF-16 conversions (see fw_unicode.h).
#include "fw_unicode.h"

namespace fw_unicode {

size_t utf16_length(LPCWSTR text) {
  size_t n = 0;
  if (text != nullptr) {
    while (text[n] != 0) ++n;
  }
  return n;
}

// Length of the valid UTF-8 sequence at text[i] (0 when there is none) and
// its code point.
static size_t decode_utf8(const unsigned char* text, size_t length, size_t i, char32_t* cp) {
  unsigned char lead = text[i];
  size_t count;
  char32_t value;
  char32_t minimum;
  if (lead < 0x80) {
    *cp = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    count = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    count = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    count = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + count > length) return 0;
  for (size_t k = 1; k < count; ++k) {
    if ((text[i + k] & 0xC0) != 0x80) return 0;
    value = (value << 6) | (text[i + k] & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *cp = value;
  return count;
}

std::u16string utf8_to_utf16(const char* text, size_t length) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  std::u16string out;
  out.reserve(length);
  size_t i = 0;
  while (i < length) {
    char32_t cp;
    size_t used = decode_utf8(bytes, length, i, &cp);
    if (used == 0) {
      cp = bytes[i];
      used = 1;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += used;
  }
  return out;
}

static void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string utf16_to_utf8(LPCWSTR text, size_t length) {
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    char32_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      append_utf8(out, 0xFFFD);
    } else {
      append_utf8(out, unit);
    }
  }
  return out;
}

}  // namespace fw_unicode
