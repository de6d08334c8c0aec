// CString: the framework's reference-counted byte string. The object is one
// pointer to the characters; the 12 bytes before them are the buffer header
// CStringData. Copies share a buffer (copy-on-write, interlocked counts);
// every empty string points at one process-wide empty buffer whose count is
// -1. Persistent strings are read through a CString reference, so the layout
// below is fixed.
#pragma once

#include <cstdarg>

#include "fw_string_core.h"

// The process-wide empty buffer every empty CString points at (its
// characters, 12 bytes after the header).
CStringData* AfxGetEmptyStringData();

// Tells whether a buffer is one this library did not allocate (a database
// block read through a CString reference). Such a buffer is never shared by
// a CString, only copied, so a CString never frees it. Null: every buffer
// with a count of 0 or more may be shared.
typedef bool (*FwForeignBufferTest)(const CStringData* data);
void AfxSetForeignStringBufferTest(FwForeignBufferTest test);

// Where framework strings keep their buffers: the heap, and the one empty
// buffer.
struct FwHeapStringBuffers {
  static CStringData* empty_buffer(const void*) { return AfxGetEmptyStringData(); }
  static bool is_empty_buffer(const CStringData* data) { return data == AfxGetEmptyStringData(); }
  static CStringData* allocate(unsigned bytes, const void* owner);
  static void free_buffer(CStringData* data);
};

class CString : public FwStringCore<CString, FwHeapStringBuffers> {
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
  ~CString() = default;

  // Assignment from a char, a text or unsigned chars, appending (+=) and
  // concatenation (+) are FwStringCore's.
  using FwStringCore::operator=;
  const CString& operator=(const CString& source);
  const CString& operator=(LPCWSTR text);

  // Substrings; out-of-range counts and indexes are clamped.
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Left(int count) const;
  CString Right(int count) const;

  // Replaces every old character or text by the new one (a text: left to
  // right, without overlaps); returns the count replaced.
  int Replace(char oldChar, char newChar);
  int Replace(LPCTSTR oldText, LPCTSTR newText);
  // Removes every ch; returns the count removed.
  int Remove(char ch);

  // printf formatting (Format is FwStringCore's); the result may be of any
  // length.
  void FormatV(LPCTSTR format, va_list args);
  // FormatMessage (FwStringCore's) inserts %1..%99 (optionally %n!printf-format!, default
  // !s!); %% gives %, %0 ends the text, %n gives a line feed, %r a CR, %t a
  // tab, and any other character after a percent sign (%. %! "% ") itself.
  // Throws CMemoryException for an insert format without its closing '!'.
  void FormatMessageV(LPCTSTR format, va_list args);
  // Loads string id of the current language; FALSE (text unchanged) when the
  // string tables hold none.
  BOOL LoadString(UINT id);

  // A new system string holding this text in 16-bit characters.
  BSTR AllocSysString() const;
  // Replaces *target (freed first) by this text as a system string.
  BSTR SetSysString(BSTR* target) const;
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
