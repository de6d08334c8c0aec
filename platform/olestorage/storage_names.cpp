// Stream-name rules and strict UTF-16 <-> UTF-8 conversion of paths.
#include "storage_names.h"

#include <new>

namespace dv_qem {

namespace {

bool is_high_surrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool is_low_surrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Decodes the code point at text[i], advancing i; false for a lone surrogate.
bool next_utf16(const char16_t* text, std::size_t& i, char32_t& code_point) {
  char32_t u = text[i++];
  if (is_low_surrogate(u)) return false;
  if (!is_high_surrogate(u)) {
    code_point = u;
    return true;
  }
  char32_t low = text[i];
  if (!is_low_surrogate(low)) return false;
  ++i;
  code_point = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
  return true;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes the UTF-8 sequence at text[i], advancing i; false when it is
// malformed, overlong, a surrogate or past U+10FFFF.
bool next_utf8(const unsigned char* text, std::size_t& i, char32_t& code_point) {
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

}  // namespace

HRESULT check_stream_name(const char16_t* name, std::u16string* out) {
  std::size_t length = 0;
  while (name[length] != u'\0') {
    if (length == STREAM_NAME_MAX) return STG_E_INVALIDNAME;
    ++length;
  }
  if (length == 0) return STG_E_INVALIDNAME;
  for (std::size_t i = 0; i < length;) {
    char32_t c;
    if (!next_utf16(name, i, c)) return STG_E_INVALIDNAME;
    if (c == U'/' || c == U'\\' || c == U':' || c == U'!') return STG_E_INVALIDNAME;
  }
  out->assign(name, length);
  return S_OK;
}

HRESULT utf8_of_path(const char16_t* path, std::string* out) {
  if (path[0] == u'\0') return STG_E_INVALIDNAME;
  try {
    std::string result;
    for (std::size_t i = 0; path[i] != u'\0';) {
      char32_t c;
      if (!next_utf16(path, i, c)) return STG_E_INVALIDNAME;
      append_utf8(result, c);
    }
    *out = std::move(result);
  } catch (const std::bad_alloc&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
  return S_OK;
}

HRESULT utf16_of_path(const char* path, std::u16string* out) {
  if (path[0] == '\0') return STG_E_INVALIDNAME;
  const auto* text = reinterpret_cast<const unsigned char*>(path);
  try {
    std::u16string result;
    for (std::size_t i = 0; text[i] != '\0';) {
      char32_t c;
      if (!next_utf8(text, i, c)) return STG_E_INVALIDNAME;
      if (c < 0x10000) {
        result += static_cast<char16_t>(c);
      } else {
        result += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        result += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      }
    }
    *out = std::move(result);
  } catch (const std::bad_alloc&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
  return S_OK;
}

}  // namespace dv_qem
