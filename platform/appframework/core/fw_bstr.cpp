// System strings and CString's conversions to them.
#include "fw_bstr.h"

#include <cstdlib>
#include <cstring>

#include "fw_exceptions.h"
#include "fw_string.h"
#include "fw_unicode.h"

namespace {

// The block: the byte length word, the characters, the 16-bit NUL.
BSTR allocate(const OLECHAR* text, UINT length) {
  size_t bytes = static_cast<size_t>(length) * sizeof(OLECHAR);
  auto* block = static_cast<unsigned char*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  uint32_t byte_length = static_cast<uint32_t>(bytes);
  std::memcpy(block, &byte_length, sizeof byte_length);
  BSTR chars = reinterpret_cast<BSTR>(block + sizeof(uint32_t));
  if (text != nullptr) std::memcpy(chars, text, bytes);
  else std::memset(chars, 0, bytes);
  chars[length] = 0;
  return chars;
}

unsigned char* block_of(BSTR text) { return reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t); }

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) { return allocate(text, length); }

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  return allocate(text, static_cast<UINT>(fw_unicode::utf16_length(text)));
}

BOOL SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length) {
  BSTR fresh = allocate(text, length);
  if (fresh == nullptr) return FALSE;
  SysFreeString(*target);
  *target = fresh;
  return TRUE;
}

void SysFreeString(BSTR text) {
  if (text != nullptr) std::free(block_of(text));
}

UINT SysStringByteLen(BSTR text) {
  if (text == nullptr) return 0;
  uint32_t byte_length;
  std::memcpy(&byte_length, block_of(text), sizeof byte_length);
  return byte_length;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

BSTR CString::AllocSysString() const {
  std::u16string wide = fw_unicode::utf8_to_utf16(m_pchData, GetLength());
  BSTR result = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.data()), static_cast<UINT>(wide.size()));
  if (result == nullptr) AfxThrowMemoryException();
  return result;
}

BSTR CString::SetSysString(BSTR* target) const {
  std::u16string wide = fw_unicode::utf8_to_utf16(m_pchData, GetLength());
  if (!SysReAllocStringLen(target, reinterpret_cast<const OLECHAR*>(wide.data()), static_cast<UINT>(wide.size()))) {
    AfxThrowMemoryException();
  }
  return *target;
}
