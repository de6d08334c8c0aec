// CString: buffers, sharing, assignment, concatenation, extraction, search
// and the buffer members (formatting, loading and system strings live in
// fw_string_format.cpp and fw_bstr.cpp).
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

long interlocked_increment(long* count) { return __atomic_add_fetch(count, 1, __ATOMIC_ACQ_REL); }
long interlocked_decrement(long* count) { return __atomic_sub_fetch(count, 1, __ATOMIC_ACQ_REL); }

char* empty_text() { return empty_buffer.header.data(); }

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

void CString::Init() { m_pchData = empty_text(); }

CString::CString() { Init(); }

CString::CString(const CString& source) {
  if (shareable(source.GetData())) {
    m_pchData = source.m_pchData;
    interlocked_increment(&GetData()->nRefs);
  } else {
    Init();
    *this = source.m_pchData;
  }
}

CString::CString(char ch, int repeat) {
  Init();
  if (repeat >= 1) {
    AllocBuffer(repeat);
    std::memset(m_pchData, ch, repeat);
  }
}

CString::CString(LPCSTR text) {
  Init();
  uintptr_t value = reinterpret_cast<uintptr_t>(text);
  if (text != nullptr && value < 0x10000) {
    LoadString(static_cast<UINT>(value));
    return;
  }
  int length = SafeStrlen(text);
  if (length != 0) {
    AllocBuffer(length);
    std::memcpy(m_pchData, text, length);
  }
}

CString::CString(LPCSTR text, int length) {
  Init();
  if (length > 0) {
    AllocBuffer(length);
    std::memcpy(m_pchData, text, length);
  }
}

CString::CString(const unsigned char* text) : CString(reinterpret_cast<LPCSTR>(text)) {}

CString::CString(LPCWSTR text) {
  Init();
  *this = text;
}

CString::~CString() {
  CStringData* data = GetData();
  if (data != AfxGetEmptyStringData() && interlocked_decrement(&data->nRefs) <= 0) {
    std::free(data);
  }
}

void CString::AllocBuffer(int length) {
  if (length == 0) {
    Init();
    return;
  }
  auto* data = static_cast<CStringData*>(std::malloc(sizeof(CStringData) + length + 1));
  if (data == nullptr) AfxThrowMemoryException();
  data->nRefs = 1;
  data->nDataLength = length;
  data->nAllocLength = length;
  data->data()[length] = '\0';
  m_pchData = data->data();
}

void CString::Release() {
  if (GetData() != AfxGetEmptyStringData()) {
    Release(GetData());
    Init();
  }
}

void CString::Release(CStringData* data) {
  if (data != AfxGetEmptyStringData() && interlocked_decrement(&data->nRefs) <= 0) {
    std::free(data);
  }
}

int CString::SafeStrlen(LPCTSTR text) { return text == nullptr ? 0 : static_cast<int>(std::strlen(text)); }

void CString::Empty() {
  if (GetData()->nDataLength == 0) return;
  if (GetData()->nRefs >= 0) {
    Release();
  } else {
    *this = "";
  }
}

void CString::CopyBeforeWrite() {
  if (GetData()->nRefs > 1) {
    CStringData* old = GetData();
    Release();
    AllocBuffer(old->nDataLength);
    std::memcpy(m_pchData, old->data(), old->nDataLength + 1);
  }
}

void CString::AllocBeforeWrite(int length) {
  if (GetData()->nRefs > 1 || length > GetData()->nAllocLength) {
    Release();
    AllocBuffer(length);
  }
}

void CString::AssignCopy(int length, LPCTSTR text) {
  AllocBeforeWrite(length);
  if (GetData() == AfxGetEmptyStringData()) return;  // never written
  std::memmove(m_pchData, text, length);
  GetData()->nDataLength = length;
  m_pchData[length] = '\0';
}

void CString::AllocCopy(CString& dest, int copyLength, int copyIndex, int extraLength) const {
  int newLength = copyLength + extraLength;
  if (newLength == 0) {
    dest.Init();
    return;
  }
  dest.AllocBuffer(newLength);
  std::memcpy(dest.m_pchData, m_pchData + copyIndex, copyLength);
}

