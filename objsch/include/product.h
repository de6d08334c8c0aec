// Products: the unit the import creates from each source row, with its
// per-language texts and its price and weight. Stored layouts.
#pragma once

#include <set>

#include "department.h"
#include "options.h"
#include "shipping.h"

class CShipMethodsList;
class CTaxingMethod;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

class _PriceWeight {
 public:
  _PriceWeight() = default;
  explicit _PriceWeight(BOOL persistent);

  objsch::dv4u m_nSize;                          // 0: size stamp, 28
  double fPrice;                                 // 4
  double fWeight;                                // 12
  objsch::dv4u bPrByWg;                          // 20: 1, price by weight
  dv_qem::dv_List<_PriceRange>* m_pRanges;       // 24

  static constexpr auto pointer_offsets() { return objsch::shop_at(offsetof(_PriceWeight, m_pRanges)); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

class Product_Lang {
 public:
  explicit Product_Lang(BOOL persistent);
  // Destroys the texts, the tax-rate list, the detail and the list.
  ~Product_Lang();
  Product_Lang(const Product_Lang&) = delete;
  Product_Lang& operator=(const Product_Lang&) = delete;
  ShopInfo_Lang* GetLanguage() const { return m_pLanguage; }
  void SetLanguage(ShopInfo_Lang* record) { m_pLanguage = record; }
  void SetDescription(LPCSTR text) { m_strDescription = text; }
  void SetLogo(LPCSTR text) { m_strLogo = text; }

  objsch::dv4u m_nWord1;                  // 0: not set
  CMyString m_strName;                    // 4
  CMyString m_strLogo;                    // 8
  CMyString m_strLogoUrl;                 // 12
  CMyString m_strLogoHtml;                // 16
  CMyString m_strDescription;             // 20
  CMyString m_strIntro;                   // 24
  CMyString m_strTexts[2];                // 28
  CMyString m_strMMediaFile;              // 36
  CMyString m_strMMURLFilename;           // 40
  CMyString m_strMMHtmlCode;              // 44
  CMyString m_strMMLinkCaption;           // 48
  CMyString m_strLinkCaption;             // 52
  CMyString m_strDiscountMessage;         // 56
  CMyString m_strShopText;                // 60: always in the shop database
  objsch::dv4u m_bSpecial;                // 64: 0
  CMyString m_strSpecial;                 // 68
  objsch::dv4s m_nApplyLocalTaxes;        // 72: 0
  CMyString m_strDefExposedText;          // 76
  CMyString m_strText3;                   // 80
  dv_qem::dv_List<double>* m_pTaxRates;   // 84
  CModiDetail m_detail;                   // 88
  ShopInfo_Lang* m_pLanguage;             // 116: the shop's language record, 0 at construction
  objsch::dv4u m_nWord2;                  // 120: not set
  dv_qem::dv_List<void>* m_pList;         // 124

  static constexpr auto pointer_offsets() {
    using T = Product_Lang;
    return objsch::shop_join(objsch::shop_at(4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 52, 56, 60,
                                             offsetof(T, m_strSpecial), offsetof(T, m_strDefExposedText),
                                             offsetof(T, m_strText3), offsetof(T, m_pTaxRates)),
                             objsch::shop_pointers_at<CModiDetail>(offsetof(T, m_detail)),
                             objsch::shop_at(offsetof(T, m_pLanguage), offsetof(T, m_pList)));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

class Product : public _ShopEntity {
 public:
  // Flag bits (m_flags).
  enum : objsch::dv4u { kDiscountSetting = 1, kAvailable = 12, kLogoFile = 22, kLogoUrl = 23, kLogoHtml = 24 };

  // One language item "New Product" (string 51500), three shipping items,
  // the four default options (none with defaultOptions FALSE, for a caller
  // that gives the product options of its own), the default flag bits,
  // id 0, state 1.
  explicit Product(BOOL persistent, BOOL defaultOptions = TRUE);
  static Product* CreateNew(BOOL persistent, BOOL defaultOptions = TRUE);
  // Takes the product out of every department, shortcut department,
  // related product and the recycle bin (only the references to this
  // product; other products stay where they are), and destroys what it
  // owns. The caller frees it.
  ~Product();
  Product(const Product&) = delete;
  Product& operator=(const Product&) = delete;

  // Adds the product to the shop's all-products list and gives it an id
  // from the product counter when it has none; answers the id.
  objsch::dv4u AssignToAllProducts();
  // Registers the product in the shop once and links it to the department.
  objsch::dv4u AddToDepartment(Department* department, int position);
  // Links product and department both ways, each link once.
  objsch::dv4u LinkToDepartment(Department* department, int position);

  // Placement. A position counts in the list without this product; -1, or
  // a position past the end, means the end. A product already in the list
  // moves to the new place, so no list holds it twice.
  //
  // Registers the product in the shop once, links it to the department
  // (each side once) and places it in the department's products after /
  // before position (before 0: first). The all-products department as
  // target only registers it. Answer the id.
  objsch::dv4u InsertAfter(Department* department, int position);
  objsch::dv4u InsertBefore(Department* department, int position);
  // Places the product in the all-products list after / before position,
  // gives it an id when it has none, then links it to the department
  // (unless that is the all-products department). Answer the id.
  objsch::dv4u AddAfter(Department* department, int position);
  objsch::dv4u AddBefore(Department* department, int position);
  // Takes the product out of list: 2 when it was there, else 0. When list
  // is the product list (or product-shortcut list) of a department the
  // product is linked to, that link goes too, so both sides stay in step.
  int RemoveFromList(dv_qem::dv_List<Product>* list);
  // RemoveFromList; with free set the product is then destroyed and freed
  // (whether or not it was in list). Answers whether it was in list.
  BOOL RemoveFromListAndFree(dv_qem::dv_List<Product>* list, BOOL free);
  objsch::dv4u GetID() const { return ulID; }
  // Department loss: unless the product stays in an ordinary department
  // outside lost (the departments being deleted; the all-products and
  // recycle-bin departments do not count), it leaves the product-shortcut
  // lists of its 0x20000 departments and they leave its shortcut-department
  // list.
  void LoseDepartment(const std::set<const Department*>& lost);

  Product_Lang* GetLangItem(int language, BOOL create);
  void GetName(CString& text, int language);
  void SetName(LPCSTR text, int language);
  static void AddLangItem(Product_Lang* item, Product* product, int language);

  void SetOrderNumber(LPCSTR text);
  // Word 68 := ((value << shift) AND mask) OR (word AND NOT mask).
  void SetSmallField(objsch::dv4u value, objsch::dv4u mask, int shift);
  int GetFlag(objsch::dv4u bit) const { return m_flags.GetAt(bit); }
  void SetFlag(objsch::dv4u bit, BOOL on);
  BOOL IsDiscountSetting() const { return GetFlag(kDiscountSetting); }
  BOOL IsAvailable() const { return GetFlag(kAvailable); }
  // The logo bits 22, 23 and 24 exclude each other: setting one clears the
  // other two.
  void SetFlag22(BOOL on) { SetLogoFlag(kLogoFile, on); }
  void SetFlag23(BOOL on) { SetLogoFlag(kLogoUrl, on); }
  void SetFlag24(BOOL on) { SetLogoFlag(kLogoHtml, on); }
  _PriceWeight& GetPriceWeight() { return m_priceWeight; }
  _CatStruct& GetCatStruct() { return m_options; }
  dv_qem::dv_List<_Shipping>* GetShippingList() const { return m_pShipping; }
  void Touch();

 private:
  void SetLogoFlag(objsch::dv4u bit, BOOL on);
  // In the all-products list, itself or a product with its id.
  bool IsRegistered() const;
  objsch::dv4u InsertIntoDepartment(Department* department, int position, bool after);
  objsch::dv4u AddToAllProducts(Department* department, int position, bool after);

 public:
  objsch::dv4u m_nSize;                                             // 28: size stamp, 340
  _PriceWeight m_priceWeight;                                       // 32
  CMyString strOrderNumber;                                         // 60
  objsch::dv4u ulID;                                                // 64: 0 = none yet
  objsch::dv4u m_nSmallFields;                                      // 68: a 4-bit value in the low bits
  CBitsArray m_flags;                                               // 72: 32 flag bits
  CBitsArray m_flags2;                                              // 80: all clear
  _CatStruct m_options;                                             // 88
  CMyString m_strDefOptionName;                                     // 104
  objsch::dv4u m_bBuildingLangItem;                                 // 108: 1 only inside the constructor
  CDiscountSettings m_discounts;                                    // 112
  CShipMethodsList* m_pShipMethods;                                 // 160: 0
  objsch::dv4s nOrderQuantitiyMin;                                  // 164: -1
  objsch::dv4s nOrderQuantitiyMax;                                  // 168: -1
  objsch::dv4u nPercentDiscount;                                    // 172: 0
  double nWidth;                                                    // 176
  double nHeight;                                                   // 184
  double nLength;                                                   // 192
  double nVolume;                                                   // 200
  objsch::dv4s m_nQuantity;                                         // 208: -1
  objsch::dv4u nReorderLevel;                                       // 212
  objsch::dv4u nReorderQuantity;                                    // 216
  CMyString strCategory;                                            // 220
  CMyString strSupplier;                                            // 224
  CModHistory m_history;                                            // 228
  dv_qem::dv_List<Product_Lang>* m_pLangItems;                      // 292
  dv_qem::dv_List<_Shipping>* m_pShipping;                          // 296: three items
  dv_qem::dv_List<Department>* m_pDepartments;                      // 300: departments listing it
  dv_qem::dv_List<Department>* m_pShortcutDepts;                    // 304
  dv_qem::dv_List<Product>* m_pRelated;                             // 308: kept symmetric
  dv_qem::dv_List<TAltNameLangPtr<CFeatureInfo>>* m_pFeatures;      // 312
  dv_qem::dv_List<TAltNameLangPtr<CPictureInfo>>* m_pPictures;      // 316
  dv_qem::dv_List<CTaxingMethod>* m_pTaxingMethods;                 // 320
  dv_qem::dv_List<CLinkInfo>* m_pLinks;                             // 324
  CMyStringArray m_codes;                                           // 328: five texts
  dv_qem::dv_List<void>* m_pList;                                   // 336

  static constexpr auto pointer_offsets() {
    using T = Product;
    return objsch::shop_join(
        _ShopEntity::pointer_offsets(), objsch::shop_pointers_at<_PriceWeight>(offsetof(T, m_priceWeight)),
        objsch::shop_at(offsetof(T, strOrderNumber)), objsch::shop_pointers_at<CBitsArray>(offsetof(T, m_flags)),
        objsch::shop_pointers_at<CBitsArray>(offsetof(T, m_flags2)),
        objsch::shop_pointers_at<_CatStruct>(offsetof(T, m_options)),
        objsch::shop_at(offsetof(T, m_strDefOptionName)),
        objsch::shop_pointers_at<CDiscountSettings>(offsetof(T, m_discounts)),
        objsch::shop_at(offsetof(T, m_pShipMethods), offsetof(T, strCategory), offsetof(T, strSupplier)),
        objsch::shop_pointers_at<CModHistory>(offsetof(T, m_history)),
        objsch::shop_at(offsetof(T, m_pLangItems), offsetof(T, m_pShipping), offsetof(T, m_pDepartments),
                        offsetof(T, m_pShortcutDepts), offsetof(T, m_pRelated), offsetof(T, m_pFeatures),
                        offsetof(T, m_pPictures), offsetof(T, m_pTaxingMethods), offsetof(T, m_pLinks)),
        objsch::shop_pointers_at<CMyStringArray>(offsetof(T, m_codes)), objsch::shop_at(offsetof(T, m_pList)));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

static_assert(sizeof(_PriceWeight) == 28 && offsetof(_PriceWeight, bPrByWg) == 20);
static_assert(sizeof(Product_Lang) == 128 && offsetof(Product_Lang, m_strShopText) == 60);
static_assert(offsetof(Product_Lang, m_pTaxRates) == 84 && offsetof(Product_Lang, m_detail) == 88);
static_assert(offsetof(Product_Lang, m_pLanguage) == 116 && offsetof(Product_Lang, m_pList) == 124);
static_assert(sizeof(Product) == 340 && offsetof(Product, m_priceWeight) == 32 && offsetof(Product, ulID) == 64);
static_assert(offsetof(Product, m_flags) == 72 && offsetof(Product, m_options) == 88);
static_assert(offsetof(Product, m_discounts) == 112 && offsetof(Product, m_pShipMethods) == 160);
static_assert(offsetof(Product, nWidth) == 176 && offsetof(Product, m_nQuantity) == 208);
static_assert(offsetof(Product, m_history) == 228 && offsetof(Product, m_pLangItems) == 292);
static_assert(offsetof(Product, m_pLinks) == 324 && offsetof(Product, m_codes) == 328);
static_assert(offsetof(Product, m_pList) == 336);

#pragma GCC diagnostic pop
