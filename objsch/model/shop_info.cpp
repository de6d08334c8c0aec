// The shop information, its per-language records and company details.
#include "shop_info.h"

#include <cstring>

#include "default_texts.h"
#include "display_styles.h"
#include "durnavel.h"
#include "dv_array.h"
#include "qem_string.h"
#include "payment.h"
#include "shop_lists.h"
#include "singleton_pool.h"
#include "text_table.h"

CCompanyDetails::CCompanyDetails(BOOL persistent)
    : nMerchantID(0), m_strings(kStringCount, persistent), m_nReserved{0, 0, 0, 0} {
  m_strings.Fill();
}

ShopInfo_Lang::ShopInfo_Lang(BOOL persistent)
    : m_nSize(sizeof(ShopInfo_Lang)), m_countryInfo(persistent), m_postage(persistent), m_companyDetails(persistent),
      m_strShopName(persistent), m_strLogo(persistent), m_strDescription(persistent), m_strLangName(persistent),
      m_nShippingBy(0), m_nShippingMethod(16), m_nShippingRegions(1), m_nTaxRegions(256), m_flags(4),
      m_pList1(objsch::NewList<void>(persistent)), m_pUnits(objsch::NewList<CMyString>(persistent)),
      m_links(3, persistent), m_pList2(objsch::NewList<void>(persistent)) {
  m_flags.SetAll(0);
  m_flags.SetAt(0, 1);
  for (const char* unit : {"feet", "yards", "inches", "cm", "mm", "m", "ml"}) {
    CMyString* text = CMyString::CreateNew(persistent);
    *text = unit;
    m_pUnits->insert_last(text);
  }
  m_links.Fill();
}

namespace {

// Empties list, ending each element with end, then destroys the list.
template <class T, class End>
void EmptyAndDestroy(dv_qem::dv_List<T>*& list, End end) {
  if (list == nullptr) return;
  while (T* element = list->remove_last()) end(element);
  objsch::DestroyList(list);
}

// Frees an element of a list whose element class no operation names.
void FreeUntyped(void* element) { dv_qem::durnavel::free_memory(element); }

void FreeString(CMyString* text) { CMyString::Free(text); }

}  // namespace

ShopInfo_Lang::~ShopInfo_Lang() {
  EmptyAndDestroy(m_pList1, FreeUntyped);
  EmptyAndDestroy(m_pUnits, FreeString);
  EmptyAndDestroy(m_pList2, FreeUntyped);
  m_links.Destroy();
  m_companyDetails.m_strings.Destroy();
  m_countryInfo.Destroy();
  m_postage.Destroy();
  for (CMyString* text : {&m_strShopName, &m_strLogo, &m_strDescription, &m_strLangName}) text->DestroyString();
  // The flag array goes with its own destructor.
}

void ShopInfo::CleanUp() {
  objsch::DeleteObject(m_pDisplayStyles);
  m_pDisplayStyles = nullptr;
  objsch::DeleteObject(m_pPostageTax);
  m_pPostageTax = nullptr;
  // The pairs before the methods and services they name.
  EmptyAndDestroy(m_aPayMethodPairs, [](CPayServiceMethodPair* pair) { objsch::DeleteObject(pair); });
  EmptyAndDestroy(m_aPayMethods, [](CPayMethod* method) { objsch::DeleteObject(method); });
  EmptyAndDestroy(m_aPayServices, [](CPayServiceDetails* service) { objsch::DeleteObject(service); });
  EmptyAndDestroy(m_pList4, [](CMLText* text) { objsch::DeleteObject(text); });
  EmptyAndDestroy(m_aLanguagesAllowed, [](CActiveLanguage* entry) { dv_qem::durnavel::free_memory(entry); });
  EmptyAndDestroy(m_langItems, [](ShopInfo_Lang* record) {
    if (g_pCurrentLangRecord == record) g_pCurrentLangRecord = nullptr;
    objsch::DeleteObject(record);
  });
  EmptyAndDestroy(m_aCurrenciesAllowed, FreeString);
  EmptyAndDestroy(m_pList3, FreeString);
  EmptyAndDestroy(m_pList1, FreeUntyped);
  EmptyAndDestroy(m_pList2, FreeUntyped);
  EmptyAndDestroy(m_aShippingClasses, FreeUntyped);
  EmptyAndDestroy(m_pList5, FreeUntyped);
  m_settings.Destroy();
  for (CMyString& text : m_strTexts) text.DestroyString();
  if (dv_qem::dv_collection* packed = m_packed.get_outofline()) {
    dv_qem::dv_collection::destroy(*packed);
    m_packed.set_outofline(nullptr);
  }
}

