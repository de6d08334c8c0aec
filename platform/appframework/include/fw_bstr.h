// System strings (BSTR): 16-bit characters with their byte length in the
// 32-bit word before the first character and a 16-bit NUL after the last.
#pragma once

#include "fw_types.h"

// A new system string of length characters copied from text (null: left
// zeroed); null when out of memory.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
BSTR SysAllocString(const OLECHAR* text);
// Replaces *target by a new string of length characters; FALSE (and *target
// unchanged) when out of memory.
BOOL SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
// Length in characters (0 for null).
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);