void CString::SetAt(int index, char ch) {
  CopyBeforeWrite();
  m_pchData[index] = ch;
}

const CString& CString::operator=(const CString& source) {
  if (m_pchData == source.m_pchData) return *this;
  if ((GetData()->nRefs < 0 && GetData() != AfxGetEmptyStringData()) || !shareable(source.GetData())) {
    // A locked buffer on either side, or a foreign one, is never shared.
    AssignCopy(source.GetData()->nDataLength, source.m_pchData);
  } else {
    Release();
    m_pchData = source.m_pchData;
    interlocked_increment(&GetData()->nRefs);
  }
  return *this;
}

const CString& CString::operator=(char ch) {
  AssignCopy(1, &ch);
  return *this;
}

const CString& CString::operator=(LPCSTR text) {
  AssignCopy(SafeStrlen(text), text);
  return *this;
}

const CString& CString::operator=(const unsigned char* text) {
  return *this = reinterpret_cast<LPCSTR>(text);
}

const CString& CString::operator=(LPCWSTR text) {
  std::string utf8 = fw_unicode::utf16_to_utf8(text, fw_unicode::utf16_length(text));
  AssignCopy(static_cast<int>(utf8.size()), utf8.c_str());
  return *this;
}

void CString::ConcatCopy(int length1, LPCTSTR text1, int length2, LPCTSTR text2) {
  int total = length1 + length2;
  if (total == 0) return;
  AllocBuffer(total);
  std::memcpy(m_pchData, text1, length1);
  std::memcpy(m_pchData + length1, text2, length2);
}

void CString::ConcatInPlace(int length, LPCTSTR text) {
  if (length == 0) return;
  CStringData* data = GetData();
  if (data->nRefs > 1 || data->nDataLength + length > data->nAllocLength) {
    // Also taken for the empty buffer (capacity 0) and a locked one that is
    // full: the text moves to a new buffer of its own.
    ConcatCopy(data->nDataLength, m_pchData, length, text);
    Release(data);
  } else {
    std::memmove(m_pchData + data->nDataLength, text, length);
    data->nDataLength += length;
    m_pchData[data->nDataLength] = '\0';
  }
}

const CString& CString::operator+=(const CString& text) {
  ConcatInPlace(text.GetLength(), text.m_pchData);
  return *this;
}

const CString& CString::operator+=(char ch) {
  ConcatInPlace(1, &ch);
  return *this;
}

const CString& CString::operator+=(LPCTSTR text) {
  ConcatInPlace(SafeStrlen(text), text);
  return *this;
}

CString operator+(const CString& a, const CString& b) {
  CString result;
  result.ConcatCopy(a.GetLength(), a.m_pchData, b.GetLength(), b.m_pchData);
  return result;
}

CString operator+(const CString& a, char ch) {
  CString result;
  result.ConcatCopy(a.GetLength(), a.m_pchData, 1, &ch);
  return result;
}

CString operator+(char ch, const CString& b) {
  CString result;
  result.ConcatCopy(1, &ch, b.GetLength(), b.m_pchData);
  return result;
}

CString operator+(const CString& a, LPCTSTR b) {
  CString result;
  result.ConcatCopy(a.GetLength(), a.m_pchData, CString::SafeStrlen(b), b);
  return result;
}

CString operator+(LPCTSTR a, const CString& b) {
  CString result;
  result.ConcatCopy(CString::SafeStrlen(a), a, b.GetLength(), b.m_pchData);
  return result;
}

int CString::Compare(LPCTSTR text) const { return fw_mbs::compare(m_pchData, text); }
int CString::CompareNoCase(LPCTSTR text) const { return fw_mbs::compare_no_case(m_pchData, text); }
int CString::Collate(LPCTSTR text) const { return fw_mbs::collate(m_pchData, text); }

CString CString::Mid(int first) const { return Mid(first, GetLength() - first); }

