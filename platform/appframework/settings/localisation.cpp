// Dialog localisation, number conversion, language codes and the currency
// symbol.
#include "localisation.h"

#include <locale.h>
#include <stdlib.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "fw_mbs.h"
#include "text_table.h"

CString LoadResString(UINT id) {
  CString text;
  text.LoadString(id);
  return text;
}

CString GetLocalizedControlText(FwWindow& window) {
  CString text = window.GetWindowText();
  int comma = text.ReverseFind(',');
  if (comma < 0) return CString();
  CString suffix = text.Mid(comma + 1);
  suffix.TrimLeft();
  suffix.TrimRight();
  int number = std::atoi(suffix);
  if (number <= 0) return CString();  // no digits, "0", or a number no string can have
  return LoadResString(static_cast<UINT>(number));
}

void LocalizeWindowText(FwWindow& window) {
  CString translated = GetLocalizedControlText(window);
  if (!translated.IsEmpty()) window.SetWindowText(translated);
}

BOOL LocalizeChildProc(FwWindow& window) {
  LocalizeWindowText(window);
  return TRUE;
}

void LocalizeDialogTexts(FwWindow& dialog) {
  LocalizeWindowText(dialog);
  dialog.EnumChildWindows(LocalizeChildProc);
}

double StrToDouble(LPCTSTR text) {
  std::string number = text == nullptr ? "" : text;
  for (char& c : number) {
    if (c == ',') c = '.';
  }
  // Read in the "C" locale whatever the process's locale is.
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return strtod_l(number.c_str(), nullptr, c_locale);
}

CString GetLocaleLanguageOf(LCID locale) {
  FwLocaleData data;
  return FwGetLocaleData(locale, &data) ? data.englishLanguage : CString();
}

CString GetLocaleLanguage() { return GetLocaleLanguageOf(LOCALE_USER_DEFAULT); }

namespace {

struct LanguageCode {
  WORD id;
  const char* code;
};

// Searched in this order; the first match wins (so 0x0807 finds "de-ch"
// before "de"). 0x002B gives "iw".
const LanguageCode kLanguageCodes[] = {
    {0x0001, "ar"}, {0x002B, "iw"}, {0x0804, "zh-cn"}, {0x0404, "zh-tw"}, {0x001A, "hr"}, {0x0006, "da"},
    {0x0013, "nl"}, {0x0809, "en-gb"}, {0x0009, "en"}, {0x0025, "et"},    {0x0029, "fa"}, {0x000B, "fi"},
    {0x000C, "fr"}, {0x0807, "de-ch"}, {0x0007, "de"}, {0x0008, "el"},    {0x000D, "he"}, {0x000E, "hu"},
    {0x0010, "it"}, {0x0011, "ja"},    {0x0012, "ko"}, {0x003E, "ms"},    {0x0014, "no"}, {0x0015, "pl"},
    {0x0016, "pt"}, {0x0019, "ru"},    {0x001B, "sk"}, {0x000A, "es"},    {0x001D, "sv"}, {0x001E, "th"},
    {0x001F, "tr"}, {0x002A, "vi"},
};

}  // namespace

const char* LanguageCodeFromLangId(UINT id) {
  if (id == 1024) id = FwThreadLangId();
  id &= 0xFFFF;
  for (const LanguageCode& row : kLanguageCodes) {
    if ((row.id & 0x3FF) != (id & 0x3FF)) continue;
    if (id < 1024 || (row.id >> 10) == (id >> 10) || row.id < 1024) return row.code;
  }
  return "en";
}

CString GetLocaleIntlSymbolPrefix(LCID locale) {
  FwLocaleData data;
  if (!FwGetLocaleData(locale, &data)) return CString();
  return data.intlCurrency.Left(3);
}

CString StripTrailingSlash(const CString& text) {
  int length = text.GetLength();
  return length > 0 && text[length - 1] == '/' ? text.Left(length - 1) : text;
}

CTextTable& GetCurrencySymTable() {
  static CTextTable table;
  if (!table.IsLoaded()) {
    table.SetName("CurrencySym");
    table.Load(0);
  }
  return table;
}

CString GetLocaleCurrencySymbol() {
  CString code = GetLocaleIntlSymbolPrefix(LOCALE_USER_DEFAULT);
  CTextTable& table = GetCurrencySymTable();
  CString symbol = StripTrailingSlash(table.Lookup(code));
  if (symbol.IsEmpty()) symbol = StripTrailingSlash(table.Lookup("USD"));
  return symbol;
}
