// Root: the object stored under the root "My Shop" of a shop database. It is
// byte-packed: its members follow each other without alignment, so the
// embedded shop information starts at byte 53. Stored layout.
#pragma once

#include "history.h"
#include "options.h"
#include "region.h"
#include "shop_info.h"

class Department;
class Product;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

#pragma pack(push, 1)
class Root {
 public:
  explicit Root(dv_qem::dv_probe_t) : m_sShopInfo(dv_qem::dv_probe) {}

  // Id counters (cells of m_aCounters): each draw adds 1 to its cell and
  // answers the new value, so the first id is 1.
  enum IdCounter : unsigned {
    kDepartmentIds = 0,
    kSecondFamilyDepartmentIds = 1,
    kProductIds = 2,
    kRegionIds = 3,
    kChoiceIds = 7,
    kOptionIds = 8,
    kIdCounters = 10
  };
  unsigned long DrawId(IdCounter counter);

  // The shop of a new file: signature, title "My Shop", the special
  // departments (with the sample departments and pages unless the shop is
  // of the older format), a first region, the default payment methods and
  // currencies.
  explicit Root(BOOL persistent);

  // Special departments, by their place in the list.
  enum SpecialDept : unsigned {
    kMyShopDept = 0,
    kSpecialPagesDept = 1,
    kAllProductsDept = 2,
    kRecycleBinDept = 3,
    kHiddenDept = 8,
    kSpecialDeptCount = 9
  };
  // Special department i; 9 or an index past the list gives "My Shop".
  Department* GetSpecialDept(unsigned i) const;
  Department* GetMyShopDept() const { return GetSpecialDept(kMyShopDept); }
  Department* GetAllProductsDept() const { return GetSpecialDept(kAllProductsDept); }
  Department* GetRecycleBinDept() const { return GetSpecialDept(kRecycleBinDept); }
  Department* GetHiddenDept() const { return GetSpecialDept(kHiddenDept); }
  // The shop's departments: the sub-departments of "My Shop".
  dv_qem::dv_List<Department>* GetChildren() const;
  // Special page id (0x22001 ...) among the pages of "Special Pages".
  Department* GetSpecialPage(unsigned id) const;
  ShopInfo& GetShopInfo() { return m_sShopInfo; }
  CHistory& GetHistory() { return m_history; }
  CString GetTitle() const { return static_cast<LPCSTR>(m_strTitle); }
  CString GetImage() const { return static_cast<LPCSTR>(m_strImage); }
  CString GetDescription() const { return static_cast<LPCSTR>(m_strDescription); }
  PostageTax* GetPostageTax() const { return m_sShopInfo.GetPostageTax(); }
  // The shop's record of a language (-1: the default language); the first
  // one for an index past the end, null in a shop without languages.
  ShopInfo_Lang* GetShopLangItem(int language) { return m_sShopInfo.GetLangItem(language, TRUE); }
  // The company details of a language, null in a shop without languages.
  CCompanyDetails* GetCompanyDetails(int language) {
    ShopInfo_Lang* record = GetShopLangItem(language);
    return record != nullptr ? &record->GetCompanyDetails() : nullptr;
  }
  // The allowed language at the default position (marked active), null past
  // the end.
  CActiveLanguage* GetActiveLanguage() { return m_sShopInfo.GetActiveLanguage(); }
  CString GetSignature() const { return static_cast<LPCSTR>(m_strSignature); }
  void SetTitle(LPCSTR text) { m_strTitle = text; }
  // 0 for a shop of the older format, else the pool's index.
  int GetDefLanguage() const;
  // Stores the index (unless -1) and brings the pool and the shop settings
  // in line with it.
  void SetDefLanguage(int index);
  // The name of a special-department kind (1-10) in the program's
  // language; empty for any other kind.
  static CString GetSpecialDeptKindName(int kind);

  CMyString m_strTitle;                                // 0
  CMyString m_strImage;                                // 4
  CMyString m_strDescription;                          // 8
  CMyString m_strSignature;                            // 12: "KESTRELMARK_DBASE_VER5"
  _WallInfo m_sWallInfo;                               // 16
  objsch::dv4u m_nSize;                                // 32: size stamp, 416
  ShopHeader m_sShpHeader;                             // 36
  ShopInfo m_sShopInfo;                                // 53
  WebInfo m_sWebInfo;                                  // 253
  unsigned char m_unwritten[3];                        // 281: not written
  dv_qem::dv_List<void>* m_aChildren;                  // 284
  dv_qem::dv_List<Department>* m_aSpecialDepts;        // 288: the nine special departments
  dv_qem::dv_List<void>* m_aDeptNames;                 // 292
  dv_qem::dv_List<void>* m_pList296;                   // 296
  dv_qem::dv_List<CRegion>* m_aRegions;                // 300
  dv_qem::dv_List<void>* m_pList304;                   // 304
  dv_qem::dv_List<void>* m_pList308;                   // 308
  dv_qem::dv_List<void>* m_pList312;                   // 312
  dv_qem::dv_List<CChoice>* m_aAllChoices;             // 316
  dv_qem::dv_List<COption>* m_aAllOptions;             // 320
  CHistory m_history;                                  // 324
  dv_qem::dv_Array<unsigned long>* m_aCounters;        // 404: ten id counters
  objsch::dv4u m_nDefLanguage;                         // 408: default language index
  dv_qem::dv_List<void>* m_pList412;                   // 412

  static constexpr auto pointer_offsets() {
    using T = Root;
    return objsch::shop_join(
        objsch::shop_at(0, 4, 8, 12), objsch::shop_pointers_at<_WallInfo>(offsetof(T, m_sWallInfo)),
        objsch::shop_pointers_at<ShopHeader>(offsetof(T, m_sShpHeader)),
        objsch::shop_pointers_at<ShopInfo>(offsetof(T, m_sShopInfo)),
        objsch::shop_pointers_at<WebInfo>(offsetof(T, m_sWebInfo)),
        objsch::shop_at(284, 288, 292, 296, 300, 304, 308, 312, 316, 320),
        objsch::shop_pointers_at<CHistory>(offsetof(T, m_history)),
        objsch::shop_at(offsetof(T, m_aCounters), offsetof(T, m_pList412)));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_vtables_at<ShopInfo>(offsetof(Root, m_sShopInfo)); }
};
#pragma pack(pop)

static_assert(sizeof(Root) == 416 && offsetof(Root, m_nSize) == 32 && offsetof(Root, m_sShpHeader) == 36);
static_assert(offsetof(Root, m_sShopInfo) == 53 && offsetof(Root, m_sWebInfo) == 253);
static_assert(offsetof(Root, m_aChildren) == 284 && offsetof(Root, m_aRegions) == 300);
static_assert(offsetof(Root, m_aAllChoices) == 316 && offsetof(Root, m_aAllOptions) == 320);
static_assert(offsetof(Root, m_history) == 324 && offsetof(Root, m_aCounters) == 404);
static_assert(offsetof(Root, m_nDefLanguage) == 408 && offsetof(Root, m_pList412) == 412);

#pragma GCC diagnostic pop

// The signature of a current shop.
inline constexpr const char kShopSignature[] = "KESTRELMARK_DBASE_VER5";

// Stamps the open shop's last change with now.
void TouchShop(const COleDateTime& now);
