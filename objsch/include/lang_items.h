// Per-language texts of the shop model: the language item (a name tied to a
// shop language), its variant with three more texts, the multi-language
// text, pictures, features and the allowed-language entry. Stored layouts.
#pragma once

#include "dv_typespec.h"
#include "my_string.h"

class ShopInfo_Lang;
class CActiveLanguage;

// The language record that a lookup for the language index means: -1 the
// shop's active language (or, when none is active, the language at the
// pool's default index), any other value the shop's language at that index.
// While no Root is current, the program-wide current language record.
ShopInfo_Lang* ShopLanguageRecord(int language);
// The same for an allowed-language entry (null: the active language).
ShopInfo_Lang* ShopLanguageRecord(const CActiveLanguage* language);
// The record language items get while no Root is current (the shop
// information's first language, set when one is made).
extern ShopInfo_Lang* g_pCurrentLangRecord;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

// A name in one shop language; the language is the shop's ShopInfo_Lang of
// that language, and two items are of the same language when they point at
// the same record.
class CNameLangPtr {
 public:
  CNameLangPtr() = default;
  // An empty name of no language yet; the item's list follows the flag, its
  // name follows stringsPersistent.
  CNameLangPtr(BOOL persistent, BOOL stringsPersistent);
  // Destroys the name and the list (before the item is freed).
  void Destroy();

  void SetName(LPCSTR text) { m_strName = text; }
  CString GetName() const { return static_cast<LPCSTR>(m_strName); }
  void SetLanguage(ShopInfo_Lang* record) { m_ptrSil = record; }
  ShopInfo_Lang* GetLanguage() const { return m_ptrSil; }
  // Takes the other's name text, language record and flag.
  void CopyFrom(const CNameLangPtr& other);

  objsch::dv4u m_nSize;            // 0: size stamp, 20 (32 in TAltNameLangPtr)
  CMyString m_strName;             // 4
  ShopInfo_Lang* m_ptrSil;         // 8: the language record
  objsch::dv4u m_bFlag;            // 12: 1
  dv_qem::dv_List<void>* m_pList;  // 16: empty

