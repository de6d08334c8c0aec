// The region-bound shipping and tax records: shipping providers, shipping
// methods, shipping-method lists and taxing methods. Regions own them
// through their details; a product may point to a shipping-method list
// and be linked to taxing methods. Stored layouts.
#pragma once

#include "fw_locale.h"
#include "lang_items.h"

class CRegion;
class Product;
class _PriceRange;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

// A shipping provider: its names per language (the CMLText part), an id
// and a rate.
class CShippingProvider : public CMLText {
 public:
  explicit CShippingProvider(dv_qem::dv_probe_t p) : CMLText(p) {}
  // One name item of the default language, id 0, rate 0.
  explicit CShippingProvider(BOOL persistent);
  // Leaves the shop's shipping list when it is there; frees the names.
  ~CShippingProvider() override;

  objsch::dv4u m_nID;  // 12
  double m_fRate;      // 16

  static constexpr auto pointer_offsets() { return CMLText::pointer_offsets(); }
  static constexpr auto vtable_offsets() { return CMLText::vtable_offsets(); }
};

// A shipping method: names, options, charges, its provider (not owned) and
// its price ranges (owned).
class CShippingMethod : public CMLText {
 public:
  explicit CShippingMethod(dv_qem::dv_probe_t p) : CMLText(p) {}
  // One name item of the default language; every number 0, no provider,
  // no price ranges.
  explicit CShippingMethod(BOOL persistent);
  // Frees the price ranges and the names.
  ~CShippingMethod() override;

  objsch::dv4u m_nID;                              // 12
  objsch::dv4u nSMOptions;                         // 16
  double m_fMinimumCharged;                        // 20
  double m_fCostPerWeightUint;                     // 28
  CShippingProvider* m_pProvider;                  // 36: not owned
  dv_qem::dv_List<_PriceRange>* m_pPriceRanges;    // 40: owned

  static constexpr auto pointer_offsets() {
    return objsch::shop_join(CMLText::pointer_offsets(), objsch::shop_at(offsetof(CShippingMethod, m_pProvider),
                                                                          offsetof(CShippingMethod, m_pPriceRanges)));
  }
  static constexpr auto vtable_offsets() { return CMLText::vtable_offsets(); }
};

// The shipping methods a region (or a product) offers, and how they charge.
class CShipMethodsList {
 public:
  // Option bits (m_nOptionBits); each test is true when all bits of its
  // mask are set.
  enum : objsch::dv4u {
    kByPricePayableTotal = 1,
    kByPricePayablePercentage = 2,
    kByWeightStraightLine = 3,
    kByWeightCurveLine = 4,
    kProductOwner = 0x8000,
  };

  // No options, no owner, no methods.
  explicit CShipMethodsList(BOOL persistent);
  // Destroys and frees every method (the list owns them).
  ~CShipMethodsList();
  CShipMethodsList(const CShipMethodsList&) = delete;
  CShipMethodsList& operator=(const CShipMethodsList&) = delete;

  BOOL ByPricePayableTotal() const { return Has(kByPricePayableTotal); }
  BOOL ByPricePayablePercentage() const { return Has(kByPricePayablePercentage); }
  BOOL ByWeightStraightLine() const { return Has(kByWeightStraightLine); }
  BOOL ByWeightCurveLine() const { return Has(kByWeightCurveLine); }
  BOOL IsProductOwner() const { return Has(kProductOwner); }

  objsch::dv4u m_nOptionBits;                           // 0
  CRegion* m_pOwnerRegion;                              // 4
  Product* m_pOwnerProduct;                             // 8
  dv_qem::dv_List<CShippingMethod>* m_pMethods;         // 12

  static constexpr auto pointer_offsets() {
    return objsch::shop_at(offsetof(CShipMethodsList, m_pOwnerRegion), offsetof(CShipMethodsList, m_pOwnerProduct),
                           offsetof(CShipMethodsList, m_pMethods));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }

 private:
  BOOL Has(objsch::dv4u mask) const { return (m_nOptionBits & mask) == mask; }
};

// A taxing method: names, options, a percentage, and the products and
// regions it applies to (links, not owned; a linked product lists the
// method among its taxing methods).
class CTaxingMethod : public CMLText {
 public:
  explicit CTaxingMethod(dv_qem::dv_probe_t p) : CMLText(p) {}
  // One name item of the default language; 0 options and percentage; no
  // links.
  explicit CTaxingMethod(BOOL persistent);
  // Leaves the taxing-method list of every linked product; frees the
  // names.
  ~CTaxingMethod() override;

  objsch::dv4u m_nID;                          // 12
  objsch::dv4u nTaxOptions;                    // 16
  double fTaxPercentage;                       // 20
  dv_qem::dv_List<Product>* m_pProducts;       // 28
  dv_qem::dv_List<CRegion>* m_pRegions;        // 32

  static constexpr auto pointer_offsets() {
    return objsch::shop_join(CMLText::pointer_offsets(), objsch::shop_at(offsetof(CTaxingMethod, m_pProducts),
                                                                          offsetof(CTaxingMethod, m_pRegions)));
  }
  static constexpr auto vtable_offsets() { return CMLText::vtable_offsets(); }
};

static_assert(sizeof(CShippingProvider) == 24 && offsetof(CShippingProvider, m_nID) == 12);
static_assert(offsetof(CShippingProvider, m_fRate) == 16);
static_assert(sizeof(CShippingMethod) == 44 && offsetof(CShippingMethod, nSMOptions) == 16);
static_assert(offsetof(CShippingMethod, m_fMinimumCharged) == 20 && offsetof(CShippingMethod, m_pProvider) == 36);
static_assert(offsetof(CShippingMethod, m_pPriceRanges) == 40);
static_assert(sizeof(CShipMethodsList) == 16 && offsetof(CShipMethodsList, m_pMethods) == 12);
static_assert(sizeof(CTaxingMethod) == 36 && offsetof(CTaxingMethod, fTaxPercentage) == 20);
static_assert(offsetof(CTaxingMethod, m_pProducts) == 28 && offsetof(CTaxingMethod, m_pRegions) == 32);

#pragma GCC diagnostic pop

namespace objsch {

// Empty a list of a region's records: every element is removed, and with
// destroy set destroyed and freed.
void EmptyShipMethodLists(dv_qem::dv_List<CShipMethodsList>* list, BOOL destroy);
void EmptyShippingProviders(dv_qem::dv_List<CShippingProvider>* list, BOOL destroy);
void EmptyTaxingMethods(dv_qem::dv_List<CTaxingMethod>* list, BOOL destroy);

}  // namespace objsch

// The English name of a locale's language ("German" for 0x0407), or an
// empty text when the locale is unknown.
CString GetLocaleLanguageName(LCID locale);
