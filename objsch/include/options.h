// A product's options and each option's choices, and the option set a
// product embeds. Stored layouts.
#pragma once

#include "lang_items.h"

class COption;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

// The option set of a product.
class _CatStruct {
 public:
  _CatStruct() = default;
  // The four default options "Size", "Color", "Option1", "Option2" (strings
  // 32906-32909), named for language 0; with defaultOptions FALSE, none.
  explicit _CatStruct(BOOL persistent, BOOL defaultOptions = TRUE);
  BOOL IsEmpty() const { return m_pOptions->empty(); }

  objsch::dv4u m_nSize;                   // 0: size stamp, 16
  dv_qem::dv_List<COption>* m_pOptions;   // 4
  objsch::dv4u m_bFirstChoiceName;        // 8: not set by the constructor
  dv_qem::dv_List<void>* m_pList;         // 12

  static constexpr auto pointer_offsets() {
    return objsch::shop_at(offsetof(_CatStruct, m_pOptions), offsetof(_CatStruct, m_pList));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// One value a buyer picks.
class CChoice {
 public:
  // One language item, of the default language.
  explicit CChoice(BOOL persistent);
  static CChoice* CreateNew(BOOL persistent);

  TAltNameLangPtr<CChoice>* GetLangItem(int language, BOOL create);
  void SetName(LPCSTR text, int language);
  void GetName(CString& text, int language);
  void SetPrice(double price) { m_fPrice = price; }
  void SetWeight(double weight) { m_fWeight = weight; }
  void SetOrderNo(LPCSTR text) { m_strOrderNo = text; }
  double GetPrice() const { return m_fPrice; }
  double GetWeight() const { return m_fWeight; }
  CString GetOrderNo() const { return static_cast<LPCSTR>(m_strOrderNo); }
  CString GetCombined() const { return static_cast<LPCSTR>(m_strCombined); }
  // Registers the choice in the shop's choice list (an id from the choice
  // counter) and adds it to the option's choices unless it is there.
  objsch::dv4u AddToOption(COption* option);

  objsch::dv4u m_nSize;                                      // 0: size stamp, 68
  double m_fPrice;                                           // 4
  CMyString m_strOrderNo;                                    // 12
  double m_fWeight;                                          // 16
  CMyString m_strCombined;                                   // 24
  objsch::dv4u m_nID;                                        // 28: 0 = none yet
  double m_fHeight;                                          // 32
  double m_fWidth;                                           // 40
  double m_fLength;                                          // 48
  double m_fVolume;                                          // 56
  dv_qem::dv_List<TAltNameLangPtr<CChoice>>* m_pItems;       // 64

  static constexpr auto pointer_offsets() {
    return objsch::shop_at(offsetof(CChoice, m_strOrderNo), offsetof(CChoice, m_strCombined),
                           offsetof(CChoice, m_pItems));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// An option such as size or colour; bit 31 of the flag word: offered, bit 28:
// the buyer must pick a choice.
class COption {
 public:
  // Required, not offered; one language item of the default language.
  explicit COption(BOOL persistent);
  // Leaves the shop's option list, frees its items; each choice leaves the
  // shop's choice list and is freed with its items.
  ~COption();
  COption(const COption&) = delete;
  COption& operator=(const COption&) = delete;
  static COption* CreateNew(BOOL persistent);

  TAltNameLangPtr<COption>* GetLangItem(int language, BOOL create);
  void SetName(LPCSTR text, int language);
  void GetName(CString& text, int language);
  BOOL IsEnabled() const { return (m_nFlags >> 31) & 1; }
  void SetEnable(BOOL on) { m_nFlags = (m_nFlags & ~0x80000000u) | (on == 1 ? 0x80000000u : 0); }
  BOOL IsRequired() const { return (m_nFlags >> 28) & 1; }
  void SetRequired(BOOL on) { m_nFlags = (m_nFlags & ~0x10000000u) | (on == 1 ? 0x10000000u : 0); }
  // Registers the option in the shop's option list (an id from the option
  // counter) and adds it to the option set unless it is there.
  objsch::dv4u AddToCatStruct(_CatStruct* options);

  objsch::dv4u m_nSize;                                  // 0: size stamp, 56
  objsch::dv4u m_nID;                                    // 4: 0 = none yet
  objsch::dv4u m_nFlags;                                 // 8: 0x10010000
  objsch::dv4u m_nWords[3];                              // 12: 0
  CMyString m_strText;                                   // 24
  objsch::dv4u m_nWord;                                  // 28: not set
  objsch::dv4u m_nNumbers[3];                            // 32: 200, 25, 3
  dv_qem::dv_List<TAltNameLangPtr<COption>>* m_pItems;   // 44
  dv_qem::dv_List<CChoice>* m_aChoices;                  // 48
  dv_qem::dv_List<void>* m_pList;                        // 52

  static constexpr auto pointer_offsets() {
    return objsch::shop_at(offsetof(COption, m_strText), offsetof(COption, m_pItems), offsetof(COption, m_aChoices),
                           offsetof(COption, m_pList));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

static_assert(sizeof(_CatStruct) == 16);
static_assert(sizeof(CChoice) == 68 && offsetof(CChoice, m_nID) == 28 && offsetof(CChoice, m_pItems) == 64);
static_assert(offsetof(CChoice, m_fHeight) == 32 && offsetof(CChoice, m_fVolume) == 56);
static_assert(sizeof(COption) == 56 && offsetof(COption, m_strText) == 24 && offsetof(COption, m_nNumbers) == 32);
static_assert(offsetof(COption, m_aChoices) == 48);

#pragma GCC diagnostic pop
