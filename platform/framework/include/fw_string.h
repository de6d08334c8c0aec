// CString: the framework's reference-counted byte string. The object is one
// pointer to the characters; the 12 bytes before them are the buffer header
// CStringData. Copies share a buffer (copy-on-write, interlocked counts);
// every empty string points at one process-wide empty buffer whose count is
// -1. Persistent strings are read through a CString reference, so the layout
// below is fixed.
#pragma once

#include <cstdarg>

#include "fw_types.h"

// Header of a string buffer; the characters and their NUL follow it.
struct CStringData {
  long nRefs;        // strings sharing the buffer; -1 = locked, or the empty buffer
  int nDataLength;   // length in bytes without the NUL
  int nAllocLength;  // capacity in bytes without the NUL
  char* data() { return reinterpret_cast<char*>(this + 1); }
};
static_assert(sizeof(CStringData) == 12, "string buffer header is 12 bytes");
static_assert(offsetof(CStringData, nRefs) == 0);
static_assert(offsetof(CStringData, nDataLength) == 4);
static_assert(offsetof(CStringData, nAllocLength) == 8);

// The process-wide empty buffer every empty CString points at (its
// characters, 12 bytes after the header).
CStringData* AfxGetEmptyStringData();

// Tells whether a buffer is one this library did not allocate (a database
// block read through a CString reference). Such a buffer is never shared by
// a CString, only copied, so a CString never frees it. Null: every buffer
// with a count of 0 or more may be shared.
typedef bool (*FwForeignBufferTest)(const CStringData* data);
void AfxSetForeignStringBufferTest(FwForeignBufferTest test);

class CString {
 public:
  CString();
  CString(const CString& source);
  CString(char ch, int repeat = 1);
  // A value below 0x10000 is a string id and loads that string; null or ""
  // gives the empty string.
  CString(LPCSTR text);
  CString(LPCSTR text, int length);
  CString(const unsigned char* text);
  // A 16-bit text, converted to UTF-8.
  CString(LPCWSTR text);
  ~CString();

  int GetLength() const { return GetData()->nDataLength; }
  int GetAllocLength() const { return GetData()->nAllocLength; }
  BOOL IsEmpty() const { return GetData()->nDataLength == 0; }
  void Empty();

  char GetAt(int index) const { return m_pchData[index]; }
  char operator[](int index) const { return m_pchData[index]; }
  void SetAt(int index, char ch);
  operator LPCTSTR() const { return m_pchData; }

  const CString& operator=(const CString& source);
  const CString& operator=(char ch);
  const CString& operator=(LPCSTR text);
  const CString& operator=(const unsigned char* text);
  const CString& operator=(LPCWSTR text);

  const CString& operator+=(const CString& text);
  const CString& operator+=(char ch);
  const CString& operator+=(LPCTSTR text);
  friend CString operator+(const CString& a, const CString& b);
  friend CString operator+(const CString& a, char ch);
  friend CString operator+(char ch, const CString& b);
  friend CString operator+(const CString& a, LPCTSTR b);
  friend CString operator+(LPCTSTR a, const CString& b);

  // Byte order, ASCII-case-insensitive order, collation order: <0, 0, >0.
  int Compare(LPCTSTR text) const;
  int CompareNoCase(LPCTSTR text) const;
  int Collate(LPCTSTR text) const;

  // Substrings; out-of-range counts and indexes are clamped.
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Left(int count) const;
  CString Right(int count) const;
  CString SpanIncluding(LPCTSTR set) const;
  CString SpanExcluding(LPCTSTR set) const;

  void MakeUpper();
  void MakeLower();
  void MakeReverse();
  void TrimRight();
  void TrimLeft();
  // Replaces every old character or text by the new one (a text: left to
  // right, without overlaps); returns the count replaced.
  int Replace(char oldChar, char newChar);
  int Replace(LPCTSTR oldText, LPCTSTR newText);
  // Removes every ch; returns the count removed.
  int Remove(char ch);

  // Byte index of the match, or -1.
  int Find(char ch) const;
  int Find(LPCTSTR text) const;
  int ReverseFind(char ch) const;
  int FindOneOf(LPCTSTR set) const;

  // printf formatting; the result may be of any length.
  void Format(LPCTSTR format, ...) __attribute__((format(printf, 2, 3)));
  void Format(UINT formatId, ...);
  void FormatV(LPCTSTR format, va_list args);
  // Inserts %1..%99 (optionally %n!printf-format!, default !s!); %% gives %,
  // %0 ends the text, %n gives a line feed, %r a CR, %t a tab, and any other
  // character after a percent sign (%. %! "% ") itself. Throws
  // CMemoryException for an insert format without its closing '!'.
  void FormatMessage(LPCTSTR format, ...);
  void FormatMessage(UINT formatId, ...);
  void FormatMessageV(LPCTSTR format, va_list args);
  // Loads string id of the current language; FALSE (text unchanged) when the
  // string tables hold none.
  BOOL LoadString(UINT id);

  // A new system string holding this text in 16-bit characters.
  BSTR AllocSysString() const;
  // Replaces *target (freed first) by this text as a system string.
  BSTR SetSysString(BSTR* target) const;

  // Writable buffer of at least minLength bytes (plus the NUL), private to
  // this string; ReleaseBuffer(n) sets the length (-1: up to the first NUL).
  LPTSTR GetBuffer(int minLength);
  void ReleaseBuffer(int newLength = -1);
  LPTSTR GetBufferSetLength(int newLength);
  void FreeExtra();
  // A locked buffer is never shared until UnlockBuffer.
  LPTSTR LockBuffer();
  void UnlockBuffer();

 protected:
  LPTSTR m_pchData;

  CStringData* GetData() const { return reinterpret_cast<CStringData*>(m_pchData) - 1; }
  void Init();
  void AllocBuffer(int length);
  void AllocCopy(CString& dest, int copyLength, int copyIndex, int extraLength) const;
  void AssignCopy(int length, LPCTSTR text);
  void ConcatCopy(int length1, LPCTSTR text1, int length2, LPCTSTR text2);
  void ConcatInPlace(int length, LPCTSTR text);
  void CopyBeforeWrite();
  void AllocBeforeWrite(int length);
  void Release();
  static void Release(CStringData* data);
  static int SafeStrlen(LPCTSTR text);
};
static_assert(sizeof(CString) == 4, "a CString is one pointer");

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, LPCTSTR b);
bool operator==(LPCTSTR a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, LPCTSTR b);
bool operator!=(LPCTSTR a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, LPCTSTR b);
bool operator<(LPCTSTR a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator>(const CString& a, LPCTSTR b);
bool operator>(LPCTSTR a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator<=(const CString& a, LPCTSTR b);
bool operator<=(LPCTSTR a, const CString& b);
bool operator>=(const CString& a, const CString& b);
bool operator>=(const CString& a, LPCTSTR b);
bool operator>=(LPCTSTR a, const CString& b);
