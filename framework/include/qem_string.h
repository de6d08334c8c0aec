// CQEMString: the framework's string (CString) made persistent. One field,
// the character pointer, with the framework's buffer layout (CStringData
// before the characters), so a CQEMString can be read through a constant
// CString reference (operator*). Every buffer is allocated in the database that
// holds the string object; an empty string points at its database's shared
// empty buffer (the root "__afxDataNil"), or, outside every database, at the
// framework's own empty buffer. Strings of one database share buffers
// (interlocked counts, copy before write); strings of different databases,
// and a string copied from a database open read-only, copy.
#pragma once

#include <cstdarg>

#include "dv_typespec.h"
#include "fw_string.h"

// Where persistent strings keep their buffers: the database holding the
// string object (the transient database outside every database), and that
// database's empty buffer.
struct QemStringBuffers {
  static CStringData* empty_buffer(const void* owner);
  // The empty buffers are the only buffers of capacity 0.
  static bool is_empty_buffer(const CStringData* data) { return data->nAllocLength == 0; }
  static CStringData* allocate(unsigned bytes, const void* owner);
  static void free_buffer(CStringData* data);
};

class CQEMString : public FwStringCore<CQEMString, QemStringBuffers> {
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
  ~CQEMString() = default;

  // The string read as a framework string (the same object), for reading
  // only: a framework string's writes allocate and free on the C heap, which
  // must never hold or free this string's block. Change it through its own
  // members.
  const CString& operator*() const { return *reinterpret_cast<const CString*>(this); }
  CStringData* _get_data() const { return GetData(); }

  // From a CQEMString: shared within one database, else copied. Every other
  // form copies into this string's database (the forms from a char, a text
  // or unsigned chars, appending (+=) and concatenation (+), which builds a
  // transient result, are FwStringCore's).
  using FwStringCore::operator=;
  const CQEMString& operator=(const CQEMString& source);
  const CQEMString& operator=(LPCWSTR text);

  // Substrings; negative or too large counts and indexes are clamped. The
  // result's buffer is allocated in the database of the result object.
  CQEMString Mid(int first) const;
  CQEMString Mid(int first, int count) const;
  CQEMString Left(int count) const;
  CQEMString Right(int count) const;

  // printf formatting (Format and FormatMessage are FwStringCore's); the
  // result may be of any length.
  void FormatV(LPCTSTR format, va_list args);
  // Loads string id; FALSE (text unchanged) when there is none.
  BOOL LoadString(UINT id);
  BSTR AllocSysString() const;
  BSTR SetSysString(BSTR* target) const;

  // The empty buffer of the database holding p ("__afxDataNil", made on
  // first need), or the framework's empty buffer outside every database.
  static CStringData* _afxDataNil(const void* p);

 protected:
  friend class FwStringCore<CQEMString, QemStringBuffers>;
  // The message formatting (%1..%99, see CString::FormatMessageV) of the
  // framework string, copied into this string's database.
  void FormatMessageV(LPCTSTR format, va_list args);
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

// 1 for an address inside a database; else whether the text can be read,
// length characters of it (-1: up to and with its NUL).
BOOL AfxQEMIsValidString(const char* text, int length = -1);
BOOL AfxQEMIsValidString(const unsigned short* text, int length = -1);
// 1 for an address inside a database; else 0 for null or when the size
// bytes at p cannot be read (or, with writable, written), 1 otherwise.
BOOL AfxQEMIsValidAddress(const void* p, UINT size, BOOL writable = TRUE);
// Copies string id into buffer (cut at size - 1 bytes); the count of bytes
// copied, 0 with an empty buffer when there is none.
int AfxQEMLoadString(UINT id, char* buffer, UINT size);
