// Default texts of new shop objects.
#include "default_texts.h"

#include "app_settings.h"
#include "localisation.h"
#include "my_string.h"
#include "qem_string.h"

namespace {

void Assign(CQEMString& text, LPCSTR value) { text = value != nullptr ? value : ""; }

void AssignString(CQEMString& text, UINT id) {
  // Copied through a plain string: the caller's string lives in its own
  // database and must never share the reused default buffer.
  CString copy(static_cast<LPCSTR>(*LoadDefaultTextString(id)));
  Assign(text, copy);
}

}  // namespace

const CQEMString& LoadDefaultTextString(UINT id) {
  static CMyString text(FALSE);
  text = LoadResString(id);
  return text.GetString();
}

void AssignDefaultText::ShopTitle(CQEMString& text) { AssignString(text, 51498); }
void AssignDefaultText::DepartmentName(CQEMString& text) { AssignString(text, 51499); }
void AssignDefaultText::ProductName(CQEMString& text) { AssignString(text, 51500); }
void AssignDefaultText::Currency(CQEMString& text) { Assign(text, theDefaultSettings.m_strCurrency); }
void AssignDefaultText::LanguageName(CQEMString& text) { Assign(text, theDefaultSettings.m_strLanguage); }
void AssignDefaultText::DisplayStyleName(CQEMString& text) { Assign(text, "Default"); }

void AssignDefaultText::ShippingMethodName(CQEMString& text, int method) {
  if (method >= 0 && method < 3) AssignString(text, 32903 + method);
}

void AssignDefaultText::OptionName(CQEMString& text, int option) {
  if (option >= 0 && option < 4) AssignString(text, 32906 + option);
}

CString GetSpecialDeptDefaultName(unsigned id) {
  static const UINT strings[] = {32911, 32912, 32918, 32914, 32915, 32916, 32917};
  const unsigned index = id - 0x22001;
  return static_cast<LPCSTR>(*LoadDefaultTextString(index < 7 ? strings[index] : strings[0]));
}
