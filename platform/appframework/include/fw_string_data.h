// CStringData: the header of a string buffer, shared by the framework string
// and the persistent string (a persistent string is read through a framework
// string reference, so this layout is fixed). The characters and their NUL
// follow the header.
#pragma once

#include <cstddef>

#include "fw_types.h"

struct CStringData {
  long nRefs;        // strings sharing the buffer; -1 = locked, or an empty buffer
  int nDataLength;   // length in bytes without the NUL
  int nAllocLength;  // capacity in bytes without the NUL
  char* data() { return reinterpret_cast<char*>(this + 1); }
};
static_assert(sizeof(CStringData) == 12, "string buffer header is 12 bytes");
static_assert(offsetof(CStringData, nRefs) == 0);
static_assert(offsetof(CStringData, nDataLength) == 4);
static_assert(offsetof(CStringData, nAllocLength) == 8);
