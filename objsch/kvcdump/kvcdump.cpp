// kvcdump: prints what a shop file holds, one item a line, without
// changing the file. "kvcdump SHOPFILE" prints the shop information, the
// department tree, the products with their options and choices, the
// regions with their shipping and tax records, payment methods and
// currencies, then the counts; "kvcdump --classes" prints the shop
// schema's classes, each with its size.
//
// The file is opened read-only (never created, never recovered: a file
// that needs recovery is refused) inside a read-only transaction, and its
// Root is read directly, in the shop's first language.
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "department.h"
#include "durnavel.h"
#include "dv_database_root.h"
#include "dv_err.h"
#include "dv_fault_handler.h"
#include "dv_transaction.h"
#include "fw_mbs.h"
#include "payment.h"
#include "product.h"
#include "qem_string.h"
#include "root.h"
#include "search_engine.h"
#include "shipping_methods.h"
#include "shop_schema.h"
#include "shop_state.h"

namespace {

constexpr int kLanguage = 0;  // the shop's first language

struct counts {
  unsigned departments = 0, products = 0, options = 0, choices = 0;
  unsigned providers = 0, methods = 0, taxingMethods = 0, searchEngines = 0;
};

// The shop's products, each once: the all-products list first, then those
// only departments list.
struct product_list {
  std::vector<Product*> order;
  std::set<Product*> seen;
  void add(Product* product) {
    if (seen.insert(product).second) order.push_back(product);
  }
};

void PrintClasses() {
  const objsch::shop_class* classes = objsch::shop_classes();
  for (size_t i = 0; i < objsch::kShopClassCount; ++i)
    std::printf("%s %u\n", classes[i].name, classes[i].typespec->get_size());
}

void PrintDepartment(Department* department, int depth, counts& n, std::set<Department*>& seen,
                     product_list& products) {
  if (!seen.insert(department).second) return;  // a tree with a cycle is printed once
  ++n.departments;
  CString name;
  department->GetName(name, kLanguage);
  std::printf("%*sdepartment %u type 0x%x: %s (%u products)\n", 2 * depth, "", department->GetID(),
              department->GetDeptType(), static_cast<LPCSTR>(name), department->GetProducts()->cardinality());
  if (CSearchEngine* engine = department->m_pSearchEngine) {
    ++n.searchEngines;
    std::printf("%*ssearch engine: %s (%u items)\n", 2 * depth + 2, "", static_cast<LPCSTR>(engine->GetText(kLanguage)),
                engine->m_pItems2->cardinality());
  }
  for (unsigned i = 0; i < department->GetProducts()->cardinality(); ++i)
    products.add(department->GetProducts()->retrieve(i));
  auto* children = department->GetChildren();
  for (unsigned i = 0; i < children->cardinality(); ++i)
    PrintDepartment(children->retrieve(i), depth + 1, n, seen, products);
}

void PrintProduct(Product* product, counts& n) {
  ++n.products;
  CString name;
  product->GetName(name, kLanguage);
  std::printf("product %u item \"%s\": %s price %.2f\n", product->GetID(),
              static_cast<LPCSTR>(product->strOrderNumber), static_cast<LPCSTR>(name),
              product->GetPriceWeight().fPrice);
  auto* options = product->GetCatStruct().m_pOptions;
  for (unsigned i = 0; i < options->cardinality(); ++i) {
    COption* option = options->retrieve(i);
    ++n.options;
    option->GetName(name, kLanguage);
    std::printf("  option %u: %s%s\n", option->m_nID, static_cast<LPCSTR>(name),
                option->IsEnabled() ? "" : " (not offered)");
    for (unsigned j = 0; j < option->m_aChoices->cardinality(); ++j) {
      CChoice* choice = option->m_aChoices->retrieve(j);
      ++n.choices;
      choice->GetName(name, kLanguage);
      std::printf("    choice %u: %s price %.2f item \"%s\"\n", choice->m_nID, static_cast<LPCSTR>(name),
                  choice->GetPrice(), static_cast<LPCSTR>(choice->GetOrderNo()));
    }
  }
}

// A region's shipping providers, shipping-method lists with their methods,
// and taxing methods.
void PrintRegionDetails(CRegionDetails* details, counts& n) {
  for (unsigned i = 0; i < details->m_pProviders->cardinality(); ++i) {
    CShippingProvider* provider = details->m_pProviders->retrieve(i);
    ++n.providers;
    std::printf("  shipping provider %u: %s rate %.2f\n", provider->m_nID,
                static_cast<LPCSTR>(provider->GetText(kLanguage)), provider->m_fRate);
  }
  for (unsigned i = 0; i < details->m_pShipMethodLists->cardinality(); ++i) {
    CShipMethodsList* list = details->m_pShipMethodLists->retrieve(i);
    std::printf("  shipping methods options 0x%x\n", list->m_nOptionBits);
    for (unsigned j = 0; j < list->m_pMethods->cardinality(); ++j) {
      CShippingMethod* method = list->m_pMethods->retrieve(j);
      ++n.methods;
      std::printf("    shipping method %u: %s minimum %.2f per weight unit %.2f provider %u\n", method->m_nID,
                  static_cast<LPCSTR>(method->GetText(kLanguage)), method->m_fMinimumCharged,
                  method->m_fCostPerWeightUint, method->m_pProvider != nullptr ? method->m_pProvider->m_nID : 0);
    }
  }
  for (unsigned i = 0; i < details->m_pTaxingMethods->cardinality(); ++i) {
    CTaxingMethod* tax = details->m_pTaxingMethods->retrieve(i);
    ++n.taxingMethods;
    std::printf("  taxing method %u: %s %.2f%% (%u products)\n", tax->m_nID, static_cast<LPCSTR>(tax->GetText(kLanguage)),
                tax->fTaxPercentage, tax->m_pProducts->cardinality());
  }
}

void PrintShop(Root* root) {
  ShopInfo& info = root->GetShopInfo();
  std::printf("shop: %s\n", static_cast<LPCSTR>(root->GetTitle()));
  std::printf("signature: %s\n", static_cast<LPCSTR>(root->GetSignature()));
  for (unsigned i = 0; i < info.m_langItems->cardinality(); ++i) {
    ShopInfo_Lang* language = info.m_langItems->retrieve(i);
    std::printf("language %u: %s, shop name \"%s\", currency \"%s\", weight unit %s\n", i,
                static_cast<LPCSTR>(language->GetLangName()), static_cast<LPCSTR>(language->GetShopName()),
                static_cast<LPCSTR>(language->m_countryInfo.m_strCurrency),
                static_cast<LPCSTR>(language->m_countryInfo.m_strWeightUnit));
    for (int m = 0; m < 3; ++m)
      std::printf("  transport %d: %s\n", m, static_cast<LPCSTR>(language->m_postage.GetTransportMethodsAt(m)));
  }

  counts n;
  std::set<Department*> seen;
  product_list products;
  auto* all = root->GetAllProductsDept()->GetProducts();
  for (unsigned i = 0; i < all->cardinality(); ++i) products.add(all->retrieve(i));
  for (unsigned i = 0; i < root->m_aSpecialDepts->cardinality(); ++i)
    PrintDepartment(root->m_aSpecialDepts->retrieve(i), 0, n, seen, products);
  for (Product* product : products.order) PrintProduct(product, n);

  PostageTax* tax = info.GetPostageTax();
  if (tax != nullptr)
    std::printf("tax: local %.2f interstate %.2f international %.2f\n", tax->m_tax.m_fLocal[0],
                tax->m_tax.m_fInterstate, tax->m_tax.m_fInternational);
  for (unsigned i = 0; i < root->m_aRegions->cardinality(); ++i) {
    CRegion* region = root->m_aRegions->retrieve(i);
    CString name;
    region->GetFullName(name, kLanguage, TRUE, ", ");
    std::printf("region %u: %s\n", region->GetID(), static_cast<LPCSTR>(name));
    if (region->GetDetails() != nullptr) PrintRegionDetails(region->GetDetails(), n);
  }
  for (unsigned i = 0; i < info.m_aPayMethods->cardinality(); ++i) {
    CPayMethod* method = info.m_aPayMethods->retrieve(i);
    std::printf("payment method %s: %s (%u fields)\n", static_cast<LPCSTR>(method->m_strFileName),
                static_cast<LPCSTR>(method->GetText(kLanguage)), method->m_pFields->cardinality());
  }
  for (unsigned i = 0; i < info.m_aPayServices->cardinality(); ++i)
    std::printf("payment service: %s\n", static_cast<LPCSTR>(info.m_aPayServices->retrieve(i)->m_strPath));
  std::printf("currencies:");
  for (unsigned i = 0; i < info.m_aCurrenciesAllowed->cardinality(); ++i)
    std::printf(" %s", static_cast<LPCSTR>(*info.m_aCurrenciesAllowed->retrieve(i)));
  std::printf("\n");
  std::printf("count departments %u products %u options %u choices %u regions %u payment methods %u\n",
              n.departments, n.products, n.options, n.choices, root->m_aRegions->cardinality(),
              info.m_aPayMethods->cardinality());
  std::printf("count shipping providers %u shipping methods %u taxing methods %u search engines %u\n", n.providers,
              n.methods, n.taxingMethods, n.searchEngines);
}

int DumpShop(const char* path) {
  using namespace dv_qem;
  if (dv_database::needs_recovery(path)) {
    std::fprintf(stderr, "kvcdump: %s needs recovery; open it with the program first\n", path);
    return 1;
  }
  dv_database* db = dv_database::open(path, 1, 0, 0);
  dv_transaction::begin(dv_transaction::read_only);
  int status = 0;
  dv_database_root* found = db->find_root("My Shop");
  Root* root = found != nullptr ? static_cast<Root*>(found->get_value(nullptr)) : nullptr;
  if (root == nullptr) {
    std::fprintf(stderr, "kvcdump: %s holds no shop (no root \"My Shop\")\n", path);
    status = 1;
  } else {
    CString signature(static_cast<LPCSTR>(root->m_strSignature));
    g_bOldShopFormat = !signature.IsEmpty() && fw_mbs::compare_no_case(signature, kShopSignature) != 0;
    g_pShopDatabase = db;
    g_pShopRoot = root;
    PrintShop(root);
    g_pShopRoot = nullptr;
    g_pShopDatabase = nullptr;
  }
  dv_transaction::abort();
  db->close();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kvcdump SHOPFILE | kvcdump --classes\n");
    return 2;
  }
  if (std::strcmp(argv[1], "--classes") == 0) {
    PrintClasses();
    return 0;
  }
  try {
    dv_qem::durnavel::initialize();
    dv_qem::_VRN_fault_handler guard;
    dv_qem::dv_transaction::initialize();
    return DumpShop(argv[1]);
  } catch (const dv_qem::dv_err& e) {
    std::fprintf(stderr, "kvcdump: %s: %s\n", argv[1], e.get_report());
    return 1;
  }
}
