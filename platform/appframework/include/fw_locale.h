// The user's locale as the program sees it: a Windows-style language
// identifier, the language's English name, and the numeric and currency data
// of the locale. The locale is named by LC_ALL, LC_MESSAGES or LANG (the
// first that is set and not empty; "C" and "POSIX" mean US English), or by
// an override for tests. The C library's global locale is never changed, so
// number parsing and printing stay in the "C" locale.
#pragma once

#include "fw_string.h"

typedef DWORD LCID;
typedef WORD LANGID;

// The thread's (the user's) locale, as an identifier argument.
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LANGID LANG_ENGLISH_US = 0x0409;

struct FwLocaleData {
  LANGID langId;             // primary language in bits 0-9, sub-language above
  CString englishLanguage;   // "German"; empty when the locale is unknown
  CString decimalSeparator;  // "." or ","
  CString listSeparator;     // "," or ";"
  CString intlCurrency;      // international currency symbol, "EUR"
  int currencyDigits;        // digits after the decimal point of amounts
};

// Replaces the locale name taken from the environment (null: back to the
// environment).
void FwSetLocaleOverride(LPCTSTR localeName);
// The name the thread locale comes from ("de_DE.UTF-8", "C").
CString FwThreadLocaleName();
// The thread locale's identifier; an unknown language gives US English.
LANGID FwThreadLangId();
// The language identifier of a locale name ("de_AT" gives 0x0C07); an
// unknown language gives US English.
LANGID FwLangIdOfLocaleName(LPCTSTR localeName);
// Data of the locale with identifier id (LOCALE_USER_DEFAULT: the thread
// locale): from the C library when it has that locale installed, else from
// the program's built-in table. False when the identifier is unknown.
bool FwGetLocaleData(LCID id, FwLocaleData* data);
