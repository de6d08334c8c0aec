// Per-language texts of the shop model: the language item (a name tied to a
// shop language), its variant with three more texts, the multi-language
// text, pictures, features and the allowed-language entry. Stored layouts.
#pragma once

#include "dv_typespec.h"
#include "my_string.h"

class ShopInfo_Lang;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

// A name in one shop language; the language is the shop's ShopInfo_Lang of
// that language, and two items are of the same language when they point at
// the same record.
class CNameLangPtr {
 public:
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
  // Runs the clean-up.
  virtual ~CMLText();
  // Removes every language item and frees it.
  virtual void CleanUp();

  // 0: virtual-table pointer
  objsch::dv4u m_nWord;                    // 4: 0
  dv_qem::dv_List<CNameLangPtr>* m_pItems;  // 8: the language items

  static constexpr auto pointer_offsets() { return objsch::shop_at(offsetof(CMLText, m_pItems)); }
  static constexpr auto vtable_offsets() { return objsch::shop_at(0); }
};

// A picture: its location text is the name of its language item.
class CPictureInfo {
 public:
  objsch::dv4u usSize;                                       // 0: 16
  objsch::dv4u nOptions;                                     // 4: 0x8010
  CMyString m_strText;                                       // 8
  dv_qem::dv_List<TAltNameLangPtr<CPictureInfo>>* m_pItems;  // 12: one item at creation

  static constexpr auto pointer_offsets() {
    return objsch::shop_at(offsetof(CPictureInfo, m_strText), offsetof(CPictureInfo, m_pItems));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// A product feature.
class CFeatureInfo {
 public:
  objsch::dv4u m_nSize;                                      // 0: 12
  objsch::dv4u m_nOptions;                                   // 4
  dv_qem::dv_List<TAltNameLangPtr<CFeatureInfo>>* m_pItems;  // 8

  static constexpr auto pointer_offsets() { return objsch::shop_at(offsetof(CFeatureInfo, m_pItems)); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// An entry of the shop's allowed languages.
class CActiveLanguage {
 public:
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
