// Payment methods, their fields, services and method-service pairs.
#include "payment.h"

#include "app_settings.h"
#include "pay_method_file.h"
#include "root.h"
#include "shop_lists.h"

namespace {

ShopInfo* OpenShopInfo() { return g_pShopRoot != nullptr ? &g_pShopRoot->m_sShopInfo : nullptr; }

// Names the text's item of the shop's active language (made when missing)
// and, when it is another item with an empty name, that of the shop's first
// allowed language.
void NameForShop(CMLText& text, LPCSTR name) {
  ShopInfo* info = OpenShopInfo();
  CActiveLanguage* active = info != nullptr ? info->GetActiveLanguage() : nullptr;
  CNameLangPtr* item = text.GetLangItem(active, TRUE);
  if (item == nullptr) return;
  item->SetName(name);
  if (info == nullptr || info->m_aLanguagesAllowed->empty()) return;
  CNameLangPtr* first = text.GetLangItem(info->m_aLanguagesAllowed->retrieve_first(), FALSE);
  if (first != nullptr && first != item && first->GetName().IsEmpty()) first->SetName(name);
}

// Removes and deletes every pair for which pick is true.
template <class Pick>
void DeletePairs(Pick pick) {
  ShopInfo* info = OpenShopInfo();
  if (info == nullptr) return;
  dv_qem::dv_List<CPayServiceMethodPair>* pairs = info->m_aPayMethodPairs;
  for (unsigned i = pairs->cardinality(); i-- > 0;) {
    CPayServiceMethodPair* pair = pairs->retrieve(i);
    if (!pick(pair)) continue;
    pairs->remove_at(i);
    objsch::DeleteObject(pair);
  }
}

void FreeItems(dv_qem::dv_List<void>*& list) {
  if (list == nullptr) return;
  while (void* item = list->remove_last()) dv_qem::durnavel::free_memory(item);
  objsch::DestroyList(list);
}

}  // namespace

// ---- fields -------------------------------------------------------------------

CQuestionaire::CQuestionaire(BOOL persistent)
    : CMLText(persistent), m_nFlags(kPayFieldText), m_options(4), m_nMaxLength(256), m_nWidth(40), m_nHeight(3),
      m_strText(persistent), m_nDefaultChoice(-1), m_pChoices(objsch::NewList<CMLText>(persistent)), m_nWord(0) {}

CQuestionaire::~CQuestionaire() {
  EmptyChoices();
  objsch::DestroyList(m_pChoices);
  m_strText.DestroyString();
}

void CQuestionaire::EmptyChoices() {
  while (CMLText* choice = m_pChoices->remove_last()) objsch::DeleteObject(choice);
}

CPayMethField::CPayMethField(BOOL persistent)
    : CQuestionaire(persistent), m_nSize(sizeof(CPayMethField)), m_nInt(0), m_pList(objsch::NewList<void>(persistent)) {}

CPayMethField::~CPayMethField() { FreeItems(m_pList); }

CPayMethField* CPayMethField::CreateNew(BOOL persistent) { return objsch::NewObject<CPayMethField>(persistent, persistent); }

void EmptyPayFieldList(dv_qem::dv_List<CPayMethField>* list, BOOL del) {
  while (CPayMethField* field = list->remove_last())
    if (del) objsch::DeleteObject(field);
}

// ---- methods ------------------------------------------------------------------

CPayMethod::CPayMethod(BOOL persistent)
    : CMLText(persistent), m_nSize(sizeof(CPayMethod)), m_nInt(0), m_strFileName(persistent),
      m_pFields(objsch::NewList<CPayMethField>(persistent)), m_pList(objsch::NewList<void>(persistent)) {}

CPayMethod::~CPayMethod() {
  DeletePairs([this](CPayServiceMethodPair* pair) { return pair->m_pMethod == this; });
  if (ShopInfo* info = OpenShopInfo()) info->m_aPayMethods->remove(this);
  EmptyPayFieldList(m_pFields, TRUE);
  objsch::DestroyList(m_pFields);
  FreeItems(m_pList);
  m_strFileName.DestroyString();
}

CPayMethod* CPayMethod::CreateNew(BOOL persistent) { return objsch::NewObject<CPayMethod>(persistent, persistent); }

