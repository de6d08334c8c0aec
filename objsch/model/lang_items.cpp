// Language items, multi-language texts, pictures and allowed-language
// entries.
#include "lang_items.h"

#include "durnavel.h"
#include "lang_lookup.h"
#include "shop_lists.h"

using objsch::IsPersistent;

namespace {

// Destroys a language item's texts and list and frees it.
template <class Item>
void FreeItem(Item* item) {
  item->Destroy();
  dv_qem::durnavel::free_memory(item);
}

}  // namespace

// ---- CNameLangPtr -------------------------------------------------------------

CNameLangPtr::CNameLangPtr(BOOL persistent, BOOL stringsPersistent)
    : m_nSize(sizeof(CNameLangPtr)), m_strName(stringsPersistent), m_ptrSil(nullptr), m_bFlag(1),
      m_pList(objsch::NewList<void>(persistent)) {}

void CNameLangPtr::Destroy() {
  m_strName.DestroyString();
  objsch::DestroyList(m_pList);
}

void CNameLangPtr::CopyFrom(const CNameLangPtr& other) {
  m_strName = other.m_strName;
  m_ptrSil = other.m_ptrSil;
  m_bFlag = other.m_bFlag;
}

// ---- CMLText ------------------------------------------------------------------

CMLText::CMLText(BOOL persistent) : m_nWord(0), m_pItems(objsch::NewList<CNameLangPtr>(persistent)) {
  CNameLangPtr* item = objsch::NewObject<CNameLangPtr>(persistent, persistent, persistent);
  item->SetLanguage(ShopLanguageRecord(-1));
  m_pItems->insert_last(item);
}

CMLText::CMLText(BOOL persistent, no_items_t) : m_nWord(0), m_pItems(objsch::NewList<CNameLangPtr>(persistent)) {}

CMLText::~CMLText() {
  CleanUp();
  objsch::DestroyList(m_pItems);
}

void CMLText::CleanUp() {
  if (m_pItems == nullptr) return;
  while (CNameLangPtr* item = m_pItems->remove_last()) FreeItem(item);
}

void CMLText::Assign(const CMLText& other) {
  if (this == &other) return;
  CleanUp();
  BOOL persistent = IsPersistent(this);
  dv_qem::dv_cursor cursor(*other.m_pItems);
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) {
    CNameLangPtr* copy = objsch::NewObject<CNameLangPtr>(persistent, persistent, persistent);
    copy->CopyFrom(*static_cast<CNameLangPtr*>(e));
    m_pItems->insert_last(copy);
  }
}

CNameLangPtr* CMLText::GetLangItem(int language, BOOL create) {
  return objsch::FindLangItem(m_pItems, ShopLanguageRecord(language), create, [this] {
    BOOL persistent = IsPersistent(this);
    return objsch::NewObject<CNameLangPtr>(persistent, persistent, persistent);
  });
}

CNameLangPtr* CMLText::GetLangItem(const CActiveLanguage* language, BOOL create) {
  return objsch::FindLangItem(m_pItems, ShopLanguageRecord(language), create, [this] {
    BOOL persistent = IsPersistent(this);
    return objsch::NewObject<CNameLangPtr>(persistent, persistent, persistent);
  });
}

CString CMLText::GetText(int language) {
  CNameLangPtr* item = GetLangItem(language, FALSE);
  return item != nullptr ? item->GetName() : CString();
}

void CMLText::SetText(LPCSTR text, int language) {
  if (CNameLangPtr* item = GetLangItem(language, TRUE)) item->SetName(text);
}

// ---- CPictureInfo -------------------------------------------------------------

CPictureInfo::CPictureInfo(BOOL persistent)
    : usSize(sizeof(CPictureInfo)), nOptions(0x8010), m_strText(persistent),
      m_pItems(objsch::NewList<TAltNameLangPtr<CPictureInfo>>(persistent)) {
  auto* item = objsch::NewObject<TAltNameLangPtr<CPictureInfo>>(persistent, persistent, persistent);
  item->SetLanguage(ShopLanguageRecord(-1));
  m_pItems->insert_last(item);
}

CPictureInfo::~CPictureInfo() {
  if (m_pItems != nullptr)
    while (auto* item = m_pItems->remove_last()) FreeItem(item);
  objsch::DestroyList(m_pItems);
  m_strText.DestroyString();
}

TAltNameLangPtr<CPictureInfo>* CPictureInfo::GetLangItem(int language, BOOL create) {
  return objsch::FindLangItem(m_pItems, ShopLanguageRecord(language), create, [this] {
    BOOL persistent = IsPersistent(this);
    return objsch::NewObject<TAltNameLangPtr<CPictureInfo>>(persistent, persistent, persistent);
  });
}

CString CPictureInfo::GetAltText(int language) {
  auto* item = GetLangItem(language, FALSE);
  return item != nullptr ? item->GetAltText() : CString();
}

CString CPictureInfo::GetAltText2(int language) {
  auto* item = GetLangItem(language, FALSE);
  return item != nullptr ? item->GetAltText2() : CString();
}

// ---- CFeatureInfo -------------------------------------------------------------

CFeatureInfo::CFeatureInfo(BOOL persistent)
    : m_nSize(sizeof(CFeatureInfo)), m_nOptions(0),
      m_pItems(objsch::NewList<TAltNameLangPtr<CFeatureInfo>>(persistent)) {
  auto* item = objsch::NewObject<TAltNameLangPtr<CFeatureInfo>>(persistent, persistent, persistent);
  item->SetLanguage(ShopLanguageRecord(-1));
  m_pItems->insert_last(item);
}

CFeatureInfo::~CFeatureInfo() {
  if (m_pItems != nullptr)
    while (auto* item = m_pItems->remove_last()) FreeItem(item);
  objsch::DestroyList(m_pItems);
}

TAltNameLangPtr<CFeatureInfo>* CFeatureInfo::GetLangItem(int language, BOOL create) {
  return objsch::FindLangItem(m_pItems, ShopLanguageRecord(language), create, [this] {
    BOOL persistent = IsPersistent(this);
    return objsch::NewObject<TAltNameLangPtr<CFeatureInfo>>(persistent, persistent, persistent);
  });
}

CString CFeatureInfo::GetAltText(int language) {
  auto* item = GetLangItem(language, FALSE);
  return item != nullptr ? item->GetAltText() : CString();
}

CString CFeatureInfo::GetAltText2(int language) {
  auto* item = GetLangItem(language, FALSE);
  return item != nullptr ? item->GetAltText2() : CString();
}

// ---- CActiveLanguage ----------------------------------------------------------

void CActiveLanguage::SetActive(BOOL active) {
  BOOL flag = active ? 1 : 0;
  if (m_bActive != static_cast<objsch::dv4u>(flag)) m_bActive = flag;
}
