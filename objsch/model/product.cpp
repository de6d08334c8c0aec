// Products: creation, registration in the shop, links to departments,
// names and flags.
#include "product.h"

#include "default_texts.h"

#include "lang_lookup.h"
#include "root.h"
#include "shop_lists.h"

_PriceWeight::_PriceWeight(BOOL persistent)
    : m_nSize(sizeof(_PriceWeight)), fPrice(0.0), fWeight(0.0), bPrByWg(1),
      m_pRanges(objsch::NewList<_PriceRange>(persistent)) {}

Product_Lang::Product_Lang(BOOL persistent)
    : m_nWord1(0), m_strName(persistent), m_strLogo(persistent), m_strLogoUrl(persistent), m_strLogoHtml(persistent),
      m_strDescription(persistent), m_strIntro(persistent), m_strTexts{CMyString(persistent), CMyString(persistent)},
      m_strMMediaFile(persistent), m_strMMURLFilename(persistent), m_strMMHtmlCode(persistent),
      m_strMMLinkCaption(persistent), m_strLinkCaption(persistent), m_strDiscountMessage(persistent),
      m_strShopText(TRUE), m_bSpecial(0), m_strSpecial(persistent), m_nApplyLocalTaxes(0),
      m_strDefExposedText(persistent), m_strText3(persistent), m_pTaxRates(objsch::NewList<double>(persistent)),
      m_detail(persistent), m_pLanguage(nullptr), m_nWord2(0), m_pList(objsch::NewList<void>(persistent)) {}

Product::Product(BOOL persistent, BOOL defaultOptions)
    : _ShopEntity(persistent), m_nSize(sizeof(Product)), m_priceWeight(persistent), strOrderNumber(persistent),
      ulID(0), m_nSmallFields(0), m_flags(4), m_flags2(4), m_options(persistent, defaultOptions),
      m_strDefOptionName(persistent), m_bBuildingLangItem(1), m_discounts(persistent), m_pShipMethods(nullptr),
      nOrderQuantitiyMin(-1), nOrderQuantitiyMax(-1), nPercentDiscount(0), nWidth(0.0), nHeight(0.0), nLength(0.0),
      nVolume(0.0), m_nQuantity(-1), nReorderLevel(0), nReorderQuantity(0), strCategory(persistent),
      strSupplier(persistent), m_history(persistent), m_pLangItems(objsch::NewList<Product_Lang>(persistent)),
      m_pShipping(objsch::NewList<_Shipping>(persistent)), m_pDepartments(objsch::NewList<Department>(persistent)),
      m_pShortcutDepts(objsch::NewList<Department>(persistent)), m_pRelated(objsch::NewList<Product>(persistent)),
      m_pFeatures(objsch::NewList<TAltNameLangPtr<CFeatureInfo>>(persistent)),
      m_pPictures(objsch::NewList<TAltNameLangPtr<CPictureInfo>>(persistent)),
      m_pTaxingMethods(objsch::NewList<CTaxingMethod>(persistent)), m_pLinks(objsch::NewList<CLinkInfo>(persistent)),
      m_codes(5, persistent), m_pList(objsch::NewList<void>(persistent)) {
  static const objsch::dv4u kDefaultBits[] = {0, 1, 12, 15, 16, 19, 20, 22, 25};
  m_flags.SetAll(0);
  m_flags2.SetAll(0);
  m_flags.SetBits(kDefaultBits, sizeof kDefaultBits / sizeof kDefaultBits[0], 1);
  SetSmallField(1, 15, 0);
  m_nState = 1;
  m_history.GetCreation().SetDate(GetNow());
  Touch();

  BOOL inShop = objsch::IsPersistent(this);
  auto* item = objsch::NewObject<Product_Lang>(inShop, inShop);
  AssignDefaultText::ProductName(item->m_strName.GetString());
  AddLangItem(item, this, -1);
  m_bBuildingLangItem = 0;
  m_strDefOptionName = "";
  for (int i = 0; i < 3; ++i) m_pShipping->insert_last(_Shipping::CreateNew(inShop));
  for (int i = 0; i < 5; ++i) m_codes.Add(CMyString::CreateNew(inShop));
}

