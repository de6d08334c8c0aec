// kvcdump: prints what a shop file holds, one item a line, without
// changing the file. "kvcdump SHOPFILE" prints the shop information, the
// department tree, the products with the departments each lives in (its
// shortcuts marked), its options and choices, the regions with their
// shipping and tax records, payment methods and currencies, then the
// counts; "kvcdump --classes" prints the shop schema's classes, each with
// its size.
//
// The file is opened read-only (never created, never recovered: a file
// that needs recovery is refused) inside a read-only transaction, and
// checked as every reader of a shop checks it (objsch::CheckShopDatabase):
// a damaged database or a root that holds no shop is refused by name. A
// stored pointer that leads nowhere, met while dumping, is an error, never a
// crash: the dump ends with a message naming the file and status 1. The
// Root is read in the shop's first language.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "department.h"
#include "durnavel.h"
#include "dv_database_root.h"
#include "dv_err.h"
#include "dv_fault_handler.h"
#include "dv_transaction.h"
#include "payment.h"
#include "product.h"
#include "qem_string.h"
#include "root.h"
#include "search_engine.h"
#include "shipping_methods.h"
#include "shop_file_root.h"
#include "shop_schema.h"
#include "shop_state.h"
#include "stored_pointer_faults.h"

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

// Where each department of the tree stands: its place in the order the
// tree is printed, and its path of names from the top ("My Shop/Garden").
struct tree_place {
  unsigned order;
  std::string path;
};
using tree_places = std::map<const Department*, tree_place>;

void PrintDepartment(Department* department, int depth, const std::string& parentPath, counts& n,
                     tree_places& places, product_list& products) {
  if (places.count(department) != 0) return;  // a tree with a cycle is printed once
  ++n.departments;
  CString name;
  department->GetName(name, kLanguage);
  const std::string path = parentPath.empty() ? std::string(static_cast<LPCSTR>(name)) : parentPath + "/" + static_cast<LPCSTR>(name);
  places[department] = {static_cast<unsigned>(places.size()), path};
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
    PrintDepartment(children->retrieve(i), depth + 1, path, n, places, products);
}

// The path of a department that the tree does not reach: its names up the
// parent chain, each department once (a chain that comes round ends there).
std::string PathOutsideTheTree(Department* department) {
  std::set<const Department*> named;
  std::string path;
  for (Department* d = department; d != nullptr && named.insert(d).second; d = d->GetParent()) {
    CString name;
    d->GetName(name, kLanguage);
    path = path.empty() ? std::string(static_cast<LPCSTR>(name)) : std::string(static_cast<LPCSTR>(name)) + "/" + path;
  }
  return path;
}

// The departments a product lives in and those it has shortcuts in, in the
// tree's order (departments the tree does not reach last), one a line.
void PrintProductPlaces(Product* product, const tree_places& places) {
  struct place {
    unsigned order;  // ~0u: outside the tree
    std::string path;
    bool shortcut;
  };
  std::vector<place> lines;
  auto add = [&](dv_qem::dv_List<Department>* list, bool shortcut) {
    for (unsigned i = 0; i < list->cardinality(); ++i) {
      Department* department = list->retrieve(i);
      auto found = places.find(department);
      if (found != places.end())
        lines.push_back({found->second.order, found->second.path, shortcut});
      else
        lines.push_back({~0u, PathOutsideTheTree(department), shortcut});
    }
  };
  add(product->m_pDepartments, false);
  add(product->m_pShortcutDepts, true);
  std::stable_sort(lines.begin(), lines.end(), [](const place& a, const place& b) { return a.order < b.order; });
  for (const place& line : lines)
    std::printf("  %s%s: %s\n", line.shortcut ? "shortcut in" : "in", line.order == ~0u ? ", outside the tree" : "",
                line.path.c_str());
}

void PrintProduct(Product* product, const tree_places& places, counts& n) {
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
  PrintProductPlaces(product, places);
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
  tree_places places;
  product_list products;
  auto* all = root->GetAllProductsDept()->GetProducts();
  for (unsigned i = 0; i < all->cardinality(); ++i) products.add(all->retrieve(i));
  for (unsigned i = 0; i < root->m_aSpecialDepts->cardinality(); ++i)
    PrintDepartment(root->m_aSpecialDepts->retrieve(i), 0, std::string(), n, places, products);
  for (Product* product : products.order) PrintProduct(product, places, n);

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

// Ends the read-only transaction and closes the database on every way out
// of the dump; nothing was written, so the file stays as it was.
class DumpResources {
 public:
  DumpResources() = default;
  DumpResources(const DumpResources&) = delete;
  DumpResources& operator=(const DumpResources&) = delete;
  ~DumpResources() {
    g_pShopRoot = nullptr;
    g_pShopDatabase = nullptr;
    try {
      if (began_ && dv_qem::dv_transaction::get_current() != nullptr) dv_qem::dv_transaction::abort();
      if (dv_qem::dv_database::is_open(db_)) db_->close();
    } catch (const dv_qem::dv_err&) {
      // The dump's answer is given already; a read-only release writes nothing.
    }
  }
  dv_qem::dv_database* Open(const char* path) {
    db_ = dv_qem::dv_database::open(path, 1, 0, 0);
    dv_qem::dv_transaction::begin(dv_qem::dv_transaction::read_only);
    began_ = true;
    return db_;
  }

 private:
  dv_qem::dv_database* db_ = nullptr;
  bool began_ = false;
};

int DumpShop(const char* path) {
  using namespace dv_qem;
  if (dv_database::needs_recovery(path)) {
    std::fprintf(stderr, "kvcdump: %s needs recovery; open it with the program first\n", path);
    return 1;
  }
  DumpResources resources;
  dv_database* db = resources.Open(path);
  Root* root = objsch::CheckShopDatabase(db);
  g_bOldShopFormat = objsch::IsOlderShopSignature(objsch::ShopSignature(root));
  g_pShopDatabase = db;
  g_pShopRoot = root;
  try {
    PrintShop(root);
  } catch (const dv_err& e) {
    // Damage that the database's own checks do not see (a stored pointer
    // that leads nowhere, a list that is no list), met on the way.
    std::fflush(stdout);
    std::fprintf(stderr, "kvcdump: %s is damaged: an object of the shop cannot be read: %s\n", path, e.get_report());
    return 1;
  }
  std::fflush(stdout);
  return 0;
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
    // A stored pointer of a damaged shop that leads outside every database
    // raises an error where it is followed, as in the program.
    CStoredPointerFaults wildFaults;
    dv_qem::dv_transaction::initialize();
    return DumpShop(argv[1]);
  } catch (const dv_qem::dv_err& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "kvcdump: %s: %s\n", argv[1], e.get_report());
    return 1;
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "kvcdump: %s cannot be dumped: %s\n", argv[1], e.what());
    return 1;
  }
}
