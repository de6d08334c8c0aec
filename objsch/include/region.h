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
  // No names, level 0, no linked region, no details.
  explicit CRegion(BOOL persistent);
  // Frees the names, leaves the Root's region list, destroys and frees the
  // details and every region of the linked chain, each once.
  ~CRegion() override;

  // A new region of the level with one name item, named in the language.
  static CRegion* Create(objsch::dv4u level, LPCSTR name, int language, BOOL persistent);

  objsch::dv4u GetLevel() const { return m_nLevel; }
  void SetLevel(objsch::dv4u level) { m_nLevel = level; }
  CRegion* GetLinked() const { return m_pLinked; }
  void SetLinked(CRegion* linked) { m_pLinked = linked; }
  CRegionDetails* GetDetails() const { return m_pDetails; }
  // Stores the details and makes this region their owner.
  void SetDetails(CRegionDetails* details);
  // The details' id; 0 for a region without details.
  objsch::dv4u GetID() const;
  // Writes the details' id; nothing without details.
  void SetID(objsch::dv4u id);
  // Registers the region in the Root's region list and gives it an id from
  // the Root's region counter when it has none; a region whose id another
  // region of the list carries is not added. Returns the id.
  objsch::dv4u AddToShop();
  // The name in the language, with the level name when withLevels is set,
  // then for each linked region the separator and its name (and level);
  // each region once, also in a chain that comes round on itself.
  void GetFullName(CString& text, int language, BOOL withLevels, LPCSTR separator);
  // "<Country>" and so on; "<Unknown>" for a level without a name.
  static LPCSTR GetLevelName(objsch::dv4u level);

  objsch::dv4u m_nRegionWord;    // 12
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
  explicit CRegionDetails(BOOL persistent);
  // Empties the three lists, destroying and freeing every element.
  ~CRegionDetails();
  CRegionDetails(const CRegionDetails&) = delete;
  CRegionDetails& operator=(const CRegionDetails&) = delete;

  // New details in the owner's database, with the owner's persistence.
  static CRegionDetails* Create(CRegion* owner);
  CMyString& GetEmailContact() { return m_strEmailContact; }
  CMyString& GetEmailOrder() { return m_strEmailOrder; }
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
