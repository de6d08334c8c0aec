// Speaking the user's language: strings of the current language, dialog
// texts that end in ",NNNN" replaced by string NNNN, user-typed numbers,
// the locale's language name and code, and its currency symbol. Nothing here
// fails loudly: a missing string, locale datum, table file or key gives an
// empty text (or "en" for a language code).
#pragma once

#include "fw_locale.h"
#include "fw_string.h"
#include "fw_window.h"

class CTextTable;

// String id of the current language; empty when there is none.
CString LoadResString(UINT id);

// The window's text translated: the text after its last ',' (blanks
// trimmed) read as a decimal number N, and string N; empty when there is no
// ',', N is 0 or not a number, or string N is missing.
CString GetLocalizedControlText(FwWindow& window);
// Sets the window's text to its translation when that is not empty.
void LocalizeWindowText(FwWindow& window);
// Translates one window; always asks for the next (TRUE).
BOOL LocalizeChildProc(FwWindow& window);
// Translates the dialog's own caption, then every descendant window.
void LocalizeDialogTexts(FwWindow& dialog);

// The text with every ',' taken as '.', converted as far as it reads as a
// number (0.0 when it does not begin with one).
double StrToDouble(LPCTSTR text);

// English name of the thread locale's language ("German"); empty when
// unknown.
CString GetLocaleLanguage();
CString GetLocaleLanguageOf(LCID locale);
// The short language code of a Windows language identifier ("de",
// "de-ch", "en-gb"); 1024 means the thread locale's. Unknown: "en".
const char* LanguageCodeFromLangId(UINT id);
// The first three characters of the locale's international currency symbol
// ("USD"), or empty.
CString GetLocaleIntlSymbolPrefix(LCID locale);
// The text without one trailing '/'.
CString StripTrailingSlash(const CString& text);
// The currency symbol for the user's locale from the CurrencySym table (the
// row of the locale's currency code, else of "USD"); empty when neither.
CString GetLocaleCurrencySymbol();
// The process-wide CurrencySym table, (re)loaded with key column 0 whenever
// it holds no rows.
CTextTable& GetCurrencySymTable();