Product* Product::CreateNew(BOOL persistent, BOOL defaultOptions) {
  return objsch::NewObject<Product>(persistent, persistent, defaultOptions);
}

void Product::Touch() {
  const COleDateTime& now = GetNow();
  m_history.GetLastChange().SetDate(now);
  TouchShop(now);
}

objsch::dv4u Product::AssignToAllProducts() {
  Department* all = g_pShopRoot->GetAllProductsDept();
  all->m_pProducts->insert_last(this);
  all->Touch();
  if (ulID == 0) ulID = static_cast<objsch::dv4u>(g_pShopRoot->DrawId(Root::kProductIds));
  Touch();
  return ulID;
}

bool Product::IsRegistered() const {
  auto* all = g_pShopRoot->GetAllProductsDept()->m_pProducts;
  if (all->contains(this)) return true;
  if (ulID == 0) return false;
  bool registered = false;
  dv_qem::dv_cursor cursor(*all);
  void* e = nullptr;
  for (int more = cursor.first(e); more && !registered; more = cursor.next(e))
    registered = static_cast<Product*>(e)->ulID == ulID;
  return registered;
}

objsch::dv4u Product::AddToDepartment(Department* department, int) {
  if (!IsRegistered()) AssignToAllProducts();
  if (department == g_pShopRoot->GetAllProductsDept()) {
    Touch();
    return ulID;
  }
  return LinkToDepartment(department, -1);
}

objsch::dv4u Product::LinkToDepartment(Department* department, int) {
  // The links are kept symmetric, so the product's own short list of
  // departments answers for the department's (long) product list too.
  if (!m_pDepartments->contains(department)) {
    m_pDepartments->insert_last(department);
    department->m_pProducts->insert_last(this);
    department->Touch();
  }
  Touch();
  return ulID;
}

Product_Lang* Product::GetLangItem(int language, BOOL create) {
  return objsch::FindLangItem(m_pLangItems, ShopLanguageRecord(language), create, [this] {
    BOOL persistent = objsch::IsPersistent(this);
    return objsch::NewObject<Product_Lang>(persistent, persistent);
  });
}

void Product::GetName(CString& text, int language) {
  Product_Lang* item = GetLangItem(language, FALSE);
  text = item != nullptr ? CString(static_cast<LPCSTR>(item->m_strName)) : CString();
}

void Product::SetName(LPCSTR text, int language) {
  if (Product_Lang* item = GetLangItem(language, TRUE)) item->m_strName = text;
  if (language == 0) m_strName = text;
  Touch();
}

void Product::AddLangItem(Product_Lang* item, Product* product, int language) {
  if (g_pShopRoot != nullptr) item->SetLanguage(g_pShopRoot->m_sShopInfo.GetLanguageRecord(language));
  product->m_pLangItems->insert_last(item);
}

void Product::SetOrderNumber(LPCSTR text) {
  strOrderNumber = text;
  Touch();
}

void Product::SetSmallField(objsch::dv4u value, objsch::dv4u mask, int shift) {
  m_nSmallFields = ((value << shift) & mask) | (m_nSmallFields & ~mask);
  Touch();
}

void Product::SetFlag(objsch::dv4u bit, BOOL on) {
  m_flags.SetBit(bit, on);
  Touch();
}

void Product::SetLogoFlag(objsch::dv4u bit, BOOL on) {
  m_flags.SetBit(bit, on);
  if (on)
    for (objsch::dv4u other : {kLogoFile, kLogoUrl, kLogoHtml})
      if (other != bit) m_flags.SetBit(other, 0);
  Touch();
}
