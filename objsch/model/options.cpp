// Option sets, options and choices.
#include "options.h"

#include "lang_lookup.h"
#include "default_texts.h"
#include "qem_string.h"
#include "root.h"
#include "shop_lists.h"

namespace {

// A new language item of the default language (none in a shop of the older
// format, where items are not tied to languages).
template <class Owner>
TAltNameLangPtr<Owner>* NewItem(BOOL persistent, BOOL stringsPersistent) {
  auto* item = objsch::NewObject<TAltNameLangPtr<Owner>>(persistent, persistent, stringsPersistent);
  if (g_pShopRoot != nullptr && !g_bOldShopFormat)
    item->SetLanguage(g_pShopRoot->m_sShopInfo.GetLanguageRecord(static_cast<int>(g_pShopRoot->m_nDefLanguage)));
  else
    item->SetLanguage(ShopLanguageRecord(-1));
  return item;
}

template <class Owner>
void FreeItems(dv_qem::dv_List<TAltNameLangPtr<Owner>>*& items) {
  if (items == nullptr) return;
  while (auto* item = items->remove_last()) {
    item->Destroy();
    dv_qem::durnavel::free_memory(item);
  }
  objsch::DestroyList(items);
}

template <class Owner>
TAltNameLangPtr<Owner>* FindItem(Owner* owner, dv_qem::dv_List<TAltNameLangPtr<Owner>>* items, int language,
                                 BOOL create) {
  return objsch::FindLangItem(items, ShopLanguageRecord(language), create, [owner] {
    BOOL persistent = objsch::IsPersistent(owner);
    return objsch::NewObject<TAltNameLangPtr<Owner>>(persistent, persistent, persistent);
  });
}

}  // namespace

_CatStruct::_CatStruct(BOOL persistent, BOOL defaultOptions)
    : m_nSize(sizeof(_CatStruct)), m_pOptions(objsch::NewList<COption>(persistent)),
      m_pList(objsch::NewList<void>(persistent)) {
  for (int i = 0; defaultOptions && i < 4; ++i) {
    COption* option = COption::CreateNew(objsch::IsPersistent(this));
    CQEMString name;
    AssignDefaultText::OptionName(name, i);
    option->SetName(static_cast<LPCSTR>(*name), 0);
    m_pOptions->insert_last(option);
  }
}

COption::COption(BOOL persistent)
    : m_nSize(sizeof(COption)), m_nID(0), m_nFlags(0x10010000), m_nWords{0, 0, 0}, m_strText(persistent), m_nWord(0),
      m_nNumbers{200, 25, 3}, m_pItems(objsch::NewList<TAltNameLangPtr<COption>>(persistent)),
      m_aChoices(objsch::NewList<CChoice>(persistent)), m_pList(objsch::NewList<void>(persistent)) {
  m_pItems->insert_last(NewItem<COption>(persistent, TRUE));
}

COption::~COption() {
  if (g_pShopRoot != nullptr) g_pShopRoot->m_aAllOptions->remove(this);
  FreeItems(m_pItems);
  while (CChoice* choice = m_aChoices->remove_last()) {
    if (g_pShopRoot != nullptr) g_pShopRoot->m_aAllChoices->remove(choice);
    FreeItems(choice->m_pItems);
    choice->m_strOrderNo.DestroyString();
    choice->m_strCombined.DestroyString();
    dv_qem::durnavel::free_memory(choice);
  }
  objsch::DestroyList(m_aChoices);
  objsch::DestroyList(m_pList);
  m_strText.DestroyString();
}

COption* COption::CreateNew(BOOL persistent) { return objsch::NewObject<COption>(persistent, persistent); }

TAltNameLangPtr<COption>* COption::GetLangItem(int language, BOOL create) {
  return FindItem(this, m_pItems, language, create);
}

void COption::SetName(LPCSTR text, int language) {
  if (auto* item = GetLangItem(language, TRUE)) item->SetName(text);
}

void COption::GetName(CString& text, int language) {
  auto* item = GetLangItem(language, FALSE);
  text = item != nullptr ? item->GetName() : CString();
}

objsch::dv4u COption::AddToCatStruct(_CatStruct* options) {
  objsch::dv4u id = objsch::RegisterById(
      g_pShopRoot->m_aAllOptions, this, [](COption* o) { return o->m_nID; },
      [](COption* o, objsch::dv4u value) { o->m_nID = value; }, [] { return g_pShopRoot->DrawId(Root::kOptionIds); });
  if (!options->m_pOptions->contains(this)) options->m_pOptions->insert_last(this);
  return id;
}

CChoice::CChoice(BOOL persistent)
    : m_nSize(sizeof(CChoice)), m_fPrice(0.0), m_strOrderNo(persistent), m_fWeight(0.0), m_strCombined(persistent),
      m_nID(0), m_fHeight(0.0), m_fWidth(0.0), m_fLength(0.0), m_fVolume(0.0),
      m_pItems(objsch::NewList<TAltNameLangPtr<CChoice>>(persistent)) {
  m_pItems->insert_last(NewItem<CChoice>(persistent, persistent));
}

CChoice* CChoice::CreateNew(BOOL persistent) { return objsch::NewObject<CChoice>(persistent, persistent); }

TAltNameLangPtr<CChoice>* CChoice::GetLangItem(int language, BOOL create) {
  return FindItem(this, m_pItems, language, create);
}

void CChoice::SetName(LPCSTR text, int language) {
  if (auto* item = GetLangItem(language, TRUE)) item->SetName(text);
}

void CChoice::GetName(CString& text, int language) {
  auto* item = GetLangItem(language, FALSE);
  text = item != nullptr ? item->GetName() : CString();
}

objsch::dv4u CChoice::AddToOption(COption* option) {
  objsch::dv4u id = objsch::RegisterById(
      g_pShopRoot->m_aAllChoices, this, [](CChoice* c) { return c->m_nID; },
      [](CChoice* c, objsch::dv4u value) { c->m_nID = value; }, [] { return g_pShopRoot->DrawId(Root::kChoiceIds); });
  if (!option->m_aChoices->contains(this)) option->m_aChoices->insert_last(this);
  return id;
}
