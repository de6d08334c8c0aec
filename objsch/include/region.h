// Geographic regions of the shop and their details records. Stored layouts.
#pragma once

#include "lang_items.h"

class CRegionDetails;
class CShipMethodsList;
class CShippingProvider;
class CTaxingMethod;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

// A region: its names per language (the CMLText part), a level, an owned
// chain of linked regions and owned details.
class CRegion : public CMLText {
 public:
  explicit CRegion(dv_qem::dv_probe_t p) : CMLText(p) {}

  objsch::dv4u m_nWord;          // 12
  objsch::dv4u m_nLevel;         // 16: index of the level names, 0 at construction
  CRegion* m_pLinked;            // 20: owned, 0
  CRegionDetails* m_pDetails;    // 24: owned, 0

  static constexpr auto pointer_offsets() {
    return objsch::shop_join(CMLText::pointer_offsets(),
                             objsch::shop_at(offsetof(CRegion, m_pLinked), offsetof(CRegion, m_pDetails)));
  }
  static constexpr auto vtable_offsets() { return CMLText::vtable_offsets(); }
};

class CRegionDetails {
 public:
  objsch::dv4u m_nSize;                                      // 0: size stamp, 32
  objsch::dv4u m_nID;                                        // 4: the id of the owning region
  CRegion* m_pOwner;                                         // 8
  CMyString m_strEmailContact;                               // 12: always in the shop database
  CMyString m_strEmailOrder;                                 // 16: always in the shop database
  dv_qem::dv_List<CShipMethodsList>* m_pShipMethodLists;     // 20
  dv_qem::dv_List<CShippingProvider>* m_pProviders;          // 24
  dv_qem::dv_List<CTaxingMethod>* m_pTaxingMethods;          // 28

  static constexpr auto pointer_offsets() {
    using T = CRegionDetails;
    return objsch::shop_at(offsetof(T, m_pOwner), offsetof(T, m_strEmailContact), offsetof(T, m_strEmailOrder),
                           offsetof(T, m_pShipMethodLists), offsetof(T, m_pProviders), offsetof(T, m_pTaxingMethods));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

static_assert(sizeof(CRegion) == 28 && offsetof(CRegion, m_nLevel) == 16 && offsetof(CRegion, m_pDetails) == 24);
static_assert(sizeof(CRegionDetails) == 32 && offsetof(CRegionDetails, m_strEmailContact) == 12);

#pragma GCC diagnostic pop
