// FwStringCore: the string algorithms shared by the framework string
// (CString, heap buffers) and the persistent string (CQEMString, buffers in
// the string object's database), written once over the CStringData layout:
// buffers, sharing, assignment and appending of texts, concatenation,
// search and printf formatting. The only member is the character pointer,
// so both strings stay one pointer with the same layout.
//
// S is the string class itself; it provides Left, LoadString, FormatV and
// FormatMessageV (their buffers and loading differ), and brings in the
// assignments here with `using FwStringCore::operator=;`.
//
// Buffers says where buffers come from; it provides
//   static CStringData* empty_buffer(const void* owner);  // the shared empty buffer for a string at owner
//   static bool is_empty_buffer(const CStringData* data); // whether data is a shared empty buffer
//   static CStringData* allocate(unsigned bytes, const void* owner); // raw block near owner; throws on failure
//   static void free_buffer(CStringData* data);
// Shared empty buffers are never written or freed.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <string>

#include "fw_mbs.h"
#include "fw_string_data.h"

// printf formatting of any length (measured first); throws
// CMemoryException for a format vsnprintf refuses.
std::string FwFormatV(LPCTSTR format, va_list args);

template <class S, class Buffers>
class FwStringCore {
 public:
  // Each copies the text into this string's own buffer.
  const S& operator=(char ch) {
    AssignCopy(1, &ch);
    return self();
  }
  const S& operator=(LPCSTR text) {
    AssignCopy(SafeStrlen(text), text);
    return self();
  }
  const S& operator=(const unsigned char* text) { return *this = reinterpret_cast<LPCSTR>(text); }
  FwStringCore& operator=(const FwStringCore&) = delete;  // each string assigns its own kind

  const S& operator+=(const S& text) {
    ConcatInPlace(text.GetLength(), text.m_pchData);
    return self();
  }
  const S& operator+=(char ch) {
    ConcatInPlace(1, &ch);
    return self();
  }
  const S& operator+=(LPCTSTR text) {
    ConcatInPlace(SafeStrlen(text), text);
    return self();
  }
  // Each builds a new string (for the persistent string, a transient one).
  friend S operator+(const S& a, const S& b) { return Concat(a.GetLength(), a, b.GetLength(), b); }
  friend S operator+(const S& a, LPCTSTR b) { return Concat(a.GetLength(), a, SafeStrlen(b), b); }
  friend S operator+(LPCTSTR a, const S& b) { return Concat(SafeStrlen(a), a, b.GetLength(), b); }
  friend S operator+(const S& a, char ch) { return Concat(a.GetLength(), a, 1, &ch); }
  friend S operator+(char ch, const S& b) { return Concat(1, &ch, b.GetLength(), b); }

  // The longest start of the text made of (or free of) the characters of set.
  S SpanIncluding(LPCTSTR set) const { return self().Left(static_cast<int>(fw_mbs::span(m_pchData, set))); }
  S SpanExcluding(LPCTSTR set) const {
    return self().Left(static_cast<int>(fw_mbs::span_excluding(m_pchData, set)));
  }

  // printf formatting (the string's FormatV); the result may be of any
  // length. The second form takes the format from string id.
  __attribute__((format(printf, 2, 3))) void Format(LPCTSTR format, ...) {
    va_list args;
    va_start(args, format);
    self().FormatV(format, args);
    va_end(args);
  }
  void Format(UINT formatId, ...) {
    S format;
    format.LoadString(formatId);
    va_list args;
    va_start(args, formatId);
    self().FormatV(format, args);
    va_end(args);
  }
  // The framework's message formatting (%1..%99), the string's
  // FormatMessageV. The second form takes the format from string id.
  void FormatMessage(LPCTSTR format, ...) {
    va_list args;
    va_start(args, format);
    self().FormatMessageV(format, args);
    va_end(args);
  }
  void FormatMessage(UINT formatId, ...) {
    S format;
    format.LoadString(formatId);
    va_list args;
    va_start(args, formatId);
    self().FormatMessageV(format, args);
    va_end(args);
  }

  int GetLength() const { return GetData()->nDataLength; }
  int GetAllocLength() const { return GetData()->nAllocLength; }
  BOOL IsEmpty() const { return GetData()->nDataLength == 0; }
  void Empty() {
    if (GetLength() == 0) return;
    if (GetData()->nRefs >= 0) {
      Release();
    } else {
      AssignCopy(0, "");  // a locked buffer stays, emptied
    }
  }

  char GetAt(int index) const { return m_pchData[index]; }
  char operator[](int index) const { return m_pchData[index]; }
  void SetAt(int index, char ch) {
    CopyBeforeWrite();
    m_pchData[index] = ch;
  }
  operator LPCTSTR() const { return m_pchData; }

