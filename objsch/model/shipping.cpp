// Country formats, discounts, postage, tax and shipping items.
#include "shipping.h"

#include "default_texts.h"
#include "dv_chained_list.h"
#include "dv_list.h"
#include "fw_locale.h"
#include "qem_string.h"
#include "shop_lists.h"

namespace {

// Gives an embedded facade a list representation placed next to it.
template <class Rep>
void MakeEmbeddedList(dv_qem::dv_outofline_collection& facade, dv_qem::dv_typespec* type) {
  facade.set_outofline(new (&facade, type) Rep(0, 0));
}

void DestroyEmbeddedList(dv_qem::dv_outofline_collection& facade) {
  if (dv_qem::dv_collection* rep = facade.get_outofline()) {
    dv_qem::dv_collection::destroy(*rep);
    facade.set_outofline(nullptr);
  }
}

}  // namespace

CDiscountSettings::CDiscountSettings(BOOL persistent)
    : m_nSize(sizeof(CDiscountSettings)), m_strText(persistent), m_fDiscount(0.0), m_clrForeground(0),
      m_clrBackground(0xffffff), m_bFixedDiscount(1), m_pPicture(nullptr),
      m_pPriceRanges(objsch::NewList<_PriceRange>(persistent)) {}

void CDiscountSettings::Destroy() {
  m_strText.DestroyString();
  objsch::DestroyList(m_pPriceRanges);
}

CountryInfo::CountryInfo(BOOL persistent)
    : m_nSize(sizeof(CountryInfo)), m_strCurrency(TRUE), m_strText1(TRUE),
      m_bDecimalComma(0), m_bWholeCurrency(0), m_strWeightUnit("kg", TRUE), m_nWords1{0, 0},
      m_strTexts{CMyString(TRUE), CMyString(TRUE), CMyString(TRUE)}, m_nWords2{0, 0}, m_discounts(persistent),
      m_pList(objsch::NewList<void>(persistent)) {
  AssignDefaultText::Currency(m_strCurrency.GetString());
  FwLocaleData locale;
  if (!FwGetLocaleData(LOCALE_USER_DEFAULT, &locale)) return;
  m_bDecimalComma = locale.decimalSeparator == "," ? 1 : 0;
  m_bWholeCurrency = locale.currencyDigits == 0 ? 1 : 0;
}

void CountryInfo::Destroy() {
  for (CMyString* text : {&m_strCurrency, &m_strText1, &m_strWeightUnit, &m_strTexts[0], &m_strTexts[1], &m_strTexts[2]})
    text->DestroyString();
  m_discounts.Destroy();
  objsch::DestroyList(m_pList);
}

_PostInfo::_PostInfo(BOOL persistent)
    : m_nSize(sizeof(_PostInfo)),
      m_pLists{objsch::NewList<void>(persistent), objsch::NewList<void>(persistent), objsch::NewList<void>(persistent)} {}

void _PostInfo::Destroy() {
  for (auto*& list : m_pLists) objsch::DestroyList(list);
}

_Postage::_Postage(BOOL persistent)
    : m_nSize(sizeof(_Postage)),
      m_strTransportMethods{CMyString(TRUE), CMyString(TRUE), CMyString(TRUE)},
      m_pByWeight(objsch::NewList<_ByWeightPrice>(persistent)), m_postInfo(TRUE), m_strText(TRUE), m_nWord(0),
      m_pList(objsch::NewList<void>(persistent)) {
  for (int i = 0; i < 3; ++i) AssignDefaultText::ShippingMethodName(m_strTransportMethods[i].GetString(), i);
  MakeEmbeddedList<dv_qem::dv_chained_list_4_8>(m_byPrice, dv_qem::dv_chained_list_4_8::get_dv_typespec());
}

void _Postage::Destroy() {
  for (CMyString& name : m_strTransportMethods) name.DestroyString();
  objsch::DestroyList(m_pByWeight);
  DestroyEmbeddedList(m_byPrice);
  m_postInfo.Destroy();
  m_strText.DestroyString();
  objsch::DestroyList(m_pList);
}

CString _Postage::GetTransportMethodsAt(int i) const {
  if (i < 0 || i > 2) return CString();
  return static_cast<LPCSTR>(m_strTransportMethods[i]);
}

void _Postage::SetTransportMethodAt(int i, LPCSTR text) {
  if (i < 0 || i > 2) return;
  m_strTransportMethods[i] = text;
}

_Tax::_Tax(BOOL persistent)
    : m_nSize(sizeof(_Tax)), m_fLocal{0, 0, 0, 0, 0}, m_fInterstate(0), m_fInternational(0),
      m_bGerman((FwThreadLangId() & 0x3ff) == 7 ? 1 : 0), m_nWords{0, 0}, m_pList1(objsch::NewList<void>(TRUE)),
      m_pList2(objsch::NewList<void>(persistent)) {
  for (auto& list : m_lists) MakeEmbeddedList<dv_qem::dv_list>(list, dv_qem::dv_list::get_dv_typespec());
}

void _Tax::Destroy() {
  objsch::DestroyList(m_pList1);
  for (auto& list : m_lists) DestroyEmbeddedList(list);
  objsch::DestroyList(m_pList2);
}

PostageTax::PostageTax(BOOL persistent)
    : m_nSize(sizeof(PostageTax)), m_tax(TRUE), m_postage(TRUE), m_pList(objsch::NewList<void>(persistent)) {}

PostageTax::~PostageTax() {
  m_tax.Destroy();
  m_postage.Destroy();
  objsch::DestroyList(m_pList);
}

_Shipping::_Shipping(BOOL persistent)
    : m_nWord(0), m_fCosts(0.0), m_bAllOtherRegions(0), m_pList(objsch::NewList<void>(persistent)) {}

_Shipping::~_Shipping() { objsch::DestroyList(m_pList); }

_Shipping* _Shipping::CreateNew(BOOL persistent) { return objsch::NewObject<_Shipping>(persistent, persistent); }
