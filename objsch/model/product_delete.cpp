// Destroying a product: every list of the shop that holds it lets it go,
// and what the product owns is destroyed.
#include "link_info.h"
#include "product.h"
#include "root.h"
#include "shipping_methods.h"
#include "shop_lists.h"

#include <vector>

namespace {

template <class T, class Visit>
void ForEach(dv_qem::dv_List<T>* list, Visit visit) {
  dv_qem::dv_cursor cursor(*list);
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) visit(static_cast<T*>(e));
}

template <class T>
void RemoveAll(dv_qem::dv_List<T>* list, const T* item) {
  while (list->remove(item)) {
  }
}

}  // namespace

Product_Lang::~Product_Lang() {
  for (CMyString* text : {&m_strName, &m_strLogo, &m_strLogoUrl, &m_strLogoHtml, &m_strDescription, &m_strIntro,
                          &m_strTexts[0], &m_strTexts[1], &m_strMMediaFile, &m_strMMURLFilename, &m_strMMHtmlCode,
                          &m_strMMLinkCaption, &m_strLinkCaption, &m_strDiscountMessage, &m_strShopText,
                          &m_strSpecial, &m_strDefExposedText, &m_strText3})
    text->DestroyString();
  objsch::DestroyList(m_pTaxRates);
  objsch::DestroyList(m_pList);
}

void Product::LoseDepartment(const std::set<const Department*>& lost) {
  bool keepsAnother = false;
  ForEach(m_pDepartments, [&](Department* d) {
    keepsAnother = keepsAnother || (lost.count(d) == 0 && d->IsType(Department::kOrdinary) && !d->IsAllProducts() &&
                                    !d->IsRecycleBin());
  });
  if (keepsAnother) return;
  std::vector<Department*> dropped;
  ForEach(m_pShortcutDepts, [&](Department* d) {
    if (!d->IsType(Department::kSecondFamily)) return;
    RemoveAll(d->m_pShortcuts, this);
    dropped.push_back(d);
  });
  for (auto d = dropped.rbegin(); d != dropped.rend(); ++d) m_pShortcutDepts->remove(*d);
}

Product::~Product() {
  if (m_nState != 0 && m_nState != 1) {
    m_codes.Destroy();
    return;
  }
  while (Department* d = m_pDepartments->remove_first()) RemoveAll(d->m_pProducts, this);
  objsch::DestroyList(m_pDepartments);
  if (g_pShopRoot != nullptr) RemoveAll(g_pShopRoot->GetAllProductsDept()->m_pProducts, this);
  while (Department* d = m_pShortcutDepts->remove_first()) RemoveAll(d->m_pShortcuts, this);
  objsch::DestroyList(m_pShortcutDepts);
  while (Product* other = m_pRelated->remove_first())
    if (other != this) RemoveAll(other->m_pRelated, this);
  objsch::DestroyList(m_pRelated);
  if (g_pShopRoot != nullptr) {
    Department* bin = g_pShopRoot->GetRecycleBinDept();
    RemoveAll(bin->m_pProducts, this);
    ForEach(bin->m_pProducts, [this](Product* other) { RemoveAll(other->m_pRelated, this); });
  }
  objsch::ReleaseLinks(m_pLinks, this);
  // Feature and picture items may be shared; only the lists go.
  objsch::DestroyList(m_pFeatures);
  objsch::DestroyList(m_pPictures);
  while (_Shipping* item = m_pShipping->remove_first()) objsch::DeleteObject(item);
  objsch::DestroyList(m_pShipping);
  while (CTaxingMethod* method = m_pTaxingMethods->remove_first()) RemoveAll(method->m_pProducts, this);
  objsch::DestroyList(m_pTaxingMethods);
  // The options are the product's own: each leaves the shop's option list
  // and takes its choices (and theirs in the choice list) with it.
  while (COption* option = m_options.m_pOptions->remove_last()) objsch::DeleteObject(option);
  objsch::DestroyList(m_options.m_pOptions);
  objsch::DestroyList(m_options.m_pList);
  while (Product_Lang* item = m_pLangItems->remove_first()) objsch::DeleteObject(item);
  objsch::DestroyList(m_pLangItems);
  m_codes.Destroy();
  objsch::DestroyList(m_pList);
  objsch::DestroyList(m_priceWeight.m_pRanges);
  for (CMyString* text : {&m_strName, &m_strLogo, &m_strDescription, &strOrderNumber, &m_strDefOptionName,
                          &strCategory, &strSupplier})
    text->DestroyString();
}