  // Byte order, ASCII-case-insensitive order, collation order: <0, 0, >0.
  int Compare(LPCTSTR text) const { return fw_mbs::compare(m_pchData, text); }
  int CompareNoCase(LPCTSTR text) const { return fw_mbs::compare_no_case(m_pchData, text); }
  int Collate(LPCTSTR text) const { return fw_mbs::collate(m_pchData, text); }

  // Byte index of the match, or -1.
  int Find(char ch) const { return IndexOf(fw_mbs::find_char(m_pchData, ch)); }
  int Find(LPCTSTR text) const { return IndexOf(fw_mbs::find_text(m_pchData, text)); }
  int ReverseFind(char ch) const { return IndexOf(fw_mbs::find_last_char(m_pchData, ch)); }
  int FindOneOf(LPCTSTR set) const { return IndexOf(fw_mbs::find_one_of(m_pchData, set)); }

  void MakeUpper() {
    CopyBeforeWrite();
    if (!IsEmptyBuffer()) fw_mbs::make_upper(m_pchData);
  }
  void MakeLower() {
    CopyBeforeWrite();
    if (!IsEmptyBuffer()) fw_mbs::make_lower(m_pchData);
  }
  void MakeReverse() {
    CopyBeforeWrite();
    if (!IsEmptyBuffer()) fw_mbs::reverse(m_pchData, GetLength());
  }
  void TrimRight() {
    CopyBeforeWrite();
    int end = GetLength();
    while (end > 0 && fw_mbs::is_space(static_cast<unsigned char>(m_pchData[end - 1]))) --end;
    if (end != GetLength()) SetLength(end);
  }
  void TrimLeft() {
    CopyBeforeWrite();
    int start = 0;
    while (start < GetLength() && fw_mbs::is_space(static_cast<unsigned char>(m_pchData[start]))) ++start;
    if (start != 0) {
      int remaining = GetLength() - start;
      std::memmove(m_pchData, m_pchData + start, remaining + 1);
      GetData()->nDataLength = remaining;
    }
  }

  // Writable buffer of at least minLength bytes (plus the NUL), private to
  // this string; ReleaseBuffer(n) sets the length (-1: up to the first NUL).
  LPTSTR GetBuffer(int minLength) {
    CStringData* old = GetData();
    if (old->nRefs > 1 || minLength > old->nAllocLength) {
      int oldLength = old->nDataLength;
      if (minLength < oldLength) minLength = oldLength;
      AllocBuffer(minLength);
      if (!IsEmptyBuffer()) {
        std::memcpy(m_pchData, old->data(), oldLength + 1);
        GetData()->nDataLength = oldLength;
      }
      Release(old);
    }
    return m_pchData;
  }
  void ReleaseBuffer(int newLength = -1) {
    CopyBeforeWrite();
    if (newLength == -1) newLength = static_cast<int>(std::strlen(m_pchData));
    if (IsEmptyBuffer()) return;  // length 0 already
    SetLength(newLength);
  }
  LPTSTR GetBufferSetLength(int newLength) {
    GetBuffer(newLength);
    if (!IsEmptyBuffer()) SetLength(newLength);
    return m_pchData;
  }
  void FreeExtra() {
    CStringData* old = GetData();
    if (old->nDataLength != old->nAllocLength) {
      AllocBuffer(old->nDataLength);
      if (!IsEmptyBuffer()) std::memcpy(m_pchData, old->data(), old->nDataLength + 1);
      Release(old);
    }
  }
  // A locked buffer is never shared until UnlockBuffer.
  LPTSTR LockBuffer() {
    LPTSTR text = GetBuffer(0);
    if (!IsEmptyBuffer()) GetData()->nRefs = -1;
    return text;
  }
  void UnlockBuffer() {
    if (!IsEmptyBuffer()) GetData()->nRefs = 1;
  }

 protected:
  LPTSTR m_pchData;

  FwStringCore() = default;  // each constructor of a string sets m_pchData
  ~FwStringCore() { Release(GetData()); }

  S& self() { return static_cast<S&>(*this); }
  const S& self() const { return static_cast<const S&>(*this); }

  // The constructors' shared forms; each starts from no buffer at all.
  // repeat copies of ch (none for repeat <= 0).
  void InitRepeated(char ch, int repeat) {
    Init();
    if (repeat >= 1) {
      AllocBuffer(repeat);
      std::memset(m_pchData, ch, repeat);
    }
  }
  // Null or "" gives the empty string; a value below 0x10000 is a string id
  // and loads that string.
  void InitText(LPCSTR text) {
    Init();
    uintptr_t value = reinterpret_cast<uintptr_t>(text);
    if (text != nullptr && value < 0x10000) {
      self().LoadString(static_cast<UINT>(value));
      return;
    }
    AssignCopy(SafeStrlen(text), text);
  }
  // length bytes copied as they are.
  void InitCopy(LPCSTR text, int length) {
    Init();
    if (length > 0) AssignCopy(length, text);
  }
  // A 16-bit text, through the string's own conversion.
  void InitWide(LPCWSTR text) {
    Init();
    self() = text;
  }

