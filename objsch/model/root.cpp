// The Root: a new shop's contents, the special departments and the default
// language.
#include "root.h"

#include "app_settings.h"
#include "default_texts.h"
#include "department.h"
#include "qem_string.h"
#include "payment.h"
#include "product.h"
#include "shop_lists.h"
#include "singleton_pool.h"
#include "supported_languages.h"
#include "transaction_scope.h"

namespace {

// The special departments: name kind and type word, in list order.
struct special_row {
  int kind;
  objsch::dv4u type;
};
constexpr special_row kSpecialDepts[Root::kSpecialDeptCount] = {
    {5, 0x12001}, {4, 0x12002}, {1, 0x12003}, {8, 0x12004}, {7, 0x12005},
    {6, 0x12006}, {2, 0x12007}, {3, 0x12008}, {9, 0x12009}};

constexpr int kHiddenKind = 9;
constexpr int kSampleProductKind = 10;
constexpr unsigned kFirstSpecialPage = 0x22001;
constexpr int kSpecialPages = 7;

// Names a department in the default language and itself.
void NameDepartment(Department* department, LPCSTR name) {
  department->SetName(name, -1);
  department->m_strName = name;
}

}  // namespace

void TouchShop(const COleDateTime& now) {
  if (g_pShopRoot != nullptr) g_pShopRoot->m_history.GetModHistory().GetLastChange().SetDate(now);
}

Root::Root(BOOL persistent)
    : m_strTitle(persistent), m_strImage(persistent), m_strDescription(persistent), m_strSignature(persistent),
      m_sWallInfo(persistent), m_nSize(sizeof(Root)), m_sShpHeader(TRUE), m_sShopInfo(persistent),
      m_sWebInfo(persistent), m_unwritten{0, 0, 0}, m_aChildren(objsch::NewList<void>(persistent)),
      m_aSpecialDepts(objsch::NewList<Department>(persistent)), m_aDeptNames(objsch::NewList<void>(persistent)),
      m_pList296(objsch::NewList<void>(persistent)), m_aRegions(objsch::NewList<CRegion>(persistent)),
      m_pList304(objsch::NewList<void>(persistent)), m_pList308(objsch::NewList<void>(persistent)),
      m_pList312(objsch::NewList<void>(persistent)), m_aAllChoices(objsch::NewList<CChoice>(persistent)),
      m_aAllOptions(objsch::NewList<COption>(persistent)), m_history(persistent),
      m_aCounters(objsch::NewArray<unsigned long>(persistent)), m_nDefLanguage(0),
      m_pList412(objsch::NewList<void>(persistent)) {
  g_pShopRoot = this;
  bool samples = !g_bOldShopFormat;

  for (unsigned i = 0; i < kIdCounters; ++i) {
    auto* cell = static_cast<unsigned long*>(
        ::operator new(sizeof(unsigned long), this, dv_qem::dv_typespec::get_unsigned_long(), 1));
    *cell = 0;
    m_aCounters->insert_last(cell);
  }
  for (const special_row& row : kSpecialDepts) {
    Department* department = objsch::NewObject<Department>(persistent, persistent);
    m_aSpecialDepts->insert_last(department);
    NameDepartment(department, GetSpecialDeptKindName(row.kind));
    department->SetDeptTypeRaw(row.type);
  }
  Department* hiddenDept = GetHiddenDept();
  Department* hidden = objsch::NewObject<Department>(persistent, persistent);
  NameDepartment(hidden, GetSpecialDeptKindName(kHiddenKind));
  hidden->SetDeptTypeRaw(Department::kOrdinary);
  hiddenDept->m_pChildren->insert_last(hidden);
  hidden->SetParent(hiddenDept);
  hiddenDept->SetName("Hidden Department", 0);
  for (int n = 1; n <= 2; ++n) {
    Product* sample = Product::CreateNew(persistent);
    CString name;
    name.Format("%s-%d", static_cast<LPCSTR>(GetSpecialDeptKindName(kSampleProductKind)), n);
    sample->SetName(name, 0);
    sample->LinkToDepartment(hidden, -1);
    sample->LinkToDepartment(hiddenDept, -1);
  }
  if (samples) {
    for (int n = 1; n <= 3; ++n) {
      Department* department = objsch::NewObject<Department>(persistent, persistent);
      CString name;
      name.Format("%s %d", static_cast<LPCSTR>(*LoadDefaultTextString(51499)), n);
      NameDepartment(department, name);
      department->SetDeptType(1);
      department->AddToParent(GetMyShopDept());
    }
    Department* pages = GetSpecialDept(kSpecialPagesDept);
    for (unsigned id = kFirstSpecialPage; id < kFirstSpecialPage + kSpecialPages; ++id) {
      Department* page = objsch::NewObject<Department>(persistent, persistent);
      page->SetDeptKind(1, Department::kPage);
      page->SetDeptTypeRaw(id);
      NameDepartment(page, GetSpecialDeptDefaultName(id));
      pages->m_pChildren->insert_last(page);
      page->SetParent(pages);
    }
  }

  m_strSignature = kShopSignature;
  AssignDefaultText::ShopTitle(m_strTitle.GetString());

  CRegion* region = CRegion::Create(3, "01", -1, persistent);
  region->SetDetails(CRegionDetails::Create(region));
  region->AddToShop();

  LoadSupportedLanguages(SupportedLanguages());
  CreateDefaultPayMethods(m_sShopInfo);
  FillDefaultCurrencies(m_sShopInfo, persistent);
}

Department* Root::GetSpecialDept(unsigned i) const {
  unsigned count = m_aSpecialDepts->cardinality();
  if (count == 0) return nullptr;
  if (i == kSpecialDeptCount || i >= count) i = kMyShopDept;
  return m_aSpecialDepts->retrieve(i);
}

dv_qem::dv_List<Department>* Root::GetChildren() const { return GetMyShopDept()->GetChildren(); }

Department* Root::GetSpecialPage(unsigned id) const {
  return GetSpecialDept(kSpecialPagesDept)->GetChildren()->retrieve(id - kFirstSpecialPage);
}

int Root::GetDefLanguage() const { return CSingletonPool::GetDefLanguage(); }

void Root::SetDefLanguage(int index) {
  CTransactionScope scope;
  if (index != -1 && m_nDefLanguage != static_cast<objsch::dv4u>(index)) m_nDefLanguage = static_cast<objsch::dv4u>(index);
  CSingletonPool::SetDefLanguage(static_cast<int>(m_nDefLanguage));
  scope.Commit();
}

CString Root::GetSpecialDeptKindName(int kind) {
  switch (kind) {
    case 1: return LoadSpecialDeptText::AllProducts(0);
    case 2: return LoadSpecialDeptText::AllDepartments(0);
    case 3: return LoadSpecialDeptText::AllPages(0);
    case 4: return LoadSpecialDeptText::SpecialPages(0);
    case 5: return LoadSpecialDeptText::MyShop(0);
    case 6: return LoadSpecialDeptText::MyWebpages(0);
    case 7: return LoadSpecialDeptText::SearchResults(0);
    case 8: return LoadSpecialDeptText::RecycleBin(0);
    case 9: return LoadSpecialDeptText::HiddenDepartment(0);
    case 10: return LoadSpecialDeptText::SampleProduct(0);
    default: return CString();
  }
}
