// The program's string tables: one per language identifier, built into the
// library from the text files under data/strings. A string is chosen from
// the table of the current language (the thread locale's, or the override),
// then from a table of the same primary language, then from English.
#pragma once

#include "fw_types.h"

// The text of string id, with its length in bytes; null when no table in
// the fallback order holds it.
const char* FwFindString(UINT id, int* length);
// The language whose table is tried first; 0 (the default) follows the
// thread locale.
void FwSetStringLanguage(WORD langId);
// Copies string id into buffer (cut at size - 1 bytes, NUL-terminated) and
// returns the count of bytes copied; 0 with an empty buffer when there is no
// such string.
int AfxLoadString(UINT id, char* buffer, UINT size);
