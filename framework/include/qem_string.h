// CQEMString: the framework's string (CString) made persistent. One field,
// the character pointer, with the framework's buffer layout (CStringData
// before the characters), so a CQEMString can be read through a CString
// reference (operator*). Every buffer is allocated in the database that
// holds the string object; an empty string points at its database's shared
// empty buffer (the root "__afxDataNil"), or, outside every database, at the
// framework's own empty buffer. Strings of one database share buffers
// (interlocked counts, copy before write); strings of different databases,
// and a string copied from a database open read-only, copy.
#pragma once

#include <cstdarg>

#include "dv_typespec.h"
#include "fw_string.h"

class CQEMString {
 public:
  CQEMString();
  CQEMString(const CQEMString& source);
  // n copies of ch (none for n <= 0).
  CQEMString(char ch, int repeat = 1);
  // Null or "" gives the empty string; a value below 0x10000 is a string id
  // and loads that string.
  CQEMString(LPCSTR text);
  // length bytes copied as they are.
  CQEMString(LPCSTR text, int length);
  CQEMString(const unsigned char* text);
  // A 16-bit text, converted to multibyte (UTF-8).
  CQEMString(LPCWSTR text);
  ~CQEMString();

  int GetLength() const { return GetData()->nDataLength; }
  int GetAllocLength() const { return GetData()->nAllocLength; }
  BOOL IsEmpty() const { return GetData()->nDataLength == 0; }
  void Empty();

  char GetAt(int index) const { return m_pchData[index]; }
  char operator[](int index) const { return m_pchData[index]; }
  void SetAt(int index, char ch);
  operator LPCTSTR() const { return m_pchData; }
  // The string read as a framework string (the same object).
  CString& operator*() { return *reinterpret_cast<CString*>(this); }
  const CString& operator*() const { return *reinterpret_cast<const CString*>(this); }
  CStringData* _get_data() const { return GetData(); }

  // From a CQEMString: shared within one database, else copied. Every other
  // form copies into this string's database.
  const CQEMString& operator=(const CQEMString& source);
  const CQEMString& operator=(char ch);
  const CQEMString& operator=(LPCSTR text);
  const CQEMString& operator=(const unsigned char* text);
  const CQEMString& operator=(LPCWSTR text);

  const CQEMString& operator+=(const CQEMString& text);
  const CQEMString& operator+=(char ch);
  const CQEMString& operator+=(LPCTSTR text);
  // Each builds a transient result.
  friend CQEMString operator+(const CQEMString& a, const CQEMString& b);
  friend CQEMString operator+(const CQEMString& a, LPCTSTR b);
  friend CQEMString operator+(LPCTSTR a, const CQEMString& b);
  friend CQEMString operator+(const CQEMString& a, char ch);
  friend CQEMString operator+(char ch, const CQEMString& b);

  // Byte order, ASCII-case-insensitive order, collation order: <0, 0, >0.
  int Compare(LPCTSTR text) const;
  int CompareNoCase(LPCTSTR text) const;
  int Collate(LPCTSTR text) const;

  // Substrings; negative or too large counts and indexes are clamped. The
  // result's buffer is allocated in the database of the result object.
  CQEMString Mid(int first) const;
  CQEMString Mid(int first, int count) const;
  CQEMString Left(int count) const;
  CQEMString Right(int count) const;
  CQEMString SpanIncluding(LPCTSTR set) const;
  CQEMString SpanExcluding(LPCTSTR set) const;

  // Byte index of the match, or -1.
  int Find(char ch) const;
  int Find(LPCTSTR text) const;
  int ReverseFind(char ch) const;
  int FindOneOf(LPCTSTR set) const;

  void MakeUpper();
  void MakeLower();
  void MakeReverse();
  void TrimRight();
  void TrimLeft();

  // printf formatting; the result may be of any length.
  void Format(LPCTSTR format, ...) __attribute__((format(printf, 2, 3)));
  void Format(UINT formatId, ...);
  void FormatV(LPCTSTR format, va_list args);
  // The framework's message formatting (%1..%99); see CString::FormatMessage.
  void FormatMessage(LPCTSTR format, ...);
  void FormatMessage(UINT formatId, ...);
  // Loads string id; FALSE (text unchanged) when there is none.
  BOOL LoadString(UINT id);
  BSTR AllocSysString() const;
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

  // The empty buffer of the database holding p ("__afxDataNil", made on
  // first need), or the framework's empty buffer outside every database.
  static CStringData* _afxDataNil(const void* p);

 protected:
  LPTSTR m_pchData;

  CStringData* GetData() const { return reinterpret_cast<CStringData*>(m_pchData) - 1; }
  // Whether data is a shared empty buffer (the only buffers of capacity 0).
  static bool IsNil(const CStringData* data) { return data->nAllocLength == 0; }
  void Init();
  void _InitNil() { Init(); }
  // A new buffer of length bytes in the database of near (length 0: this
  // string's empty buffer); this string points at it.
  void DV_AllocBuffer(int length, const void* near);
  // The same on the ordinary heap.
  void AllocBuffer(int length);
  // dest gets a new buffer in its own database holding copyLength bytes of
  // this string from copyIndex, with extraLength bytes more capacity.
  void AllocCopy(CQEMString& dest, int copyLength, int copyIndex, int extraLength) const;
  void AssignCopy(int length, LPCTSTR text);
  void ConcatCopy(int length1, LPCTSTR text1, int length2, LPCTSTR text2);
  void ConcatInPlace(int length, LPCTSTR text);
  void CopyBeforeWrite();
  void AllocBeforeWrite(int length);
  void Release();
  static void Release(CStringData* data);
  static int SafeStrlen(LPCTSTR text);
};
static_assert(sizeof(CQEMString) == 4, "a CQEMString is one pointer, as a CString");

DV_DECLARE_TYPESPEC(CQEMString);

// Comparisons (byte order) between persistent strings, framework strings
// and texts, in both orders.
#define QEM_STRING_COMPARISON(op)                                                                 \
  inline bool operator op(const CQEMString& a, const CQEMString& b) { return a.Compare(b) op 0; } \
  inline bool operator op(const CQEMString& a, const CString& b) { return a.Compare(b) op 0; }    \
  inline bool operator op(const CString& a, const CQEMString& b) { return a.Compare(b) op 0; }    \
  inline bool operator op(const CQEMString& a, LPCTSTR b) { return a.Compare(b) op 0; }           \
  inline bool operator op(LPCTSTR a, const CQEMString& b) { return 0 op b.Compare(a); }
QEM_STRING_COMPARISON(==)
QEM_STRING_COMPARISON(!=)
QEM_STRING_COMPARISON(<)
QEM_STRING_COMPARISON(>)
QEM_STRING_COMPARISON(<=)
QEM_STRING_COMPARISON(>=)
#undef QEM_STRING_COMPARISON

// Copies string id into buffer (cut at size - 1 bytes); the count of bytes
// copied, 0 with an empty buffer when there is none.
int AfxQEMLoadString(UINT id, char* buffer, UINT size);
