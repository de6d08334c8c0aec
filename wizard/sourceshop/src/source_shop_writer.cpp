// The migration's writing into the shop file.
#include "source_shop_writer.h"

#include <unordered_map>

#include "department.h"
#include "localisation.h"
#include "product.h"
#include "root.h"
#include "shop_lists.h"
#include "shop_state.h"
#include "text_table.h"
#include "transaction_scope.h"

namespace {

constexpr unsigned kHomeSpecialPageId = 0x22001;  // the special page that shows the shop's home text
constexpr UINT kIdsSizeOption = 32906;            // "Size"
constexpr UINT kIdsColorOption = 32907;           // "Color"

CString Joined(const CString& first, const CString& second) {
  CString text;
  text.Format("%s\r\n\r\n%s", static_cast<LPCTSTR>(first), static_cast<LPCTSTR>(second));
  return text;
}

void Report(const SourceShopProgress& progress, int position) {
  if (progress) progress(position);
}

void WriteShopInformation(Root* root, int language, const SourceShop& shop) {
  root->m_strDescription = Joined(shop.S_HOMEHEAD, shop.S_HOMETXT);
  root->m_strImage = shop.S_LOGO;
  root->SetTitle(shop.S_NAME);
  if (Department* page = root->GetSpecialPage(kHomeSpecialPageId)) {
    if (Department_Lang* item = page->GetLangItem(language, TRUE)) {
      item->m_strName = shop.S_NAME;
      item->m_strLogo = shop.S_LOGO;
      item->m_strDescription = shop.S_HOMETXT;
      item->m_strIntro = shop.S_HOMEHEAD;
    }
  }
  if (ShopInfo_Lang* record = root->GetShopInfo().GetLangItem(-1, TRUE)) {
    CCompanyDetails& company = record->GetCompanyDetails();
    company.SetCompanyName(shop.S_FIRMA);
    company.SetCompanyAddress(shop.S_STRASSE);
    company.SetZip(shop.S_PLZ);
    company.SetString14(shop.S_ORT);
    company.SetPhone(shop.S_FON);
    company.SetFax(shop.S_FAX);
    company.SetEmailOrders(shop.S_EMAILORDER);
    company.SetEmailContact(shop.S_EMAILKONTAKT);
    company.SetString13(shop.S_ORDERFAX);
    company.SetShopURL(shop.S_HOMEPAGEURL);
    company.SetWelcomeText(shop.S_ORDERDANKE);
  }
  if (ShopInfo_Lang* first = root->GetShopInfo().GetLangItem(0, TRUE)) {
    first->m_countryInfo.m_strCurrency = shop.S_CURRENCY;
    if (shop.S_EURO) first->m_countryInfo.m_strText1 = "EUR";  // the second currency
  }
}

Department* CreateCategoryDepartment(int language, const CString& name, const CString& description,
                                     const CString& logo) {
  Department* department = Department::CreateNew(1);
  if (Department_Lang* item = department->GetLangItem(language, TRUE)) {
    item->m_strName = name;
    item->m_strDescription = description;
    item->m_strLogo = logo;
  }
  department->SetUsesLogo(1);
  return department;
}

void WriteDepartments(Root* root, int language, SourceShopTables& tables) {
  for (SourceCategory& c : tables.categories) {
    if (IsSkippedCategoryId(c.C_ID)) continue;
    if (c.C_ID == kHomePageCategoryId) c.C_NAME = "HomePage";
    if (c.C_ID == kRootCategoryId) c.C_NAME = "Kategorien";
    c.department = CreateCategoryDepartment(language, c.C_NAME, Joined(c.C_SUBTITLE, c.C_MAIN), c.C_IMAGE);
  }
  for (SourceCategory& c : tables.categories) {
    if (IsSkippedCategoryId(c.C_ID)) continue;
    if (c.topLevel) {
      c.department->AddToParent(root->GetMyShopDept());
    } else if (const SourceCategory* parent = FindSourceCategory(tables, c.C_PARENTID)) {
      c.department->AddToParent(parent->department);
    }
  }
}

void WriteTaxRates(Root* root, const SourceShopTables& tables) {
  PostageTax* tax = root->GetShopInfo().GetPostageTax();
  if (!tax) return;
  for (const SourceVat& v : tables.vats)
    if (v.V_ID >= 0 && v.V_ID <= 2) tax->m_tax.m_fLocal[v.V_ID] = static_cast<double>(v.V_VALUE);
}

void AddOption(Product* product, int language, const CString& label, const CString& choices, UINT placeholderId) {
  COption* option = COption::CreateNew(1);
  if (!label.IsEmpty()) {
    option->SetName(label, language);
    option->SetEnable(1);
    option->SetRequired(1);
    CStringArray pieces;
    SplitString(choices, pieces, "\r\n");
    for (int i = 0; i < pieces.GetSize(); ++i) {
      CChoice* choice = CChoice::CreateNew(1);
      choice->SetName(pieces[i], language);
      choice->AddToOption(option);
    }
  } else {
    option->SetName(LoadResString(placeholderId), language);
    option->SetEnable(0);
  }
  option->AddToCatStruct(&product->GetCatStruct());
}

Product* WriteProduct(int language, Department* allProducts, const SourceProduct& r) {
  // A product with option labels has those options only.
  const bool ownOptions = !r.P_OPTIONLABEL1.IsEmpty() || !r.P_OPTIONLABEL2.IsEmpty();
  Product* p = Product::CreateNew(1, !ownOptions);
  p->SetName(r.P_NAME, -1);
  if (Product_Lang* item = p->GetLangItem(language, TRUE)) {
    item->m_strDescription = Joined(r.P_SHORT, r.P_MAIN);
    item->m_strLogo = r.P_IMAGE1;
    item->m_strSpecial = r.P_SUBTITLE;
    item->m_bSpecial = 1;
    item->m_strIntro = r.P_SUBTITLE;
    item->m_strMMediaFile = r.P_IMAGE2;
    item->m_nApplyLocalTaxes = r.P_UID + 1;
  }
  p->GetPriceWeight().fPrice = r.P_PRICE;
  p->SetOrderNumber(r.P_ARTNR);
  if (ownOptions) {
    AddOption(p, language, r.P_OPTIONLABEL1, r.P_OPTION1, kIdsSizeOption);
    AddOption(p, language, r.P_OPTIONLABEL2, r.P_OPTION2, kIdsColorOption);
  }
  p->AddToDepartment(allProducts, -1);
  return p;
}

}  // namespace

