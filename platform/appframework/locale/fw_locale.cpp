// The user's locale: its name from the environment or the test override, its
// language identifier through the built-in table, and its data from the C
// library (a private locale object, never the global one) or the table.
#include "fw_locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "fw_locale_table.h"

namespace {

std::mutex override_mutex;
bool override_set = false;
std::string override_name;

struct ParsedName {
  std::string language;   // lower case
  std::string territory;  // upper case
};

// "de_AT.UTF-8@euro" -> {"de", "AT"}; "C" and "POSIX" -> {"en", "US"}.
ParsedName parse_locale_name(const char* name) {
  ParsedName parsed;
  std::string text = name == nullptr ? "" : name;
  if (text.empty() || text == "C" || text == "POSIX" || text.rfind("C.", 0) == 0) return {"en", "US"};
  size_t end = text.find_first_of(".@");
  if (end != std::string::npos) text.resize(end);
  size_t sep = text.find_first_of("_-");
  parsed.language = text.substr(0, sep);
  if (sep != std::string::npos) parsed.territory = text.substr(sep + 1);
  for (char& c : parsed.language) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : parsed.territory) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return parsed;
}

// The row of a language and territory: the exact one, else the language's
// default; null for an unknown language.
const FwLocaleRow* find_row(const ParsedName& name) {
  const FwLocaleRow* language_default = nullptr;
  for (int i = 0; i < fw_locale_row_count; ++i) {
    const FwLocaleRow& row = fw_locale_rows[i];
    if (name.language != row.language) continue;
    if (name.territory == row.territory) return &row;
    if (language_default == nullptr) language_default = &row;
  }
  return language_default;
}

// The row of an identifier: the exact one, else the first of its primary
// language; null when the primary language is unknown.
const FwLocaleRow* find_row(LANGID id) {
  const FwLocaleRow* primary = nullptr;
  for (int i = 0; i < fw_locale_row_count; ++i) {
    const FwLocaleRow& row = fw_locale_rows[i];
    if (row.langId == id) return &row;
    if (primary == nullptr && (row.langId & 0x3FF) == (id & 0x3FF)) primary = &row;
  }
  return primary;
}

// Overlays the data the C library holds for locale_name, when it has that
// locale installed.
void read_c_library_data(const std::string& locale_name, FwLocaleData* data) {
  locale_t loc = newlocale(LC_ALL_MASK, locale_name.c_str(), static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return;
  const char* radix = nl_langinfo_l(RADIXCHAR, loc);
  if (radix != nullptr && *radix != '\0') data->decimalSeparator = radix;
  const char* currency = nl_langinfo_l(INT_CURR_SYMBOL, loc);
  if (currency != nullptr && std::strlen(currency) >= 3) data->intlCurrency = CString(currency, 3);
  const char* digits = nl_langinfo_l(INT_FRAC_DIGITS, loc);
  if (digits != nullptr && static_cast<unsigned char>(digits[0]) <= 9) data->currencyDigits = digits[0];
  freelocale(loc);
}

}  // namespace

void FwSetLocaleOverride(LPCTSTR localeName) {
  std::lock_guard<std::mutex> guard(override_mutex);
  override_set = localeName != nullptr;
  override_name = localeName == nullptr ? "" : localeName;
}

CString FwThreadLocaleName() {
  {
    std::lock_guard<std::mutex> guard(override_mutex);
    if (override_set) return CString(override_name.c_str());
  }
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return CString(value);
  }
  return CString("C");
}

LANGID FwLangIdOfLocaleName(LPCTSTR localeName) {
  const FwLocaleRow* row = find_row(parse_locale_name(localeName));
  return row == nullptr ? LANG_ENGLISH_US : row->langId;
}

LANGID FwThreadLangId() { return FwLangIdOfLocaleName(FwThreadLocaleName()); }

bool FwGetLocaleData(LCID id, FwLocaleData* data) {
  std::string c_library_name;
  const FwLocaleRow* row;
  if (id == LOCALE_USER_DEFAULT) {
    CString name = FwThreadLocaleName();
    row = find_row(parse_locale_name(name));
    if (row == nullptr) row = find_row(LANG_ENGLISH_US);
    c_library_name = static_cast<LPCTSTR>(name);
  } else {
    row = find_row(static_cast<LANGID>(id & 0xFFFF));
    if (row == nullptr) return false;
    c_library_name = std::string(row->language) + "_" + row->territory + ".UTF-8";
  }
  data->langId = row->langId;
  data->englishLanguage = row->englishLanguage;
  data->decimalSeparator = row->decimalSeparator;
  data->listSeparator = row->listSeparator;
  data->intlCurrency = row->intlCurrency;
  data->currencyDigits = row->currencyDigits;
  read_c_library_data(c_library_name, data);
  return true;
}
