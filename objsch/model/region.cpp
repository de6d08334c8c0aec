// Regions and their details.
#include "region.h"

#include <set>
#include <vector>

#include "root.h"
#include "shipping_methods.h"
#include "shop_lists.h"

CRegion::CRegion(BOOL persistent)
    : CMLText(persistent, kNoItems), m_nRegionWord(0), m_nLevel(0), m_pLinked(nullptr), m_pDetails(nullptr) {}

CRegion* CRegion::Create(objsch::dv4u level, LPCSTR name, int language, BOOL persistent) {
  CRegion* region = objsch::NewObject<CRegion>(persistent, persistent);
  region->SetLevel(level);
  CNameLangPtr* item = objsch::NewObject<CNameLangPtr>(persistent, persistent, persistent);
  item->SetLanguage(ShopLanguageRecord(language));
  region->m_pItems->insert_last(item);
  region->SetText(name, language);
  return region;
}

CRegion::~CRegion() {
  CleanUp();
  if (g_pShopRoot != nullptr && g_pShopRoot->m_aRegions != nullptr) g_pShopRoot->m_aRegions->remove(this);
  objsch::DeleteObject(m_pDetails);
  m_pDetails = nullptr;
  // Each region of the chain once: the links are cut before any is freed,
  // so a chain that comes round (a damaged file) frees nothing twice.
  std::set<CRegion*> chain{this};
  std::vector<CRegion*> linked;
  for (CRegion* next = m_pLinked; next != nullptr && chain.insert(next).second; next = next->m_pLinked)
    linked.push_back(next);
  m_pLinked = nullptr;
  for (CRegion* region : linked) region->m_pLinked = nullptr;
  for (CRegion* region : linked) objsch::DeleteObject(region);
}

void CRegion::SetDetails(CRegionDetails* details) {
  m_pDetails = details;
  if (details == nullptr) return;
  details->m_pOwner = this;
  dv_qem::dv_cursor cursor(*details->m_pShipMethodLists);
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) static_cast<CShipMethodsList*>(e)->m_pOwnerRegion = this;
}

objsch::dv4u CRegion::GetID() const { return m_pDetails != nullptr ? m_pDetails->m_nID : 0; }

void CRegion::SetID(objsch::dv4u id) {
  if (m_pDetails != nullptr) m_pDetails->m_nID = id;
}

objsch::dv4u CRegion::AddToShop() {
  return objsch::RegisterById(
      g_pShopRoot->m_aRegions, this, [](CRegion* r) { return r->GetID(); },
      [](CRegion* r, objsch::dv4u id) { r->SetID(id); }, [] { return g_pShopRoot->DrawId(Root::kRegionIds); });
}

LPCSTR CRegion::GetLevelName(objsch::dv4u level) {
  static const char* const names[] = {"<Unknown>",  "<Global>",   "<Continent>", "<Country>",  "<State>",
                                      "<Province>", "<City>",     "<County>",    "<Suburb>",   "<District>",
                                      "<Level_10>", "<Level_11>", "<Level_12>",  "<Level_13>", "<Level_14>"};
  return level < sizeof names / sizeof names[0] ? names[level] : names[0];
}

void CRegion::GetFullName(CString& text, int language, BOOL withLevels, LPCSTR separator) {
  text = GetText(language);
  if (withLevels) text += GetLevelName(m_nLevel);
  // Each region once: a chain that comes round (a damaged file) ends there.
  std::set<const CRegion*> named{this};
  for (CRegion* linked = m_pLinked; linked != nullptr && named.insert(linked).second; linked = linked->m_pLinked) {
    text += separator;
    text += linked->GetText(language);
    if (withLevels) text += GetLevelName(linked->m_nLevel);
  }
}

CRegionDetails::CRegionDetails(BOOL persistent)
    : m_nSize(sizeof(CRegionDetails)), m_nID(0), m_pOwner(nullptr), m_strEmailContact(TRUE), m_strEmailOrder(TRUE),
      m_pShipMethodLists(objsch::NewList<CShipMethodsList>(persistent)),
      m_pProviders(objsch::NewList<CShippingProvider>(persistent)),
      m_pTaxingMethods(objsch::NewList<CTaxingMethod>(persistent)) {}

CRegionDetails* CRegionDetails::Create(CRegion* owner) {
  return objsch::NewObject<CRegionDetails>(objsch::IsPersistent(owner), objsch::IsPersistent(owner));
}

CRegionDetails::~CRegionDetails() {
  objsch::EmptyShipMethodLists(m_pShipMethodLists, TRUE);
  objsch::EmptyShippingProviders(m_pProviders, TRUE);
  objsch::EmptyTaxingMethods(m_pTaxingMethods, TRUE);
  objsch::DestroyList(m_pShipMethodLists);
  objsch::DestroyList(m_pProviders);
  objsch::DestroyList(m_pTaxingMethods);
  m_strEmailContact.DestroyString();
  m_strEmailOrder.DestroyString();
}
