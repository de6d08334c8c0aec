// Guards the dump tool: a shop made from the shipped data dumps with its
// departments, products, regions, payment methods and counts, and a shop
// with shipping and tax records and a search engine shows them; the class
// listing names the 159 schema classes with their sizes; a missing or
// foreign file is refused and never changed or created.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "department.h"
#include "dv_database.h"
#include "dv_transaction.h"
#include "region.h"
#include "search_engine.h"
#include "shipping_methods.h"
#include "shop_lists.h"
#include "shop_schema.h"
#include "shop_test_kvcdump.h"
#include "shop_test_shop.h"

namespace {

using result = shop_test::kvcdump_result;
using shop_test::kvcdump;

std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(KvcDump, ClassesListsTheShopSchema) {
  result r = kvcdump("--classes");
  ASSERT_EQ(r.status, 0);
  std::istringstream lines(r.out);
  std::string line;
  size_t i = 0;
  const objsch::shop_class* classes = objsch::shop_classes();
  while (std::getline(lines, line)) {
    ASSERT_LT(i, objsch::kShopClassCount);
    EXPECT_EQ(line, std::string(classes[i].name) + " " + std::to_string(classes[i].typespec->get_size()));
    ++i;
  }
  EXPECT_EQ(i, objsch::kShopClassCount);
  EXPECT_NE(r.out.find("\nRoot 416\n"), std::string::npos);
}

class KvcDumpShop : public shop_test::shop_test {};

TEST_F(KvcDumpShop, ANewShopDumpsWithoutChangingTheFile) {
  scope_->Commit();
  scope_.reset();
  std::string path = session_->GetDatabase()->get_pathname();
  session_->Close();
  std::string before = read_bytes(path);
  result r = kvcdump(path);
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* expected :
       {"shop: My Shop\n", "signature: KESTRELMARK_DBASE_VER5\n", "language 0: English",
        "department 0 type 0x12001: My Shop (0 products)\n", "  department 1 type 0x10000: Department 1",
        "  department 3 type 0x10000: Department 3", "region 1: 01<Country>\n",
        "payment method payment methods\\cashondelivery.ini: Cash on delivery (3 fields)\n",
        "payment service: payment services\\manual\\default\n", "currencies: ",
        "product 0 item \"\": Sample Product-1 price 0.00\n", "  option 0: Size (not offered)\n",
        "count departments 20 products 2 options 8 choices 0 regions 1 payment methods 4\n"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\nin:\n" << r.out;
  EXPECT_TRUE(read_bytes(path) == before) << "the dump never changes the file";
  scope_ = std::make_unique<CTransactionScope>();
  session_->Open(path.c_str());
}

TEST_F(KvcDumpShop, ShippingTaxAndSearchEngineRecordsAreShown) {
  CRegionDetails* details = root_->m_aRegions->retrieve_first()->GetDetails();
  auto* provider = objsch::NewObject<CShippingProvider>(TRUE, TRUE);
  provider->m_nID = 5;
  provider->SetText("Parcel Co", -1);
  provider->m_fRate = 1.5;
  details->m_pProviders->insert_last(provider);
  auto* methods = objsch::NewObject<CShipMethodsList>(TRUE, TRUE);
  methods->m_nOptionBits = 3;
  auto* method = objsch::NewObject<CShippingMethod>(TRUE, TRUE);
  method->m_nID = 7;
  method->SetText("Overnight", -1);
  method->m_fMinimumCharged = 4.0;
  method->m_pProvider = provider;
  methods->m_pMethods->insert_last(method);
  details->m_pShipMethodLists->insert_last(methods);
  auto* tax = objsch::NewObject<CTaxingMethod>(TRUE, TRUE);
  tax->m_nID = 2;
  tax->SetText("VAT", -1);
  tax->fTaxPercentage = 19.0;
  details->m_pTaxingMethods->insert_last(tax);
  auto* engine = objsch::NewObject<CSearchEngine>(TRUE, TRUE);
  engine->SetText("Finder", -1);
  root_->GetMyShopDept()->m_pSearchEngine = engine;
  scope_->Commit();
  scope_.reset();
  std::string path = session_->GetDatabase()->get_pathname();
  session_->Save();
  session_->Close();

  result r = kvcdump(path);
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* expected :
       {"region 1: 01<Country>\n  shipping provider 5: Parcel Co rate 1.50\n",
        "  shipping methods options 0x3\n    shipping method 7: Overnight minimum 4.00 per weight unit 0.00 provider 5\n",
        "  taxing method 2: VAT 19.00% (0 products)\n", "My Shop (0 products)\n  search engine: Finder (0 items)\n",
        "count shipping providers 1 shipping methods 1 taxing methods 1 search engines 1\n"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\nin:\n" << r.out;
  scope_ = std::make_unique<CTransactionScope>();
  session_->Open(path.c_str());
}

TEST(KvcDumpRefusal, MissingAndForeignFilesAreRefusedAndLeftAlone) {
  dv_test::scratch_dir dir;
  std::string missing = dir / "missing.kvc";
  EXPECT_NE(kvcdump(missing).status, 0);
  EXPECT_FALSE(std::filesystem::exists(missing));
  std::string text = dir / "text.kvc";
  std::ofstream(text) << std::string(5000, 'y');
  EXPECT_NE(kvcdump(text).status, 0);
  EXPECT_EQ(read_bytes(text), std::string(5000, 'y'));
}

}  // namespace
