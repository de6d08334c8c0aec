// Stream-name rules and strict UTF-16 <-> UTF-8 conversion of paths.
#include "storage_names.h"

#include <new>

#include "text_codec.h"

namespace dv_qem {

HRESULT check_stream_name(const char16_t* name, std::u16string* out) {
  std::size_t length = 0;
  while (name[length] != u'\0') {
    if (length == STREAM_NAME_MAX) return STG_E_INVALIDNAME;
    ++length;
  }
  if (length == 0) return STG_E_INVALIDNAME;
  for (std::size_t i = 0; i < length;) {
    char32_t c;
    if (!_Utf16_next(name, i, c)) return STG_E_INVALIDNAME;
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
      if (!_Utf16_next(path, i, c)) return STG_E_INVALIDNAME;
      char bytes[4];
      _Utf8_put(c, bytes);
      result.append(bytes, _Utf8_bytes(c));
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
      if (!_Utf8_next(text, i, c)) return STG_E_INVALIDNAME;
      char16_t units[2];
      _Utf16_put(c, units);
      result.append(units, _Utf16_units(c));
    }
    *out = std::move(result);
  } catch (const std::bad_alloc&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
  return S_OK;
}

}  // namespace dv_qem
