// CString: heap buffers, the empty buffer, the sharing rules, construction,
// assignment, concatenation, extraction and replacement (the algorithms
// shared with the persistent string are in fw_string_core.h; formatting,
// loading and system strings in fw_string_format.cpp and fw_bstr.cpp).
#include "fw_string.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fw_exceptions.h"
#include "fw_mbs.h"
#include "fw_unicode.h"

namespace {

// The shared empty buffer: count -1 so that it is never freed or written.
struct EmptyBuffer {
  CStringData header;
  char nul;
};
EmptyBuffer empty_buffer = {{-1, 0, 0}, 0};

std::atomic<FwForeignBufferTest> foreign_buffer_test{nullptr};

// Whether a string may point at data instead of copying it: not locked, and
// a buffer of this library.
bool shareable(const CStringData* data) {
  if (data->nRefs < 0) return false;
  FwForeignBufferTest test = foreign_buffer_test.load(std::memory_order_acquire);
  return test == nullptr || !test(data);
}

}  // namespace

CStringData* AfxGetEmptyStringData() { return &empty_buffer.header; }

void AfxSetForeignStringBufferTest(FwForeignBufferTest test) {
  foreign_buffer_test.store(test, std::memory_order_release);
}

CStringData* FwHeapStringBuffers::allocate(unsigned bytes, const void*) {
  auto* data = static_cast<CStringData*>(std::malloc(bytes));
  if (data == nullptr) AfxThrowMemoryException();
  return data;
}

void FwHeapStringBuffers::free_buffer(CStringData* data) { std::free(data); }

CString::CString() { Init(); }

CString::CString(const CString& source) {
  if (shareable(source.GetData())) {
    InitShared(source);
  } else {
    Init();
    *this = source.m_pchData;
  }
}

CString::CString(char ch, int repeat) { InitRepeated(ch, repeat); }

CString::CString(LPCSTR text) { InitText(text); }

CString::CString(LPCSTR text, int length) { InitCopy(text, length); }

CString::CString(const unsigned char* text) : CString(reinterpret_cast<LPCSTR>(text)) {}

CString::CString(LPCWSTR text) { InitWide(text); }

const CString& CString::operator=(const CString& source) {
  if (m_pchData == source.m_pchData) return *this;
  if ((GetData()->nRefs < 0 && GetData() != AfxGetEmptyStringData()) || !shareable(source.GetData())) {
    // A locked buffer on either side, or a foreign one, is never shared.
    AssignCopy(source.GetData()->nDataLength, source.m_pchData);
  } else {
    ShareFrom(source);
  }
  return *this;
}

const CString& CString::operator=(LPCWSTR text) {
  std::string utf8 = fw_unicode::utf16_to_utf8(text, fw_unicode::utf16_length(text));
  AssignCopy(static_cast<int>(utf8.size()), utf8.c_str());
  return *this;
}

CString CString::Mid(int first) const { return Mid(first, GetLength() - first); }

CString CString::Mid(int first, int count) const {
  ClampMid(&first, &count);
  if (first == 0 && count == GetLength()) return *this;
  CString result;
  AllocCopy(result, count, first, 0);
  return result;
}

CString CString::Left(int count) const {
  if (count < 0) count = 0;
  if (count >= GetLength()) return *this;
  CString result;
  AllocCopy(result, count, 0, 0);
  return result;
}

CString CString::Right(int count) const {
  if (count < 0) count = 0;
  if (count >= GetLength()) return *this;
  CString result;
  AllocCopy(result, count, GetLength() - count, 0);
  return result;
}

int CString::Replace(char oldChar, char newChar) {
  int count = 0;
  for (int i = 0; i < GetLength(); ++i) count += m_pchData[i] == oldChar;
  if (count == 0 || oldChar == newChar) return oldChar == newChar ? 0 : count;
  CopyBeforeWrite();
  for (int i = 0; i < GetLength(); ++i) {
    if (m_pchData[i] == oldChar) m_pchData[i] = newChar;
  }
  return count;
}

int CString::Replace(LPCTSTR oldText, LPCTSTR newText) {
  int oldLength = SafeStrlen(oldText);
  if (oldLength == 0) return 0;
  std::string result;
  int count = 0;
  const char* p = m_pchData;
  const char* end = m_pchData + GetLength();
  while (p < end) {
    const char* hit = fw_mbs::find_text(p, oldText);
    if (hit == nullptr || hit >= end) break;
    result.append(p, hit);
    if (newText != nullptr) result += newText;
    p = hit + oldLength;
    ++count;
  }
  if (count == 0) return 0;
  result.append(p, end);
  AssignCopy(static_cast<int>(result.size()), result.c_str());
  return count;
}

int CString::Remove(char ch) {
  CopyBeforeWrite();
  int kept = 0;
  for (int i = 0; i < GetLength(); ++i) {
    if (m_pchData[i] != ch) m_pchData[kept++] = m_pchData[i];
  }
  int removed = GetLength() - kept;
  if (removed != 0) {
    m_pchData[kept] = '\0';
    GetData()->nDataLength = kept;
  }
  return removed;
}

bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
bool operator==(const CString& a, LPCTSTR b) { return a.Compare(b) == 0; }
bool operator==(LPCTSTR a, const CString& b) { return b.Compare(a) == 0; }
bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
bool operator!=(const CString& a, LPCTSTR b) { return a.Compare(b) != 0; }
bool operator!=(LPCTSTR a, const CString& b) { return b.Compare(a) != 0; }
bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
bool operator<(const CString& a, LPCTSTR b) { return a.Compare(b) < 0; }
bool operator<(LPCTSTR a, const CString& b) { return b.Compare(a) > 0; }
bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
bool operator>(const CString& a, LPCTSTR b) { return a.Compare(b) > 0; }
bool operator>(LPCTSTR a, const CString& b) { return b.Compare(a) < 0; }
bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
bool operator<=(const CString& a, LPCTSTR b) { return a.Compare(b) <= 0; }
bool operator<=(LPCTSTR a, const CString& b) { return b.Compare(a) >= 0; }
bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
bool operator>=(const CString& a, LPCTSTR b) { return a.Compare(b) >= 0; }
bool operator>=(LPCTSTR a, const CString& b) { return b.Compare(a) <= 0; }
