// HTML language codes and region tables of shop languages.
#include "shop_language_texts.h"

#include "app_settings.h"
#include "lang_items.h"
#include "shop_info.h"

CString GetHtmlLanguage(const ShopInfo_Lang* language) {
  return language != nullptr ? GetHtmlLanguage(static_cast<LPCTSTR>(language->GetLangName())) : CString();
}

CString GetHtmlLanguage(const CActiveLanguage* language) {
  return GetHtmlLanguage(language != nullptr ? language->GetLanguage() : nullptr);
}

CTextTable& GetRegionsTable(const ShopInfo_Lang* language) { return GetRegionsTable(GetHtmlLanguage(language)); }
