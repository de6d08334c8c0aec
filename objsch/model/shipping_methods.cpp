// Shipping providers, shipping methods, shipping-method lists and taxing
// methods, and the emptying of the lists that regions keep of them.
#include "shipping_methods.h"

#include "localisation.h"
#include "product.h"
#include "region.h"
#include "root.h"
#include "shop_lists.h"

namespace {

// Removes every element of list and, with destroy set, destroys and frees
// it (through its own destructor).
template <class T>
void EmptyList(dv_qem::dv_List<T>* list, BOOL destroy) {
  if (list == nullptr) return;
  while (T* element = list->remove_last())
    if (destroy) objsch::DeleteObject(element);
}

}  // namespace

CShippingProvider::CShippingProvider(BOOL persistent) : CMLText(persistent), m_nID(0), m_fRate(0.0) {}

CShippingProvider::~CShippingProvider() {
  if (g_pShopRoot != nullptr && g_pShopRoot->m_sShopInfo.m_aShippingClasses != nullptr)
    g_pShopRoot->m_sShopInfo.m_aShippingClasses->remove(this);
}

CShippingMethod::CShippingMethod(BOOL persistent)
    : CMLText(persistent), m_nID(0), nSMOptions(0), m_fMinimumCharged(0.0), m_fCostPerWeightUint(0.0),
      m_pProvider(nullptr), m_pPriceRanges(objsch::NewList<_PriceRange>(persistent)) {}

CShippingMethod::~CShippingMethod() {
  if (m_pPriceRanges != nullptr)
    while (_PriceRange* range = m_pPriceRanges->remove_last()) dv_qem::durnavel::free_memory(range);
  objsch::DestroyList(m_pPriceRanges);
}

CShipMethodsList::CShipMethodsList(BOOL persistent)
    : m_nOptionBits(0), m_pOwnerRegion(nullptr), m_pOwnerProduct(nullptr),
      m_pMethods(objsch::NewList<CShippingMethod>(persistent)) {}

CShipMethodsList::~CShipMethodsList() {
  EmptyList(m_pMethods, TRUE);
  objsch::DestroyList(m_pMethods);
}

CTaxingMethod::CTaxingMethod(BOOL persistent)
    : CMLText(persistent), m_nID(0), nTaxOptions(0), fTaxPercentage(0.0),
      m_pProducts(objsch::NewList<Product>(persistent)), m_pRegions(objsch::NewList<CRegion>(persistent)) {}

CTaxingMethod::~CTaxingMethod() {
  if (m_pProducts != nullptr)
    while (Product* product = m_pProducts->remove_first())
      while (product->m_pTaxingMethods->remove(this)) {
      }
  objsch::DestroyList(m_pProducts);
  objsch::DestroyList(m_pRegions);
}

namespace objsch {

void EmptyShipMethodLists(dv_qem::dv_List<CShipMethodsList>* list, BOOL destroy) { EmptyList(list, destroy); }
void EmptyShippingProviders(dv_qem::dv_List<CShippingProvider>* list, BOOL destroy) { EmptyList(list, destroy); }
void EmptyTaxingMethods(dv_qem::dv_List<CTaxingMethod>* list, BOOL destroy) { EmptyList(list, destroy); }

}  // namespace objsch

CString GetLocaleLanguageName(LCID locale) { return GetLocaleLanguageOf(locale); }
