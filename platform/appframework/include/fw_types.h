// The framework's basic types, with the widths the program's stored records
// and the framework's classes are written against (32-bit x86).
#pragma once

#include <cstddef>
#include <cstdint>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned long DWORD;
typedef unsigned int UINT;
typedef long LONG;
typedef char TCHAR;
typedef char* LPTSTR;
typedef const char* LPCTSTR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef LONG HRESULT;
typedef LONG SCODE;

// 16-bit characters of system strings (BSTR) and wide texts.
typedef unsigned short OLECHAR;
typedef OLECHAR* BSTR;
typedef const OLECHAR* LPCWSTR;

// Day number of the framework's date-time: days since 30 December 1899, the
// fraction of the day in the fractional part.
typedef double DATE;

// An opaque position inside a list or map; null ends an iteration.
struct __POSITION {};
typedef __POSITION* POSITION;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

static_assert(sizeof(DWORD) == 4, "the framework's DWORD is 32 bits");
static_assert(sizeof(void*) == 4, "the framework's layouts are those of a 32-bit build");