CString CString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (count < 0) count = 0;
  int length = GetLength();
  if (first > length) count = 0;
  else if (first + count > length) count = length - first;
  if (first == 0 && count == length) return *this;
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

CString CString::SpanIncluding(LPCTSTR set) const {
  return Left(static_cast<int>(fw_mbs::span(m_pchData, set)));
}

CString CString::SpanExcluding(LPCTSTR set) const {
  return Left(static_cast<int>(fw_mbs::span_excluding(m_pchData, set)));
}

void CString::MakeUpper() {
  CopyBeforeWrite();
  fw_mbs::make_upper(m_pchData);
}

void CString::MakeLower() {
  CopyBeforeWrite();
  fw_mbs::make_lower(m_pchData);
}

void CString::MakeReverse() {
  CopyBeforeWrite();
  fw_mbs::reverse(m_pchData, GetLength());
}

void CString::TrimRight() {
  CopyBeforeWrite();
  int end = GetLength();
  while (end > 0 && fw_mbs::is_space(static_cast<unsigned char>(m_pchData[end - 1]))) --end;
  if (end != GetLength()) {
    m_pchData[end] = '\0';
    GetData()->nDataLength = end;
  }
}

void CString::TrimLeft() {
  CopyBeforeWrite();
  int start = 0;
  while (start < GetLength() && fw_mbs::is_space(static_cast<unsigned char>(m_pchData[start]))) ++start;
  if (start != 0) {
    int remaining = GetLength() - start;
    std::memmove(m_pchData, m_pchData + start, remaining + 1);
    GetData()->nDataLength = remaining;
  }
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

int CString::Find(char ch) const {
  const char* hit = fw_mbs::find_char(m_pchData, ch);
  return hit == nullptr ? -1 : static_cast<int>(hit - m_pchData);
}

int CString::Find(LPCTSTR text) const {
  const char* hit = fw_mbs::find_text(m_pchData, text);
  return hit == nullptr ? -1 : static_cast<int>(hit - m_pchData);
}

int CString::ReverseFind(char ch) const {
  const char* hit = fw_mbs::find_last_char(m_pchData, ch);
  return hit == nullptr ? -1 : static_cast<int>(hit - m_pchData);
}

int CString::FindOneOf(LPCTSTR set) const {
  const char* hit = fw_mbs::find_one_of(m_pchData, set);
  return hit == nullptr ? -1 : static_cast<int>(hit - m_pchData);
}

LPTSTR CString::GetBuffer(int minLength) {
  if (GetData()->nRefs > 1 || minLength > GetData()->nAllocLength) {
    CStringData* old = GetData();
    int oldLength = old->nDataLength;
    if (minLength < oldLength) minLength = oldLength;
    AllocBuffer(minLength);
    std::memcpy(m_pchData, old->data(), oldLength + 1);
    GetData()->nDataLength = oldLength;
    Release(old);
  }
  return m_pchData;
}

void CString::ReleaseBuffer(int newLength) {
  CopyBeforeWrite();
  if (newLength == -1) newLength = static_cast<int>(std::strlen(m_pchData));
  if (GetData() == AfxGetEmptyStringData()) return;  // length 0 already
  GetData()->nDataLength = newLength;
  m_pchData[newLength] = '\0';
}

LPTSTR CString::GetBufferSetLength(int newLength) {
  GetBuffer(newLength);
  if (GetData() != AfxGetEmptyStringData()) {
    GetData()->nDataLength = newLength;
    m_pchData[newLength] = '\0';
  }
  return m_pchData;
}

void CString::FreeExtra() {
  if (GetData()->nDataLength != GetData()->nAllocLength) {
    CStringData* old = GetData();
    AllocBuffer(old->nDataLength);
    std::memcpy(m_pchData, old->data(), old->nDataLength);
    Release(old);
  }
}

LPTSTR CString::LockBuffer() {
  LPTSTR text = GetBuffer(0);
  if (GetData() != AfxGetEmptyStringData()) GetData()->nRefs = -1;
  return text;
}

void CString::UnlockBuffer() {
  if (GetData() != AfxGetEmptyStringData()) GetData()->nRefs = 1;
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