void EmptyDepartmentList(dv_qem::dv_List<Department>* list, BOOL destroy) {
  while (!list->empty()) {
    Department* department = list->remove_last();
    if (destroy == 1 && department) {
      Department::Delete(department);
      dv_qem::durnavel::free_memory(department);
    }
  }
}

void EmptyShopDepartments(CShopSession& session, LPCTSTR path) {
  session.Open(path);
  try {
    CTransactionScope scope;
    dv_qem::dv_List<Department>* departments = session.GetRoot()->GetChildren();
    if (!departments->empty()) EmptyDepartmentList(departments, 1);
    scope.Commit();
    session.GetDatabase()->save();
  } catch (...) {
    try {
      session.Close();
    } catch (...) {
    }
    throw;
  }
  session.Close();
}

void EmptyOptionList(dv_qem::dv_List<COption>* list, BOOL destroy) {
  while (!list->empty()) {
    COption* option = list->remove_last();
    if (destroy == 1) objsch::DeleteObject(option);
  }
}

namespace {

void WriteInScope(CShopSession& session, LPCTSTR templateLanguage, SourceShopTables& tables,
                  const SourceShopProgress& progress) {
  CTransactionScope scope;
  Root* root = session.GetRoot();
  const int language = root->GetDefLanguage();
  if (CActiveLanguage* active = root->GetShopInfo().GetActiveLanguage())
    if (ShopInfo_Lang* record = active->GetLanguage()) record->SetLangName(templateLanguage);
  Department* allProducts = root->GetAllProductsDept();
  Report(progress, 60);

  WriteShopInformation(root, language, tables.shops.front());
  Report(progress, 70);

  WriteDepartments(root, language, tables);
  WriteTaxRates(root, tables);
  Report(progress, 80);

  std::unordered_map<int, Product*> productsById;
  int made = 0;
  for (SourceProduct& r : tables.products) {
    r.product = WriteProduct(language, allProducts, r);
    productsById[r.P_ID] = r.product;
    Report(progress, 80 + ++made % 10);
  }

  int linked = 0;
  for (const SourceCatProd& link : tables.links) {
    const SourceCategory* category = FindSourceCategory(tables, link.C_ID);
    auto product = productsById.find(link.P_ID);
    if (category && category->department && product != productsById.end() &&
        !category->department->HasSubDepartments())
      product->second->AddToDepartment(category->department, -1);
    Report(progress, 90 + ++linked % 10);
  }
  scope.Commit();
}

}  // namespace

void WriteSourceShop(CShopSession& session, LPCTSTR workPath, LPCTSTR templateLanguage, SourceShopTables& tables,
                     const SourceShopProgress& progress) {
  // The shop is opened -- and recovered when its log asks for it -- before
  // the transaction begins.
  g_bOldShopFormat = 0;
  session.Open(workPath);
  try {
    WriteInScope(session, templateLanguage, tables, progress);
    session.GetDatabase()->save();
  } catch (...) {
    // The first error is the one to report; the scope has aborted.
    try {
      session.Close();
    } catch (...) {
    }
    throw;
  }
  session.Close();
  Report(progress, 100);
}
