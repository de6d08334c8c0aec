// The shop information embedded in the Root, its per-language record and
// the company details. Stored layouts.
#pragma once

#include "bits_array.h"
#include "display_styles.h"
#include "shipping.h"

class CPayMethod;
class CPayServiceDetails;
class CPayServiceMethodPair;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

// The company details of one shop language (no type descriptor of its own).
class CCompanyDetails {
 public:
  CCompanyDetails() = default;
  // 23 empty texts; the reserved record zeroed.
  explicit CCompanyDetails(BOOL persistent);

  void SetCompanyName(LPCSTR text) { *m_strings.GetAt(strCompanyName) = text; }
  void SetCompanyAddress(LPCSTR text) { *m_strings.GetAt(strCompanyAddress) = text; }
  void SetState(LPCSTR text) { *m_strings.GetAt(strState) = text; }
  void SetCountry(LPCSTR text) { *m_strings.GetAt(strCountry) = text; }
  void SetPhone(LPCSTR text) { *m_strings.GetAt(strPhone) = text; }
  void SetFax(LPCSTR text) { *m_strings.GetAt(strFax) = text; }
  void SetZip(LPCSTR text) { *m_strings.GetAt(strZip) = text; }
  void SetEmailContact(LPCSTR text) { *m_strings.GetAt(strEmailContact) = text; }
  void SetEmailOrders(LPCSTR text) { *m_strings.GetAt(strEmailOrders) = text; }
  void SetShopURL(LPCSTR text) { *m_strings.GetAt(strShopURL) = text; }
  void SetWelcomeText(LPCSTR text) { *m_strings.GetAt(strWelcomeText) = text; }
  void SetString13(LPCSTR text) { *m_strings.GetAt(13) = text; }
  void SetString14(LPCSTR text) { *m_strings.GetAt(14) = text; }
  void SetString15(LPCSTR text) { *m_strings.GetAt(15) = text; }
  CString GetState() { return static_cast<LPCSTR>(*m_strings.GetAt(strState)); }
  CString GetCountry() { return static_cast<LPCSTR>(*m_strings.GetAt(strCountry)); }
  CString GetString(int index) { return static_cast<LPCSTR>(*m_strings.GetAt(static_cast<objsch::dv4u>(index))); }

  objsch::dv4u nMerchantID;  // 0: 0
  CMyStringArray m_strings;  // 4: 23 texts, see the indexes below
  // 12: a record of four words that this program only zeroes. Three of the
  // pointer fields that stored files carry for a shop language lie here.
  objsch::dv4u m_nReserved[4];

  enum StringIndex {
    strCompanyName = 0, strCompanyAddress = 1, strState = 2, strCountry = 3, strPhone = 4, strFax = 5,
    strZip = 6, strUserName = 7, strPassword = 8, strEmailContact = 9, strEmailOrders = 10, strShopURL = 11,
    strCompanyDetails = 17, strTermsConditions = 18, strWelcomeText = 19, strPGPKey = 20, strPaySystem = 21,
    strExtraContact = 22, kStringCount = 23
  };

