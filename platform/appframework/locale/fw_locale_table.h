// The built-in locale table: one row per (language, territory) the program
// knows, with the Windows language identifier and the locale data used when
// the C library has no such locale installed.
#pragma once

#include "fw_types.h"

struct FwLocaleRow {
  const char* language;   // ISO 639 code as in locale names ("de")
  const char* territory;  // ISO 3166 code ("AT"); the first row of a language is its default
  WORD langId;
  const char* englishLanguage;
  const char* decimalSeparator;
  const char* listSeparator;
  const char* intlCurrency;
  int currencyDigits;
};

extern const FwLocaleRow fw_locale_rows[];
extern const int fw_locale_row_count;
