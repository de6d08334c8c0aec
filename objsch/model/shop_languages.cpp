// Finding the shop's languages: the allowed-language entries of the shop
// information, the default language position, and the language record a
// lookup means.
#include <cstdlib>

#include "dv_cursor.h"
#include "lang_items.h"
#include "root.h"
#include "shop_state.h"
#include "singleton_pool.h"

ShopInfo_Lang* g_pCurrentLangRecord = nullptr;

int CSingletonPool::GetDefLanguage() {
  if (g_bOldShopFormat || g_pShopPool == nullptr) return 0;
  return static_cast<int>(g_pShopPool->m_nDefLanguage);
}

int ShopInfo::GetDefLanguagePos() { return std::atoi(*m_settings.GetAt(3)); }

CActiveLanguage* ShopInfo::GetActiveLanguage() {
  int position = GetDefLanguagePos();
  if (position < 0 || static_cast<unsigned>(position) >= m_aLanguagesAllowed->cardinality()) return nullptr;
  CActiveLanguage* entry = m_aLanguagesAllowed->retrieve(static_cast<unsigned>(position));
  entry->SetActive(TRUE);
  return entry;
}

ShopInfo_Lang* ShopInfo::GetLanguageRecord(int index) {
  if (index == -1) index = CSingletonPool::GetDefLanguage();
  unsigned count = m_aLanguagesAllowed->cardinality();
  if (count == 0) return nullptr;
  if (index < 0 || static_cast<unsigned>(index) >= count) index = 0;
  return m_aLanguagesAllowed->retrieve(static_cast<unsigned>(index))->GetLanguage();
}

ShopInfo_Lang* ShopLanguageRecord(int language) {
  if (g_pShopRoot == nullptr) return g_pCurrentLangRecord;
  ShopInfo& info = g_pShopRoot->m_sShopInfo;
  if (language != -1) return info.GetLanguageRecord(language);
  if (CActiveLanguage* active = info.GetActiveLanguage()) return active->GetLanguage();
  return info.GetLanguageRecord(CSingletonPool::GetDefLanguage());
}

ShopInfo_Lang* ShopLanguageRecord(const CActiveLanguage* language) {
  if (language != nullptr) return language->GetLanguage();
  if (g_pShopRoot == nullptr) return g_pCurrentLangRecord;
  CActiveLanguage* active = g_pShopRoot->m_sShopInfo.GetActiveLanguage();
  return active != nullptr ? active->GetLanguage() : nullptr;
}
