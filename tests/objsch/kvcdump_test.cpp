// Guards the dump tool: a shop made from the shipped data dumps with its
// departments, products, regions, payment methods and counts, and a shop
// with shipping and tax records and a search engine shows them; each
// product shows the paths of the departments it lives in and has shortcuts
// in, in the tree's order, also at another address; the class listing names
// the 159 schema classes with their sizes; a missing or foreign file, a
// root that holds no Root and a stored pointer that leads nowhere are
// refused with a message and status 1 -- never a signal -- and the file is
// never changed or created.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "department.h"
#include "dv_database.h"
#include "dv_database_root.h"
#include "dv_new.h"
#include "dv_transaction.h"
#include "product.h"
#include "region.h"
#include "search_engine.h"
#include "shipping_methods.h"
#include "shop_lists.h"
#include "shop_schema.h"
#include "shop_test_kvcdump.h"
#include "shop_test_program.h"
#include "shop_test_runtime.h"
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

TEST_F(KvcDumpShop, EachProductShowsWhereItLivesInTheTreesOrder) {
  auto department = [](const char* name, Department* parent) {
    Department* d = Department::CreateNew(TRUE);
    d->SetName(name, 0);
    if (parent != nullptr)
      d->AddToParent(parent);
    else
      d->AddToShop();
    return d;
  };
  Department* garden = department("Garden", nullptr);
  Department* roses = department("Roses", garden);
  Department* tools = department("Tools", nullptr);
  Department* offers = Department::CreateNew(TRUE);
  offers->SetDeptType2(1);
  offers->SetName("Offers", 0);
  offers->AddToShop();
  Product* rose = Product::CreateNew(TRUE);
  rose->SetName("Rose", 0);
  rose->SetOrderNumber("R-1");
  rose->AddToDepartment(tools, -1);  // linked out of the tree's order
  rose->LinkToDepartment(roses, -1);
  offers->GetShortcuts()->insert_last(rose);
  rose->m_pShortcutDepts->insert_last(offers);
  Product* spade = Product::CreateNew(TRUE);
  spade->SetName("Spade", 0);
  spade->SetOrderNumber("S-1");
  spade->AddToDepartment(tools, -1);
  Department* loose = Department::CreateNew(TRUE);  // hung into no tree
  loose->SetName("Loose", 0);
  spade->LinkToDepartment(loose, -1);
  scope_->Commit();
  scope_.reset();
  std::string path = session_->GetDatabase()->get_pathname();
  session_->Save();
  session_->Close();

  for (const char* start : {"", "0x24100000"}) {
    SCOPED_TRACE(std::string("address space at ") + start);
    if (*start != '\0') ::setenv("DV_QEM_AS_START", start, 1);
    result r = kvcdump(path);
    ::unsetenv("DV_QEM_AS_START");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const size_t at = r.out.find("item \"R-1\": Rose");
    ASSERT_NE(at, std::string::npos) << r.out;
    const std::string block = r.out.substr(at, r.out.find("\nproduct ", at) - at);
    EXPECT_NE(block.find("\n  in: My Shop/Garden/Roses\n  in: My Shop/Tools\n  shortcut in: My Shop/Offers"),
              std::string::npos)
        << block;
    const size_t spadeAt = r.out.find("item \"S-1\": Spade");
    ASSERT_NE(spadeAt, std::string::npos) << r.out;
    const std::string spadeBlock = r.out.substr(spadeAt, r.out.find("\nproduct ", spadeAt) - spadeAt);
    EXPECT_NE(spadeBlock.find("\n  in: My Shop/Tools\n  in, outside the tree: Loose"), std::string::npos)
        << spadeBlock;
    EXPECT_EQ(spadeBlock.find("shortcut"), std::string::npos) << spadeBlock;
  }
  scope_ = std::make_unique<CTransactionScope>();
  session_->Open(path.c_str());
}