  CStringData* GetData() const { return reinterpret_cast<CStringData*>(m_pchData) - 1; }
  bool IsEmptyBuffer() const { return Buffers::is_empty_buffer(GetData()); }
  int IndexOf(const char* hit) const { return hit == nullptr ? -1 : static_cast<int>(hit - m_pchData); }
  void SetLength(int length) {
    GetData()->nDataLength = length;
    m_pchData[length] = '\0';
  }

  // Points at the empty buffer for this string.
  void Init() { m_pchData = Buffers::empty_buffer(this)->data(); }
  // A new buffer of length bytes for this string (0: the empty buffer);
  // this string points at it.
  void AllocBuffer(int length) {
    if (length == 0) {
      Init();
      return;
    }
    unsigned bytes = sizeof(CStringData) + static_cast<unsigned>(length) + 1;
    CStringData* data = Buffers::allocate(bytes, this);
    data->nRefs = 1;
    data->nDataLength = length;
    data->nAllocLength = length;
    data->data()[length] = '\0';
    m_pchData = data->data();
  }
  // dest gets a new buffer of its own holding copyLength bytes of this
  // string from copyIndex, with extraLength bytes more capacity.
  void AllocCopy(FwStringCore& dest, int copyLength, int copyIndex, int extraLength) const {
    dest.AllocBuffer(copyLength + extraLength);
    if (copyLength > 0) std::memcpy(dest.m_pchData, m_pchData + copyIndex, copyLength);
  }
  // Clamps a substring of this string to its text.
  void ClampMid(int* first, int* count) const {
    if (*first < 0) *first = 0;
    if (*count < 0) *count = 0;
    int length = GetLength();
    if (*first > length) *count = 0;
    else if (*first + *count > length) *count = length - *first;
  }
  // Points this string, just made, at source's buffer, one more sharer.
  void InitShared(const FwStringCore& source) {
    m_pchData = source.m_pchData;
    __atomic_add_fetch(&GetData()->nRefs, 1, __ATOMIC_ACQ_REL);
  }
  // Drops this string's buffer and shares source's.
  void ShareFrom(const FwStringCore& source) {
    Release();
    InitShared(source);
  }
  void AssignCopy(int length, LPCTSTR text) {
    AllocBeforeWrite(length);
    if (IsEmptyBuffer()) return;  // the shared empty buffer is never written
    std::memmove(m_pchData, text, length);
    SetLength(length);
  }
  void ConcatCopy(int length1, LPCTSTR text1, int length2, LPCTSTR text2) {
    int total = length1 + length2;
    if (total == 0) return;
    AllocBuffer(total);
    std::memcpy(m_pchData, text1, length1);
    std::memcpy(m_pchData + length1, text2, length2);
  }
  void ConcatInPlace(int length, LPCTSTR text) {
    if (length == 0) return;
    CStringData* data = GetData();
    if (data->nRefs > 1 || data->nDataLength + length > data->nAllocLength) {
      // Also taken for an empty buffer (capacity 0) and a locked one that is
      // full: the text moves to a new buffer of its own.
      ConcatCopy(data->nDataLength, m_pchData, length, text);
      Release(data);
    } else {
      std::memmove(m_pchData + data->nDataLength, text, length);
      SetLength(data->nDataLength + length);
    }
  }
  // The concatenation of two texts as a new string.
  static S Concat(int length1, LPCTSTR text1, int length2, LPCTSTR text2) {
    S result;
    result.ConcatCopy(length1, text1, length2, text2);
    return result;
  }
  void CopyBeforeWrite() {
    if (GetData()->nRefs > 1) {
      CStringData* old = GetData();
      Release();
      AllocBuffer(old->nDataLength);
      std::memcpy(m_pchData, old->data(), old->nDataLength + 1);
    }
  }
  void AllocBeforeWrite(int length) {
    if (GetData()->nRefs > 1 || length > GetData()->nAllocLength) {
      Release();
      AllocBuffer(length);
    }
  }
  // Drops this string's share of its buffer; it becomes empty.
  void Release() {
    if (IsEmptyBuffer()) return;
    Release(GetData());
    Init();
  }
  static void Release(CStringData* data) {
    if (!Buffers::is_empty_buffer(data) && __atomic_sub_fetch(&data->nRefs, 1, __ATOMIC_ACQ_REL) <= 0) {
      Buffers::free_buffer(data);
    }
  }
  static int SafeStrlen(LPCTSTR text) { return text == nullptr ? 0 : static_cast<int>(std::strlen(text)); }
};
