// Departments: creation, the tree, ids, names and the type word.
#include "department.h"

#include "default_texts.h"

#include "lang_lookup.h"
#include "root.h"
#include "shop_lists.h"

_ShopEntity::_ShopEntity(BOOL persistent)
    : m_strName(persistent), m_strLogo(persistent), m_strDescription(persistent), m_nWords{0, 0, 0}, m_nState(0) {}

Department_Lang::Department_Lang(BOOL persistent)
    : m_nSize(sizeof(Department_Lang)), m_strName(persistent), m_strLogo(persistent), m_strDescription(persistent),
      m_strURLLink(persistent), m_strHtmlCode(persistent), m_strIntro(persistent), m_pLanguage(nullptr), m_nWord(0),
      m_strings(0, persistent), m_flags(4), m_pList(objsch::NewList<void>(persistent)) {}

Department::Department(BOOL persistent)
    : _ShopEntity(persistent), m_nSize(sizeof(Department)), m_pSearchEngine(nullptr),
      m_pListA(objsch::NewList<void>(persistent)), m_pListB(objsch::NewList<void>(persistent)),
      m_pLangItems(objsch::NewList<Department_Lang>(persistent)), m_pProducts(objsch::NewList<Product>(persistent)),
      m_pChildren(objsch::NewList<Department>(persistent)), m_pRelated(objsch::NewList<Department>(persistent)),
      m_pShortcuts(objsch::NewList<Product>(persistent)),
      m_pQuestionnaire(objsch::NewList<CQuestionaire>(persistent)), m_pListD(objsch::NewList<void>(persistent)),
      m_pListE(objsch::NewList<void>(persistent)), m_pLinks(objsch::NewList<CLinkInfo>(persistent)), m_nID(0),
      m_nSortListBy(0), m_ulDeptType(kOrdinary), m_nFlags2(0), m_wallInfo(persistent), m_styles(persistent),
      m_nDiscount(0), m_nWord(0), m_strText1(persistent), m_history(persistent), m_pDeptParent(nullptr),
      m_strText2(persistent), m_strings(1, persistent), m_flags(4), m_pListF(objsch::NewList<void>(persistent)) {
  m_strings.Fill();
  auto* item = objsch::NewObject<Department_Lang>(objsch::IsPersistent(this), objsch::IsPersistent(this));
  AssignDefaultText::ShopTitle(item->m_strName.GetString());
  AddLangItem(item, this, -1);
  SetUsesLogo(1);
  Touch();
}

Department* Department::CreateNew(BOOL persistent) {
  Department* department = objsch::NewObject<Department>(persistent, persistent);
  department->SetDeptType(1);
  return department;
}

void Department::Touch() {
  const COleDateTime& now = GetNow();
  m_history.GetLastChange().SetDate(now);
  TouchShop(now);
}

void Department::SetParent(Department* parent) {
  m_pDeptParent = parent;
  Touch();
}

objsch::dv4u Department::AddToParent(Department* parent) {
  SetParent(parent);
  if (parent->m_pChildren->contains(this)) {
    SetParent(parent);
    return m_nID;
  }
  parent->m_pChildren->insert_last(this);
  parent->Touch();
  return AssignId();
}

objsch::dv4u Department::AddToShop() {
  Department* myShop = g_pShopRoot->GetSpecialDept(Root::kMyShopDept);
  myShop->m_pChildren->insert_last(this);
  m_pDeptParent = myShop;
  TouchShop(GetNow());
  return AssignId();
}

objsch::dv4u Department::AssignId() {
  if (!g_bOldShopFormat && m_nID != 0) {
    Touch();
    return m_nID;
  }
  m_nID = static_cast<objsch::dv4u>(
      g_pShopRoot->DrawId(IsSecondFamily() ? Root::kSecondFamilyDepartmentIds : Root::kDepartmentIds));
  Touch();
  return m_nID;
}

Department_Lang* Department::GetLangItem(int language, BOOL create) {
  return objsch::FindLangItem(m_pLangItems, ShopLanguageRecord(language), create, [this] {
    BOOL persistent = objsch::IsPersistent(this);
    return objsch::NewObject<Department_Lang>(persistent, persistent);
  });
}

void Department::GetName(CString& text, int language) {
  Department_Lang* item = GetLangItem(language, FALSE);
  text = item != nullptr ? CString(static_cast<LPCSTR>(item->m_strName)) : CString();
}

void Department::SetName(LPCSTR text, int language) {
  if (Department_Lang* item = GetLangItem(language, TRUE)) item->m_strName = text;
  if (language == 0) m_strName = text;
  Touch();
}

void Department::AddLangItem(Department_Lang* item, Department* department, int language) {
  if (g_pShopRoot != nullptr) item->SetLanguage(g_pShopRoot->m_sShopInfo.GetLanguageRecord(language));
  department->m_pLangItems->insert_last(item);
}

void Department::SetTypeBits(BOOL on, objsch::dv4u mask) {
  if (on == 1)
    m_ulDeptType |= mask;
  else
    m_ulDeptType &= ~mask;
  Touch();
}

void Department::SetDeptKind(BOOL on, objsch::dv4u mask) {
  m_ulDeptType &= ~static_cast<objsch::dv4u>(kKindMask);
  SetTypeBits(on, mask);
}

BOOL Department::IsSpecial() const {
  switch (m_ulDeptType & 0x1ffff) {
    case 0x12001: case 0x12002: case 0x12003: case 0x12004: case 0x12006: case 0x12007: case 0x12008:
      return TRUE;
    default:
      return FALSE;
  }
}

void Department::SetUsesLogo(BOOL on) {
  m_nFlags2 &= ~0xfu;
  if (on == 1) m_nFlags2 |= 1;
  Touch();
}