  static constexpr auto pointer_offsets() {
    return objsch::shop_at(offsetof(CNameLangPtr, m_strName), offsetof(CNameLangPtr, m_ptrSil),
                           offsetof(CNameLangPtr, m_pList));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// A language item with a description and two alternative texts; T names the
// owner class (pictures, features, options, choices).
template <class T>
class TAltNameLangPtr : public CNameLangPtr {
 public:
  TAltNameLangPtr(BOOL persistent, BOOL stringsPersistent)
      : CNameLangPtr(persistent, stringsPersistent), m_strDescription(stringsPersistent),
        m_strAltText(stringsPersistent), m_strAltText2(stringsPersistent) {
    m_nSize = sizeof(TAltNameLangPtr);
  }
  void Destroy() {
    m_strDescription.DestroyString();
    m_strAltText.DestroyString();
    m_strAltText2.DestroyString();
    CNameLangPtr::Destroy();
  }
  CString GetDescription() const { return static_cast<LPCSTR>(m_strDescription); }
  CString GetAltText() const { return static_cast<LPCSTR>(m_strAltText); }
  CString GetAltText2() const { return static_cast<LPCSTR>(m_strAltText2); }
  void SetDescription(LPCSTR text) { m_strDescription = text; }
  void SetAltText(LPCSTR text) { m_strAltText = text; }
  void SetAltText2(LPCSTR text) { m_strAltText2 = text; }

  CMyString m_strDescription;  // 20
  CMyString m_strAltText;      // 24
  CMyString m_strAltText2;     // 28

  static constexpr auto pointer_offsets() {
    return objsch::shop_join(CNameLangPtr::pointer_offsets(),
                             objsch::shop_at(offsetof(TAltNameLangPtr, m_strDescription),
                                             offsetof(TAltNameLangPtr, m_strAltText),
                                             offsetof(TAltNameLangPtr, m_strAltText2)));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// A text in every shop language: a list of language items.
class CMLText {
 public:
  explicit CMLText(dv_qem::dv_probe_t) {}
  // One item, of the default language.
  explicit CMLText(BOOL persistent);
  // Runs the clean-up.
  virtual ~CMLText();
  // Removes every language item and frees it.
  virtual void CleanUp();
  // Every item removed and freed, then copies of the other's items added.
  virtual void Assign(const CMLText& other);

  // The item of the language (see ShopLanguageRecord): null for no items,
  // the first item in a shop of the older format; a missing one is made
  // when create is set, else the first item answers.
  CNameLangPtr* GetLangItem(int language, BOOL create);
  CNameLangPtr* GetLangItem(const CActiveLanguage* language, BOOL create);
  // The item's name; empty when there is no item.
  CString GetText(int language);
  // Names the item of the language, made when missing.
  void SetText(LPCSTR text, int language);

 protected:
  struct no_items_t {};
  static constexpr no_items_t kNoItems{};
  // An empty list of items.
  CMLText(BOOL persistent, no_items_t);

 public:

  // 0: virtual-table pointer
  objsch::dv4u m_nWord;                    // 4: 0
  dv_qem::dv_List<CNameLangPtr>* m_pItems;  // 8: the language items

  static constexpr auto pointer_offsets() { return objsch::shop_at(offsetof(CMLText, m_pItems)); }
  static constexpr auto vtable_offsets() { return objsch::shop_at(0); }
};

// A picture: its location text is the name of its language item.
class CPictureInfo {
 public:
  // One item of the default language.
  explicit CPictureInfo(BOOL persistent);
  // Frees the items and destroys the text and the list.
  ~CPictureInfo();
  CPictureInfo(const CPictureInfo&) = delete;
  CPictureInfo& operator=(const CPictureInfo&) = delete;
  TAltNameLangPtr<CPictureInfo>* GetLangItem(int language, BOOL create);
  CString GetAltText(int language);
  CString GetAltText2(int language);

  objsch::dv4u usSize;                                       // 0: 16
  objsch::dv4u nOptions;                                     // 4: 0x8010
  CMyString m_strText;                                       // 8
  dv_qem::dv_List<TAltNameLangPtr<CPictureInfo>>* m_pItems;  // 12: one item at creation

  static constexpr auto pointer_offsets() {
    return objsch::shop_at(offsetof(CPictureInfo, m_strText), offsetof(CPictureInfo, m_pItems));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// A product feature: its texts are those of its language items.
class CFeatureInfo {
 public:
  // Options 0 and one item of the default language.
  explicit CFeatureInfo(BOOL persistent);
  // Frees the items and destroys the list.
  ~CFeatureInfo();
  CFeatureInfo(const CFeatureInfo&) = delete;
  CFeatureInfo& operator=(const CFeatureInfo&) = delete;
  TAltNameLangPtr<CFeatureInfo>* GetLangItem(int language, BOOL create);
  CString GetAltText(int language);
  CString GetAltText2(int language);

  objsch::dv4u m_nSize;                                      // 0: 12
  objsch::dv4u m_nOptions;                                   // 4
  dv_qem::dv_List<TAltNameLangPtr<CFeatureInfo>>* m_pItems;  // 8

  static constexpr auto pointer_offsets() { return objsch::shop_at(offsetof(CFeatureInfo, m_pItems)); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// An entry of the shop's allowed languages.
class CActiveLanguage {
 public:
  CActiveLanguage(ShopInfo_Lang* record, BOOL active) : m_pLanguage(record), m_bActive(active) {}
  ShopInfo_Lang* GetLanguage() const { return m_pLanguage; }
  void SetLanguage(ShopInfo_Lang* record) { m_pLanguage = record; }
  // Writes the flag only when it changes, so reading a shop never writes it.
  void SetActive(BOOL active);

  ShopInfo_Lang* m_pLanguage;  // 0: the language record
  objsch::dv4u m_bActive;      // 4

  static constexpr auto pointer_offsets() { return objsch::shop_at(offsetof(CActiveLanguage, m_pLanguage)); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

static_assert(sizeof(CNameLangPtr) == 20 && offsetof(CNameLangPtr, m_pList) == 16);
static_assert(sizeof(TAltNameLangPtr<CPictureInfo>) == 32);
static_assert(sizeof(CMLText) == 12);
static_assert(sizeof(CPictureInfo) == 16 && sizeof(CFeatureInfo) == 12 && sizeof(CActiveLanguage) == 8);

#pragma GCC diagnostic pop