  static constexpr auto pointer_offsets() {
    using T = CCompanyDetails;
    return objsch::shop_join(objsch::shop_pointers_at<CMyStringArray>(offsetof(T, m_strings)),
                             objsch::shop_at(offsetof(T, m_nReserved), offsetof(T, m_nReserved) + 4,
                                             offsetof(T, m_nReserved) + 8));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// Everything of the shop that exists once per shop language; language items
// point at it.
class ShopInfo_Lang {
 public:
  explicit ShopInfo_Lang(dv_qem::dv_probe_t) : m_postage(dv_qem::dv_probe), m_flags(dv_qem::dv_probe) {}
  explicit ShopInfo_Lang(BOOL persistent);
  // Frees the elements of its three lists, its link, unit and company-detail
  // strings and its texts, and destroys the lists of its embedded records
  // and its flag array (before the record is freed).
  ~ShopInfo_Lang();
  ShopInfo_Lang(const ShopInfo_Lang&) = delete;
  ShopInfo_Lang& operator=(const ShopInfo_Lang&) = delete;

  CCompanyDetails& GetCompanyDetails() { return m_companyDetails; }
  void SetLangName(LPCSTR text) { m_strLangName = text; }
  CString GetLangName() const { return static_cast<LPCSTR>(m_strLangName); }
  CString GetShopName() const { return static_cast<LPCSTR>(m_strShopName); }
  CString GetDescription() const { return static_cast<LPCSTR>(m_strDescription); }

  objsch::dv4u m_nSize;                     // 0: size stamp, 256
  CountryInfo m_countryInfo;                // 4
  _Postage m_postage;                       // 108
  CCompanyDetails m_companyDetails;         // 168
  CMyString m_strShopName;                  // 196
  CMyString m_strLogo;                      // 200
  CMyString m_strDescription;               // 204
  CMyString m_strLangName;                  // 208: the language's folder name
  objsch::dv4u m_nShippingBy;               // 212: 0
  objsch::dv4u m_nShippingMethod;           // 216: 16
  objsch::dv4u m_nShippingRegions;          // 220: 1
  objsch::dv4u m_nTaxRegions;               // 224: 256
  CBitsArray m_flags;                       // 228: 4 bytes, bit 0 set
  dv_qem::dv_List<void>* m_pList1;          // 236
  dv_qem::dv_List<CMyString>* m_pUnits;     // 240: "feet", "yards", "inches", "cm", "mm", "m", "ml"
  CMyStringArray m_links;                   // 244: 3 texts; 1 EmailConfirmation, 2 HTMLLink
  dv_qem::dv_List<void>* m_pList2;          // 252

  static constexpr auto pointer_offsets() {
    using T = ShopInfo_Lang;
    return objsch::shop_join(
        objsch::shop_pointers_at<CountryInfo>(offsetof(T, m_countryInfo)),
        objsch::shop_pointers_at<_Postage>(offsetof(T, m_postage)),
        objsch::shop_pointers_at<CCompanyDetails>(offsetof(T, m_companyDetails)),
        objsch::shop_at(offsetof(T, m_strShopName), offsetof(T, m_strLogo), offsetof(T, m_strDescription),
                        offsetof(T, m_strLangName)),
        objsch::shop_pointers_at<CBitsArray>(offsetof(T, m_flags)),
        objsch::shop_at(offsetof(T, m_pList1), offsetof(T, m_pUnits)),
        objsch::shop_pointers_at<CMyStringArray>(offsetof(T, m_links)), objsch::shop_at(offsetof(T, m_pList2)));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_vtables_at<_Postage>(offsetof(ShopInfo_Lang, m_postage)); }
};

// The shop information, embedded in the Root.
class ShopInfo {
 public:
  explicit ShopInfo(dv_qem::dv_probe_t) : m_flags(dv_qem::dv_probe), m_packed(dv_qem::dv_probe) {}
  // The shop information of a new shop: one language (named after the
  // settings record's language), display styles and postage and tax.
  explicit ShopInfo(BOOL persistent);

  // The shop language at index (-1: the pool's default index; the first in
  // a shop of the older format); null without languages. An index past the
  // end gives the first language; nothing is made for it.
  ShopInfo_Lang* GetLangItem(int index, BOOL create);
  void SetDefLanguagePos(int position);
  // Appends the record to the languages and an active entry for it to the
  // allowed languages.
  void AddLanguage(ShopInfo_Lang* record);
  PostageTax* GetPostageTax() const { return m_pPostageTax; }
  // Before the shop information goes: deletes its display styles and its
  // postage and tax, empties every list deleting each element with its
  // class's destructor (the shop languages with theirs) and destroys the
  // lists, the settings with their strings, its texts and the collection at
  // byte 176. A second clean-up does nothing.
  void CleanUp();

  // The default language position: settings element 3 read as a number.
  int GetDefLanguagePos();
  // The allowed-language entry at the default position, null past the end;
  // the entry is marked active.
  CActiveLanguage* GetActiveLanguage();
  // The language record of allowed-language entry index (-1: the pool's
  // default index; an index past the end: entry 0); null with no entries.
  ShopInfo_Lang* GetLanguageRecord(int index);

  objsch::dv4u m_nSize;                                      // 0: size stamp, 200
  objsch::dv4u m_nWords1[3];                                 // 4: not set by the constructor
  objsch::dv4u m_nWords2[2];                                 // 16: 1 and 7
  objsch::dv4u m_nWords3[4];                                 // 24: 0
  objsch::dv4u m_nWord4;                                     // 40: 1
  CBitsArray m_flags;                                        // 44: 4 bytes, bits 1 and 6 set
  CMyString m_strTexts[3];                                   // 52
  objsch::dv4u m_nWords5[2];                                 // 64: 0
  objsch::dv4u m_nWord6;                                     // 72
  CDefiTxts m_defiTxts;                                      // 76
  _DiscountsList m_discounts;                                // 108: null; not a pointer field of the shop
  objsch::dv4u m_nZero[3];                                   // 112: 0
  DisplayStyles* m_pDisplayStyles;                           // 124
  PostageTax* m_pPostageTax;                                 // 128
  dv_qem::dv_List<void>* m_pList1;                           // 132
  dv_qem::dv_List<void>* m_pList2;                           // 136
  dv_qem::dv_List<CMyString>* m_aCurrenciesAllowed;          // 140
  dv_qem::dv_List<CMyString>* m_pList3;                      // 144
  dv_qem::dv_List<ShopInfo_Lang>* m_langItems;               // 148: index = language index
  dv_qem::dv_List<CPayMethod>* m_aPayMethods;                // 152
  dv_qem::dv_List<CMLText>* m_pList4;                        // 156
  dv_qem::dv_List<CActiveLanguage>* m_aLanguagesAllowed;     // 160
  dv_qem::dv_List<CPayServiceDetails>* m_aPayServices;       // 164
  dv_qem::dv_List<CPayServiceMethodPair>* m_aPayMethodPairs; // 168
  dv_qem::dv_List<void>* m_aShippingClasses;                 // 172
  dv_qem::dv_outofline_collection m_packed;                  // 176: facade over a packed list next to it
  CMyStringArray m_settings;                                 // 188: 5 texts; 1 language name, 3 default language position
  dv_qem::dv_List<void>* m_pList5;                           // 196

  static constexpr auto pointer_offsets() {
    using T = ShopInfo;
    return objsch::shop_join(
        objsch::shop_pointers_at<CBitsArray>(offsetof(T, m_flags)),
        objsch::shop_at(offsetof(T, m_strTexts), offsetof(T, m_strTexts) + 4, offsetof(T, m_strTexts) + 8),
        objsch::shop_pointers_at<CDefiTxts>(offsetof(T, m_defiTxts)),
        objsch::shop_at(offsetof(T, m_pDisplayStyles), offsetof(T, m_pPostageTax), offsetof(T, m_pList1),
                        offsetof(T, m_pList2), offsetof(T, m_aCurrenciesAllowed), offsetof(T, m_pList3),
                        offsetof(T, m_langItems), offsetof(T, m_aPayMethods), offsetof(T, m_pList4),
                        offsetof(T, m_aLanguagesAllowed), offsetof(T, m_aPayServices),
                        offsetof(T, m_aPayMethodPairs), offsetof(T, m_aShippingClasses),
                        offsetof(T, m_packed) + 4),
        objsch::shop_pointers_at<CMyStringArray>(offsetof(T, m_settings)), objsch::shop_at(offsetof(T, m_pList5)));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_at(offsetof(ShopInfo, m_packed)); }
};

static_assert(sizeof(CCompanyDetails) == 28);
static_assert(sizeof(ShopInfo_Lang) == 256 && offsetof(ShopInfo_Lang, m_postage) == 108);
static_assert(offsetof(ShopInfo_Lang, m_companyDetails) == 168 && offsetof(ShopInfo_Lang, m_strShopName) == 196);
static_assert(offsetof(ShopInfo_Lang, m_nShippingBy) == 212 && offsetof(ShopInfo_Lang, m_flags) == 228);
static_assert(offsetof(ShopInfo_Lang, m_links) == 244 && offsetof(ShopInfo_Lang, m_pList2) == 252);
static_assert(sizeof(ShopInfo) == 200 && offsetof(ShopInfo, m_flags) == 44 && offsetof(ShopInfo, m_strTexts) == 52);
static_assert(offsetof(ShopInfo, m_defiTxts) == 76 && offsetof(ShopInfo, m_discounts) == 108);
static_assert(offsetof(ShopInfo, m_pDisplayStyles) == 124 && offsetof(ShopInfo, m_langItems) == 148);
static_assert(offsetof(ShopInfo, m_packed) == 176 && offsetof(ShopInfo, m_settings) == 188);
static_assert(offsetof(ShopInfo, m_pList5) == 196);

#pragma GCC diagnostic pop

// Gives the shop information the currencies of the "CurrencyDefault" table
// (each row's key), in the shop database for persistent 1.
void FillDefaultCurrencies(ShopInfo& info, BOOL persistent);