int ParsePayMethodFields(CPayMethod& method, LPCSTR fileName, LPCSTR languageCode) {
  method.SetFileName(fileName);
  CString path;
  path.Format("%s\\%s", static_cast<LPCSTR>(GetAppDirectory()), fileName);
  CIniFile ini(path);
  CString name;
  ReadIniStringLocaleFallback(ini, name, "Method Names", languageCode);
  NameForShop(method, name);

  CStringArray lines;
  if (!ReadIniSectionLines(ini, languageCode, lines, true)) return 0;
  EmptyPayFieldList(method.m_pFields, TRUE);
  for (int i = 0; i < lines.GetSize(); ++i) {
    PayFieldSpec spec;
    if (!ParsePayFieldLine(lines[i], spec)) continue;
    CPayMethField* field = CPayMethField::CreateNew(TRUE);
    NameForShop(*field, spec.m_strCaption);
    field->SetRequired(spec.m_bRequired);
    field->SetKind(spec.m_nKind);
    field->m_nWidth = spec.m_nWidth;
    field->m_nHeight = spec.m_nHeight;
    field->m_nMaxLength = spec.m_nMaxLength;
    field->m_nDefaultChoice = -1;
    if (spec.m_bSetsChoices) {
      field->EmptyChoices();
      for (const CString& choiceName : spec.m_choices) {
        CMLText* choice = objsch::NewObject<CMLText>(TRUE, TRUE);
        NameForShop(*choice, choiceName);
        field->m_pChoices->insert_last(choice);
      }
      field->m_nDefaultChoice = spec.m_nDefaultChoice;
    }
    method.m_pFields->insert_last(field);
  }
  return lines.GetSize();
}

// ---- services and pairs -------------------------------------------------------

CPayServiceDetails::CPayServiceDetails(BOOL persistent)
    : m_nSize(sizeof(CPayServiceDetails)), m_strText(persistent), m_strPath(persistent),
      m_pTexts(objsch::NewList<CMyString>(persistent)), m_pList(objsch::NewList<void>(persistent)) {
  for (int i = 0; i < 8; ++i) m_pTexts->insert_last(CMyString::CreateNew(persistent));
}

CPayServiceDetails::~CPayServiceDetails() {
  DeletePairs([this](CPayServiceMethodPair* pair) { return pair->m_pService == this; });
  if (ShopInfo* info = OpenShopInfo()) info->m_aPayServices->remove(this);
  while (CMyString* text = m_pTexts->remove_last()) CMyString::Free(text);
  objsch::DestroyList(m_pTexts);
  FreeItems(m_pList);
  m_strText.DestroyString();
  m_strPath.DestroyString();
}

CPayServiceDetails* CPayServiceDetails::CreateNew(BOOL persistent) {
  return objsch::NewObject<CPayServiceDetails>(persistent, persistent);
}

CPayServiceMethodPair::CPayServiceMethodPair(BOOL persistent)
    : m_nSize(sizeof(CPayServiceMethodPair)), m_pService(nullptr), m_pMethod(nullptr),
      m_pList(objsch::NewList<void>(persistent)) {}

CPayServiceMethodPair::~CPayServiceMethodPair() {
  FreeItems(m_pList);
  m_pService = nullptr;
  m_pMethod = nullptr;
}

CPayServiceMethodPair* CPayServiceMethodPair::CreateNew(BOOL persistent) {
  return objsch::NewObject<CPayServiceMethodPair>(persistent, persistent);
}

int CreateDefaultPayMethods(ShopInfo& info) {
  if (!info.m_aPayMethods->empty()) return static_cast<int>(info.m_aPayMethods->cardinality());
  for (const char* name : {"cashondelivery", "drawfrombank", "purchaseorder", "sendcheck"}) {
    CString file;
    file.Format("payment methods\\%s.ini", name);
    CPayMethod* method = CPayMethod::CreateNew(TRUE);
    method->SetFileName(file);
    ParsePayMethodFields(*method, file, "EN");
    info.m_aPayMethods->insert_last(method);
    CPayServiceMethodPair* pair = CPayServiceMethodPair::CreateNew(TRUE);
    pair->m_pMethod = method;
    info.m_aPayMethodPairs->insert_last(pair);
  }
  CPayServiceDetails* service = CPayServiceDetails::CreateNew(TRUE);
  service->SetPath("payment services\\manual\\default");
  info.m_aPayServices->insert_last(service);
  for (unsigned i = 0; i < info.m_aPayMethodPairs->cardinality(); ++i)
    info.m_aPayMethodPairs->retrieve(i)->m_pService = service;
  return 4;
}