// Chains that come round on themselves (only a damaged file holds them): a
// region linked back past its head, a department that is its own
// grandchild, and a parent chain that comes round outside the tree. The
// dump names each place once and ends.
TEST_F(KvcDumpShop, ChainsThatComeRoundEnd) {
  CRegion* first = root_->m_aRegions->retrieve_first();
  CRegion* state = CRegion::Create(4, "State", 0, TRUE);
  CRegion* city = CRegion::Create(6, "City", 0, TRUE);
  first->SetLinked(state);
  state->SetLinked(city);
  city->SetLinked(state);
  Department* garden = Department::CreateNew(TRUE);
  garden->SetName("Garden", 0);
  garden->AddToShop();
  Department* roses = Department::CreateNew(TRUE);
  roses->SetName("Roses", 0);
  roses->AddToParent(garden);
  roses->GetChildren()->insert_last(garden);
  Department* east = Department::CreateNew(TRUE);
  east->SetName("East", 0);
  Department* west = Department::CreateNew(TRUE);
  west->SetName("West", 0);
  east->SetParent(west);
  west->SetParent(east);
  Product* rose = Product::CreateNew(TRUE);
  rose->SetOrderNumber("R-1");
  rose->AddToDepartment(roses, -1);
  rose->LinkToDepartment(east, -1);
  scope_->Commit();
  scope_.reset();
  std::string path = session_->GetDatabase()->get_pathname();
  session_->Save();
  session_->Close();

  result r = kvcdump(path);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  for (const char* expected : {"region 1: 01<Country>, State<State>, City<City>\n",
                               "  department 4 type 0x10000: Garden (0 products)\n"
                               "    department 5 type 0x10000: Roses (1 products)\n",
                               "\n  in: My Shop/Garden/Roses\n  in, outside the tree: West/East\n"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\nin:\n" << r.out;
  scope_ = std::make_unique<CTransactionScope>();
  session_->Open(path.c_str());
  // The cycles go before the test's own checks of the shop walk the tree.
  roses->GetChildren()->remove(garden);
  city->SetLinked(nullptr);
}

// A database whose root "My Shop" holds what make_value stores there.
void MakeDatabaseWithRoot(const std::string& path, void* (*make_value)(dv_qem::dv_database*)) {
  dv_qem::dv_database* db = dv_qem::dv_database::create(path.c_str(), 0666, 1, 8);
  dv_qem::dv_transaction::begin(dv_qem::dv_transaction::update);
  db->create_root("My Shop")->set_value(make_value(db), nullptr);
  dv_qem::dv_transaction::commit();
  db->save();
  db->close();
}

class KvcDumpRefusal : public ::testing::Test {
 protected:
  void SetUp() override {
    shop_test::clear_shop_state();
    shop_test::install_program_folder(program_.path());
  }
  void TearDown() override { shop_test::clear_shop_state(); }

  shop_test::runtime runtime_;
  dv_test::scratch_dir program_;
  dv_test::scratch_dir dir_;
};

TEST_F(KvcDumpRefusal, ForeignAndDamagedFilesAreRefusedNeverACrashAndLeftAlone) {
  std::string missing = dir_ / "missing.kvc";
  result r = kvcdump(missing);
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(std::filesystem::exists(missing));

  struct row {
    const char* what;
    const char* file;
    void (*make)(const std::string& path);
    const char* message;  // in the tool's error output, after the file's name
  };
  const row rows[] = {
      {"a text file", "text.kvc", [](const std::string& path) { std::ofstream(path) << std::string(5000, 'y'); },
       ""},
      {"a root that holds an unsigned long", "cell.kvc",
       [](const std::string& path) {
         MakeDatabaseWithRoot(path, [](dv_qem::dv_database* db) {
           auto* cell = static_cast<unsigned long*>(
               ::operator new(sizeof(unsigned long), db, dv_qem::dv_typespec::get_unsigned_long()));
           *cell = 7;
           return static_cast<void*>(cell);
         });
       },
       " holds no shop (its root \"My Shop\" holds an object of class unsigned long, not a Root)"},
      {"a root of 416 'A' bytes", "bytes.kvc",
       [](const std::string& path) {
         MakeDatabaseWithRoot(path, [](dv_qem::dv_database* db) {
           void* bytes = ::operator new(416, db, dv_qem::dv_typespec::get_char(), 416);
           std::memset(bytes, 'A', 416);
           return bytes;
         });
       },
       " holds no shop (its root \"My Shop\" holds an object of class char, not a Root)"},
      {"a shop whose title pointer leads nowhere", "wild.kvc",
       [](const std::string& path) {
         CShopSession session;
         session.Create(path.c_str());
         dv_qem::dv_transaction::begin(dv_qem::dv_transaction::update);
         session.GetRoot()->m_strTitle.m_pString = reinterpret_cast<CQEMString*>(0x41414141);
         dv_qem::dv_transaction::commit();
         session.Save();
         session.Close();
       },
       ""},
  };
  for (const row& c : rows) {
    SCOPED_TRACE(c.what);
    const std::string path = dir_ / c.file;
    c.make(path);
    const std::string before = read_bytes(path);
    r = kvcdump(path);
    EXPECT_EQ(r.status, 1) << "refused with status 1, never ended by a signal\n" << r.out << r.err;
    EXPECT_NE(r.err.find("kvcdump: " + path), std::string::npos) << "the message names the file\n" << r.err;
    EXPECT_NE(r.err.find(path + c.message), std::string::npos) << r.err;
    EXPECT_TRUE(read_bytes(path) == before) << "the dump never changes the file";
  }
}

}  // namespace
