// What a shop charges besides the product price: per-country formats and
// discounts, the shop's postage and tax settings, per-product shipping
// items. Stored layouts.
#pragma once

#include "dv_outofline_collection.h"
#include "lang_items.h"

class _PriceRange;
class _ByWeightPrice;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

class CDiscountSettings {
 public:
  CDiscountSettings() = default;
  explicit CDiscountSettings(BOOL persistent);
  // Destroys the text and the price-range list.
  void Destroy();

  objsch::dv4u m_nSize;                            // 0: size stamp, 48
  CMyString m_strText;                             // 4
  double m_fDiscount;                              // 8
  objsch::dv4u m_clrForeground;                    // 16: 0
  objsch::dv4u m_clrBackground;                    // 20: 0xffffff
  objsch::dv4u m_bFixedDiscount;                   // 24: 1
  CPictureInfo* m_pPicture;                        // 28: 0
  objsch::dv4u m_nRepeatDays;                      // 32
  objsch::dv4u m_nRepeatMonths;                    // 36
  objsch::dv4u m_nRepeatYears;                     // 40
  dv_qem::dv_List<_PriceRange>* m_pPriceRanges;    // 44

  static constexpr auto pointer_offsets() {
    return objsch::shop_at(offsetof(CDiscountSettings, m_strText), offsetof(CDiscountSettings, m_pPicture),
                           offsetof(CDiscountSettings, m_pPriceRanges));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// Formats and discounts of the shop's country, embedded in each shop language.
class CountryInfo {
 public:
  CountryInfo() = default;
  // The currency of the settings record, the user's decimal comma and whole
  // currency, weight unit "kg"; the texts always in the shop database.
  explicit CountryInfo(BOOL persistent);
  void Destroy();

  objsch::dv4u m_nSize;            // 0: size stamp, 104
  CMyString m_strCurrency;         // 4: the default currency text
  CMyString m_strText1;            // 8
  objsch::dv4u m_bDecimalComma;    // 12: 1 when the user's decimal separator is ","
  objsch::dv4u m_bWholeCurrency;   // 16: 1 when the user's currency has no decimals
  CMyString m_strWeightUnit;       // 20: "kg"
  objsch::dv4u m_nWords1[2];       // 24: 0
  CMyString m_strTexts[3];         // 32
  objsch::dv4u m_nWords2[2];       // 44: 0
  CDiscountSettings m_discounts;   // 52
  dv_qem::dv_List<void>* m_pList;  // 100

  static constexpr auto pointer_offsets() {
    using T = CountryInfo;
    return objsch::shop_join(objsch::shop_at(offsetof(T, m_strCurrency), offsetof(T, m_strText1),
                                             offsetof(T, m_strWeightUnit), offsetof(T, m_strTexts),
                                             offsetof(T, m_strTexts) + 4, offsetof(T, m_strTexts) + 8),
                             objsch::shop_pointers_at<CDiscountSettings>(offsetof(T, m_discounts)),
                             objsch::shop_at(offsetof(T, m_pList)));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// Postage by provider: three lists.
class _PostInfo {
 public:
  _PostInfo() = default;
  // Three lists in the shop database.
  explicit _PostInfo(BOOL persistent);
  void Destroy();

  objsch::dv4u m_nSize;                // 0: size stamp, 16
  dv_qem::dv_List<void>* m_pLists[3];  // 4

  static constexpr auto pointer_offsets() { return objsch::shop_at(4, 8, 12); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

class _Postage {
 public:
  explicit _Postage(dv_qem::dv_probe_t) : m_byPrice(dv_qem::dv_probe) {}
  // Transport methods "Economy", "Air", "Express" (strings 32903-32905).
  explicit _Postage(BOOL persistent);
  void Destroy();
  // The name of transport method i (0..2); empty for any other i.
  CString GetTransportMethodsAt(int i) const;
  // Names method i; nothing for i outside 0..2.
  void SetTransportMethodAt(int i, LPCSTR text);

  objsch::dv4u m_nSize;                              // 0: size stamp, 60
  CMyString m_strTransportMethods[3];                // 4: "Economy", "Air", "Express"
  dv_qem::dv_List<_ByWeightPrice>* m_pByWeight;      // 16
  dv_qem::dv_outofline_collection m_byPrice;         // 20: facade over a chained list placed next to it
  _PostInfo m_postInfo;                              // 32
  CMyString m_strText;                               // 48
  objsch::dv4u m_nWord;                              // 52: 0
  dv_qem::dv_List<void>* m_pList;                    // 56

  static constexpr auto pointer_offsets() {
    using T = _Postage;
    return objsch::shop_join(
        objsch::shop_at(offsetof(T, m_strTransportMethods), offsetof(T, m_strTransportMethods) + 4,
                        offsetof(T, m_strTransportMethods) + 8, offsetof(T, m_pByWeight),
                        offsetof(T, m_byPrice) + 4),
        objsch::shop_pointers_at<_PostInfo>(offsetof(T, m_postInfo)),
        objsch::shop_at(offsetof(T, m_strText), offsetof(T, m_pList)));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_at(offsetof(_Postage, m_byPrice)); }
};

class _Tax {
 public:
  explicit _Tax(dv_qem::dv_probe_t)
      : m_lists{dv_qem::dv_outofline_collection(dv_qem::dv_probe), dv_qem::dv_outofline_collection(dv_qem::dv_probe),
                dv_qem::dv_outofline_collection(dv_qem::dv_probe), dv_qem::dv_outofline_collection(dv_qem::dv_probe),
                dv_qem::dv_outofline_collection(dv_qem::dv_probe), dv_qem::dv_outofline_collection(dv_qem::dv_probe)} {}
  // Rates 0; the German flag from the user's language; its lists in the
  // shop database but the last, which follows the flag.
  explicit _Tax(BOOL persistent);
  void Destroy();

  objsch::dv4u m_nSize;                           // 0: size stamp, 152
  double m_fLocal[5];                             // 4: m_fLocal1 .. m_fLocal5
  double m_fInterstate;                           // 44
  double m_fInternational;                        // 52
  objsch::dv4u m_bGerman;                         // 60: 1 when the user's language is German
  objsch::dv4u m_nWords[2];                       // 64: 0
  dv_qem::dv_List<void>* m_pList1;                // 72: in the shop database
  dv_qem::dv_outofline_collection m_lists[6];     // 76: facades over lists placed next to them
  dv_qem::dv_List<void>* m_pList2;                // 148

  static constexpr auto pointer_offsets() {
    using T = _Tax;
    constexpr objsch::dv4s lists = offsetof(T, m_lists);
    return objsch::shop_at(offsetof(T, m_pList1), lists + 4, lists + 16, lists + 28, lists + 40, lists + 52,
                           lists + 64, offsetof(T, m_pList2));
  }
  static constexpr auto vtable_offsets() {
    constexpr objsch::dv4s lists = offsetof(_Tax, m_lists);
    return objsch::shop_at(lists, lists + 12, lists + 24, lists + 36, lists + 48, lists + 60);
  }
};

// The shop's postage and tax settings.
class PostageTax {
 public:
  explicit PostageTax(dv_qem::dv_probe_t) : m_tax(dv_qem::dv_probe), m_postage(dv_qem::dv_probe) {}
  // The tax and postage parts always in the shop database.
  explicit PostageTax(BOOL persistent);
  // Destroys the parts' lists and texts.
  ~PostageTax();
  PostageTax(const PostageTax&) = delete;
  PostageTax& operator=(const PostageTax&) = delete;

  objsch::dv4u m_nSize;            // 0: size stamp, 220
  _Tax m_tax;                      // 4
  _Postage m_postage;              // 156
  dv_qem::dv_List<void>* m_pList;  // 216

  static constexpr auto pointer_offsets() {
    return objsch::shop_join(objsch::shop_pointers_at<_Tax>(offsetof(PostageTax, m_tax)),
                             objsch::shop_pointers_at<_Postage>(offsetof(PostageTax, m_postage)),
                             objsch::shop_at(offsetof(PostageTax, m_pList)));
  }
  static constexpr auto vtable_offsets() {
    return objsch::shop_join(objsch::shop_vtables_at<_Tax>(offsetof(PostageTax, m_tax)),
                             objsch::shop_vtables_at<_Postage>(offsetof(PostageTax, m_postage)));
  }
};

// A shipping item of a product.
class _Shipping {
 public:
  explicit _Shipping(BOOL persistent);
  ~_Shipping();
  _Shipping(const _Shipping&) = delete;
  _Shipping& operator=(const _Shipping&) = delete;
  static _Shipping* CreateNew(BOOL persistent);

  objsch::dv4u m_nWord;                    // 0: not set
  double m_fCosts;                         // 4: 0.0
  objsch::dv4u m_bAllOtherRegions;         // 12: 0
  dv_qem::dv_List<void>* m_pList;          // 16

  static constexpr auto pointer_offsets() { return objsch::shop_at(offsetof(_Shipping, m_pList)); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// The shop's discounts: one pointer, null at creation.
class _DiscountsList {
 public:
  _DiscountsList() : m_pDiscounts(nullptr) {}

  void* m_pDiscounts;  // 0

  static constexpr auto pointer_offsets() { return objsch::shop_at(0); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

static_assert(sizeof(CDiscountSettings) == 48 && offsetof(CDiscountSettings, m_pPriceRanges) == 44);
static_assert(sizeof(CountryInfo) == 104 && offsetof(CountryInfo, m_discounts) == 52);
static_assert(sizeof(_PostInfo) == 16);
static_assert(sizeof(_Postage) == 60 && offsetof(_Postage, m_byPrice) == 20 && offsetof(_Postage, m_postInfo) == 32);
static_assert(offsetof(_Postage, m_pList) == 56);
static_assert(sizeof(_Tax) == 152 && offsetof(_Tax, m_bGerman) == 60 && offsetof(_Tax, m_lists) == 76);
static_assert(offsetof(_Tax, m_pList2) == 148);
static_assert(sizeof(PostageTax) == 220 && offsetof(PostageTax, m_postage) == 156 && offsetof(PostageTax, m_pList) == 216);
static_assert(sizeof(_Shipping) == 20 && offsetof(_Shipping, m_bAllOtherRegions) == 12);
static_assert(sizeof(_DiscountsList) == 4);

#pragma GCC diagnostic pop
