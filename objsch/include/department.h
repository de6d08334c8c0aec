// Departments: the nodes of the shop's department tree, their per-language
// texts, and the head that departments and products share. Stored layouts.
#pragma once

#include "bits_array.h"
#include "display_styles.h"
#include "history.h"

class Product;
class CSearchEngine;
class CQuestionaire;
class CLinkInfo;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

// The first 28 bytes of a department and of a product.
class _ShopEntity {
 public:
  _ShopEntity() = default;
  // Empty texts, zero words and state.
  explicit _ShopEntity(BOOL persistent);

  CMyString m_strName;         // 0: own name (language 0)
  CMyString m_strLogo;         // 4: logo image file
  CMyString m_strDescription;  // 8
  objsch::dv4u m_nWords[3];    // 12: 0
  objsch::dv4u m_nState;       // 24: 0 or 1 are valid states

  static constexpr auto pointer_offsets() { return objsch::shop_at(0, 4, 8); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

class Department_Lang {
 public:
  explicit Department_Lang(BOOL persistent);
  // Destroys the texts, the string array, the flag set and the list.
  ~Department_Lang();
  Department_Lang(const Department_Lang&) = delete;
  Department_Lang& operator=(const Department_Lang&) = delete;
  ShopInfo_Lang* GetLanguage() const { return m_pLanguage; }
  void SetLanguage(ShopInfo_Lang* record) { m_pLanguage = record; }

  objsch::dv4u m_nSize;             // 0: size stamp, 56
  CMyString m_strName;              // 4
  CMyString m_strLogo;              // 8
  CMyString m_strDescription;       // 12
  CMyString m_strURLLink;           // 16
  CMyString m_strHtmlCode;          // 20
  CMyString m_strIntro;             // 24
  ShopInfo_Lang* m_pLanguage;       // 28: the shop's language record, 0 at construction
  objsch::dv4u m_nWord;             // 32: not set
  CMyStringArray m_strings;         // 36: count 0
  CBitsArray m_flags;               // 44: 4 bytes
  dv_qem::dv_List<void>* m_pList;   // 52

  static constexpr auto pointer_offsets() {
    using T = Department_Lang;
    return objsch::shop_join(objsch::shop_at(4, 8, 12, 16, 20, 24, offsetof(T, m_pLanguage)),
                             objsch::shop_pointers_at<CMyStringArray>(offsetof(T, m_strings)),
                             objsch::shop_pointers_at<CBitsArray>(offsetof(T, m_flags)),
                             objsch::shop_at(offsetof(T, m_pList)));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

class Department : public _ShopEntity {
 public:
  // Kinds of the type word (its low 18 bits).
  enum : objsch::dv4u {
    kKindMask = 0x3ffff,
    kOrdinary = 0x10000,
    kSecondFamily = 0x20000,
    kSecondFamily2 = 0x22000,
    kSecondFamily4 = 0x24000,
    kPage = 0x20000,
  };

  // One language item named "My Shop" (string 51498), type 0x10000, the
  // logo flag set, id 0, an empty own name.
  explicit Department(BOOL persistent);
  // A new ordinary department.
  static Department* CreateNew(BOOL persistent);

  // Hangs the department under parent (once) and answers its id.
  objsch::dv4u AddToParent(Department* parent);
  // Appends the department to the shop's departments ("My Shop"), without
  // looking for a duplicate, and answers its id.
  objsch::dv4u AddToShop();
  // The id, drawn from the Root's department counters when there is none
  // (always, in a shop of the older format).
  objsch::dv4u AssignId();
  objsch::dv4u GetID() const { return m_nID; }
  Department* GetParent() const { return m_pDeptParent; }
  void SetParent(Department* parent);
  dv_qem::dv_List<Product>* GetProducts() const { return m_pProducts; }
  dv_qem::dv_List<Department>* GetChildren() const { return m_pChildren; }
  dv_qem::dv_List<Department_Lang>* GetLangItems() const { return m_pLangItems; }
  dv_qem::dv_List<Department>* GetRelated() const { return m_pRelated; }
  dv_qem::dv_List<Product>* GetShortcuts() const { return m_pShortcuts; }
  dv_qem::dv_List<CLinkInfo>* GetLinks() const { return m_pLinks; }
  // Removes the first occurrence of this department from list; touches.
  void RemoveFromList(dv_qem::dv_List<Department>* list);

  // Empties and destroys the department and its whole subtree: its
  // products, shortcut products, related departments and the recycle bin's
  // products keep no reference to it or to any department under it. The
  // caller takes it out of its parent's list and frees it.
  static void Delete(Department* department);

  Department_Lang* GetLangItem(int language, BOOL create);
  void GetName(CString& text, int language);
  // Names the item of the language (made when missing); language 0 also
  // names the department itself.
  void SetName(LPCSTR text, int language);
  // The item gets the shop's language record of the index (when a Root is
  // current) and joins the department's items.
  static void AddLangItem(Department_Lang* item, Department* department, int language);

  objsch::dv4u GetDeptType() const { return m_ulDeptType; }
  void SetDeptTypeRaw(objsch::dv4u type) { m_ulDeptType = type; }
  // on = 1 sets the mask bits, any other value clears them.
  void SetTypeBits(BOOL on, objsch::dv4u mask);
  void SetDeptType(BOOL on) { SetDeptKind(on, kOrdinary); }
  void SetDeptType2(BOOL on) { SetDeptKind(on, kSecondFamily); }
  // Clears the kind, then sets or clears the mask bits.
  void SetDeptKind(BOOL on, objsch::dv4u mask);
  BOOL IsType(objsch::dv4u mask) const { return (m_ulDeptType & mask) == mask; }
  BOOL IsSecondFamily() const { return IsType(kSecondFamily) || IsType(kSecondFamily2) || IsType(kSecondFamily4); }
  BOOL IsAllProducts() const { return (m_ulDeptType & 0x1ffff) == 0x12003; }
  BOOL IsRecycleBin() const { return (m_ulDeptType & 0x1ffff) == 0x12004; }
  BOOL IsSpecial() const;
  void SetUsesLogo(BOOL on);
  BOOL UsesLogo() const { return m_nFlags2 & 1; }
  BOOL HasProducts() const { return !m_pProducts->empty(); }
  // Some sub-department has the ordinary bit (0x10000).
  BOOL HasSubDepartments() const;
  // Some sub-department is of kind 0x20000, 0x22000 or 0x24000.
  BOOL HasSecondFamilyChildren() const;
  // The current time into the last-change detail, and into the Root's.
  void Touch();

  objsch::dv4u m_nSize;                               // 28: size stamp, 372
  CSearchEngine* m_pSearchEngine;                     // 32: owned, 0 at construction
  dv_qem::dv_List<void>* m_pListA;                    // 36: owned elements
  dv_qem::dv_List<void>* m_pListB;                    // 40: owned elements
  dv_qem::dv_List<Department_Lang>* m_pLangItems;     // 44: one item per shop language
  dv_qem::dv_List<Product>* m_pProducts;              // 48
  dv_qem::dv_List<Department>* m_pChildren;           // 52
  dv_qem::dv_List<Department>* m_pRelated;            // 56: kept symmetric
  dv_qem::dv_List<Product>* m_pShortcuts;             // 60: products of a 0x20000 department
  dv_qem::dv_List<CQuestionaire>* m_pQuestionnaire;   // 64: owned
  dv_qem::dv_List<void>* m_pListD;                    // 68: owned
  dv_qem::dv_List<void>* m_pListE;                    // 72
  dv_qem::dv_List<CLinkInfo>* m_pLinks;               // 76: 20-byte link records
  objsch::dv4u m_nID;                                 // 80: 0 = none assigned yet
  objsch::dv4s m_nSortListBy;                         // 84: 0
  objsch::dv4u m_ulDeptType;                          // 88: kind in the low 18 bits
  objsch::dv4u m_nFlags2;                             // 92: bit 0, the logo image is used
  _WallInfo m_wallInfo;                               // 96
  DisplayStyles m_styles;                             // 112
  objsch::dv4s m_nDiscount;                           // 268: 0
  objsch::dv4u m_nWord;                               // 272: not set
  CMyString m_strText1;                               // 276
  CModHistory m_history;                              // 280
  Department* m_pDeptParent;                          // 344: 0 for none
  CMyString m_strText2;                               // 348
  CMyStringArray m_strings;                           // 352: one empty text
  CBitsArray m_flags;                                 // 360: 4 bytes, all clear
  dv_qem::dv_List<void>* m_pListF;                    // 368

  static constexpr auto pointer_offsets() {
    using T = Department;
    return objsch::shop_join(
        _ShopEntity::pointer_offsets(),
        objsch::shop_at(offsetof(T, m_pSearchEngine), offsetof(T, m_pListA), offsetof(T, m_pListB),
                        offsetof(T, m_pLangItems), offsetof(T, m_pProducts), offsetof(T, m_pChildren),
                        offsetof(T, m_pRelated), offsetof(T, m_pShortcuts), offsetof(T, m_pQuestionnaire),
                        offsetof(T, m_pListD), offsetof(T, m_pListE), offsetof(T, m_pLinks)),
        objsch::shop_pointers_at<_WallInfo>(offsetof(T, m_wallInfo)),
        objsch::shop_pointers_at<DisplayStyles>(offsetof(T, m_styles)), objsch::shop_at(offsetof(T, m_strText1)),
        objsch::shop_pointers_at<CModHistory>(offsetof(T, m_history)),
        objsch::shop_at(offsetof(T, m_pDeptParent), offsetof(T, m_strText2)),
        objsch::shop_pointers_at<CMyStringArray>(offsetof(T, m_strings)),
        objsch::shop_pointers_at<CBitsArray>(offsetof(T, m_flags)), objsch::shop_at(offsetof(T, m_pListF)));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

static_assert(sizeof(_ShopEntity) == 28);
static_assert(sizeof(Department_Lang) == 56 && offsetof(Department_Lang, m_pLanguage) == 28);
static_assert(offsetof(Department_Lang, m_strings) == 36 && offsetof(Department_Lang, m_flags) == 44);
static_assert(sizeof(Department) == 372 && offsetof(Department, m_nSize) == 28);
static_assert(offsetof(Department, m_pLinks) == 76 && offsetof(Department, m_ulDeptType) == 88);
static_assert(offsetof(Department, m_wallInfo) == 96 && offsetof(Department, m_styles) == 112);
static_assert(offsetof(Department, m_nDiscount) == 268 && offsetof(Department, m_history) == 280);
static_assert(offsetof(Department, m_pDeptParent) == 344 && offsetof(Department, m_strings) == 352);
static_assert(offsetof(Department, m_flags) == 360 && offsetof(Department, m_pListF) == 368);

#pragma GCC diagnostic pop