ShopInfo::ShopInfo(BOOL persistent)
    : m_nSize(sizeof(ShopInfo)), m_nWords1{0, 0, 0}, m_nWords2{1, 7}, m_nWords3{0, 0, 0, 0}, m_nWord4(1), m_flags(4),
      m_strTexts{CMyString(persistent), CMyString(persistent), CMyString(persistent)}, m_nWords5{0, 0}, m_nWord6(0),
      m_defiTxts(persistent), m_nZero{0, 0, 0}, m_pDisplayStyles(nullptr), m_pPostageTax(nullptr),
      m_pList1(objsch::NewList<void>(persistent)), m_pList2(objsch::NewList<void>(persistent)),
      m_aCurrenciesAllowed(objsch::NewList<CMyString>(persistent)),
      m_pList3(objsch::NewList<CMyString>(persistent)), m_langItems(objsch::NewList<ShopInfo_Lang>(persistent)),
      m_aPayMethods(objsch::NewList<CPayMethod>(persistent)), m_pList4(objsch::NewList<CMLText>(persistent)),
      m_aLanguagesAllowed(objsch::NewList<CActiveLanguage>(persistent)),
      m_aPayServices(objsch::NewList<CPayServiceDetails>(persistent)),
      m_aPayMethodPairs(objsch::NewList<CPayServiceMethodPair>(persistent)),
      m_aShippingClasses(objsch::NewList<void>(persistent)), m_packed(), m_settings(5, persistent),
      m_pList5(objsch::NewList<void>(persistent)) {
  m_flags.SetAll(0);
  m_flags.SetAt(1, 1);
  m_flags.SetAt(6, 1);
  m_packed.set_outofline(new (&m_packed, dv_qem::dv_packed_list::get_dv_typespec()) dv_qem::dv_packed_list(0));
  m_settings.Fill();

  ShopInfo_Lang* first = objsch::NewObject<ShopInfo_Lang>(persistent, persistent);
  AssignDefaultText::LanguageName(first->m_strLangName.GetString());
  AssignDefaultText::LanguageName(m_settings.GetAt(1)->GetString());
  *m_settings.GetAt(3) = "0";
  AddLanguage(first);
  g_pCurrentLangRecord = first;
  m_pDisplayStyles = objsch::NewObject<DisplayStyles>(TRUE, TRUE);
  m_pPostageTax = objsch::NewObject<PostageTax>(TRUE, TRUE);
}

ShopInfo_Lang* ShopInfo::GetLangItem(int index, BOOL create) {
  if (g_bOldShopFormat) index = 0;
  if (index == -1) index = CSingletonPool::GetDefLanguage();
  unsigned count = m_langItems->cardinality();
  if (count == 0) return nullptr;
  if (index < 0 || static_cast<unsigned>(index) >= count) return m_langItems->retrieve_first();
  return m_langItems->retrieve(static_cast<unsigned>(index));
}

void ShopInfo::SetDefLanguagePos(int position) {
  CString text;
  text.Format("%d", position);
  CMyString* setting = m_settings.GetAt(3);
  if (std::strcmp(*setting, text) != 0) *setting = text;
}

void ShopInfo::AddLanguage(ShopInfo_Lang* record) {
  m_langItems->insert_last(record);
  m_aLanguagesAllowed->insert_last(objsch::NewObject<CActiveLanguage>(objsch::IsPersistent(this), record, TRUE));
}

void FillDefaultCurrencies(ShopInfo& info, BOOL persistent) {
  CTextTable table;
  table.SetName("CurrencyDefault");
  table.Load(0);
  for (int i = 0; i < table.GetRowCount(); ++i) {
    CMyString* currency = CMyString::CreateNew(persistent);
    *currency = table.GetRow(i).m_strKey;
    info.m_aCurrenciesAllowed->insert_last(currency);
  }
}
