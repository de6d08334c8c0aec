// Guards the shop session: what a new shop holds, that it is committed and
// saved, that it reopens in another process at another address with every
// pointer relocated (self-check and illegal-pointer check on), the
// signature rule, that a missing, foreign or damaged file is refused and
// left as it was, that objects of the classes only registered here are
// relocated when their pointers are described and refuse the shop by name
// at another address when they are not, and that a closed session has no
// root.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "department.h"
#include "dv_database_root.h"
#include "dv_new.h"
#include "dv_test_process.h"
#include "payment.h"
#include "product.h"
#include "qem_string.h"
#include "root.h"
#include "shop_session.h"
#include "shop_test_db.h"
#include "shop_test_program.h"
#include "singleton_pool.h"
#include "text_table.h"
#include "transaction_scope.h"

using namespace dv_qem;

namespace {

std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

CString dept_name(Department* department) {
  CString name;
  department->GetName(name, -1);
  return name;
}

class ShopSession : public ::testing::Test {
 protected:
  void SetUp() override {
    shop_test::clear_shop_state();
    shop_test::install_program_folder(program_.path());
    shop_ = dir_ / "shop.kvc";
  }
  void TearDown() override { shop_test::clear_shop_state(); }

  // Checks a new shop's contents (inside a transaction).
  static void expect_new_shop(Root* root) {
    EXPECT_STREQ(root->GetTitle(), "My Shop");
    EXPECT_STREQ(root->GetSignature(), "KESTRELMARK_DBASE_VER5");
    EXPECT_EQ(root->m_nSize, 416u);
    const objsch::dv4u types[] = {0x12001, 0x12002, 0x12003, 0x12004, 0x12005, 0x12006, 0x12007, 0x12008, 0x12009};
    const char* names[] = {"My Shop", "Special Pages", "List of All Products", "Recycle Bin", "Search Results",
                           "My Webpages", "List of All Departments", "List of All Pages", "Hidden Department"};
    ASSERT_EQ(root->m_aSpecialDepts->cardinality(), 9u);
    for (unsigned i = 0; i < 9; ++i) {
      EXPECT_EQ(root->GetSpecialDept(i)->GetDeptType(), types[i]) << i;
      EXPECT_STREQ(dept_name(root->GetSpecialDept(i)), names[i]) << i;
    }
    EXPECT_EQ(root->GetSpecialDept(9), root->GetMyShopDept());
    EXPECT_EQ(root->GetSpecialDept(12), root->GetMyShopDept());

    Department* hidden = root->GetHiddenDept();
    ASSERT_EQ(hidden->GetChildren()->cardinality(), 1u);
    Department* child = hidden->GetChildren()->retrieve(0);
    EXPECT_EQ(child->GetParent(), hidden);
    ASSERT_EQ(child->GetProducts()->cardinality(), 2u);
    ASSERT_EQ(hidden->GetProducts()->cardinality(), 2u);
    for (unsigned i = 0; i < 2; ++i) {
      CString name;
      child->GetProducts()->retrieve(i)->GetName(name, 0);
      EXPECT_STREQ(name, i == 0 ? "Sample Product-1" : "Sample Product-2");
      EXPECT_EQ(hidden->GetProducts()->retrieve(i), child->GetProducts()->retrieve(i));
    }

    auto* departments = root->GetChildren();
    ASSERT_EQ(departments->cardinality(), 3u);
    for (unsigned i = 0; i < 3; ++i) {
      Department* department = departments->retrieve(i);
      EXPECT_STREQ(dept_name(department), ("Department " + std::to_string(i + 1)).c_str());
      EXPECT_EQ(department->GetID(), i + 1) << "ids from the department counter";
      EXPECT_EQ(department->GetParent(), root->GetMyShopDept());
      EXPECT_EQ(department->GetDeptType() & 0x3ffff, 0x10000u);
    }
    auto* pages = root->GetSpecialDept(Root::kSpecialPagesDept)->GetChildren();
    ASSERT_EQ(pages->cardinality(), 7u);
    for (unsigned id = 0x22001; id <= 0x22007; ++id) {
      EXPECT_EQ(root->GetSpecialPage(id)->GetDeptType(), id);
      EXPECT_FALSE(dept_name(root->GetSpecialPage(id)).IsEmpty()) << "pages have names";
    }

    ASSERT_EQ(root->m_aRegions->cardinality(), 1u);
    CRegion* region = root->m_aRegions->retrieve(0);
    EXPECT_EQ(region->GetLevel(), 3u);
    EXPECT_STREQ(region->GetText(-1), "01");
    EXPECT_EQ(region->GetID(), 1u);

    ShopInfo& info = root->GetShopInfo();
    const char* methods[] = {"cashondelivery", "drawfrombank", "purchaseorder", "sendcheck"};
    ASSERT_EQ(info.m_aPayMethods->cardinality(), 4u);
    ASSERT_EQ(info.m_aPayServices->cardinality(), 1u);
    ASSERT_EQ(info.m_aPayMethodPairs->cardinality(), 4u);
    for (unsigned i = 0; i < 4; ++i) {
      CPayMethod* method = info.m_aPayMethods->retrieve(i);
      EXPECT_STREQ(method->m_strFileName, (std::string("payment methods\\") + methods[i] + ".ini").c_str());
      EXPECT_FALSE(method->GetText(-1).IsEmpty());
      EXPECT_GE(method->m_pFields->cardinality(), 2u);
      EXPECT_EQ(info.m_aPayMethodPairs->retrieve(i)->m_pMethod, method);
      EXPECT_EQ(info.m_aPayMethodPairs->retrieve(i)->m_pService, info.m_aPayServices->retrieve(0));
    }
    EXPECT_STREQ(info.m_aPayServices->retrieve(0)->m_strPath, "payment services\\manual\\default");
    CTextTable currencies;
    currencies.SetName("CurrencyDefault");
    currencies.Load(0);
    ASSERT_GT(currencies.GetRowCount(), 0);
    ASSERT_EQ(info.m_aCurrenciesAllowed->cardinality(), static_cast<unsigned>(currencies.GetRowCount()));
    EXPECT_STREQ(*info.m_aCurrenciesAllowed->retrieve(0), currencies.GetRow(0).m_strKey);
    ASSERT_EQ(info.m_langItems->cardinality(), 1u);
    EXPECT_STREQ(info.m_langItems->retrieve(0)->GetLangName(), "English");
  }

  shop_test::runtime runtime_;
  dv_test::scratch_dir program_;
  dv_test::scratch_dir dir_;
  std::string shop_;
};

TEST_F(ShopSession, CreateBuildsCommitsAndSavesANewShop) {
  CShopSession session;
  session.Create(shop_.c_str());
  EXPECT_EQ(dv_transaction::get_current(), nullptr) << "committed";
  EXPECT_FALSE(session.GetDatabase()->is_modified()) << "saved";
  EXPECT_EQ(g_bOldShopFormat, 0);
  dv_transaction::begin(dv_transaction::read_only);
  Root* root = session.GetRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(g_pShopRoot, root);
  expect_new_shop(root);
  dv_transaction::commit();
  session.Close();
  EXPECT_EQ(g_pShopRoot, nullptr);
  EXPECT_EQ(g_pShopDatabase, nullptr);
  EXPECT_EQ(g_pShopPool, nullptr);
  EXPECT_EQ(session.GetRoot(), nullptr) << "a closed session has no root";
  session.Close();  // a second close does nothing
  EXPECT_EQ(session.GetRoot(), nullptr);
  EXPECT_EQ(CShopSession().GetRoot(), nullptr) << "nor has one never opened";
}

class ShopSessionChild : public ShopSession {
 protected:
  void SetUp() override {
    if (!dv_test::is_child()) GTEST_SKIP() << "runs in a child process";
    ShopSession::SetUp();
    shop_ = std::getenv("DV_TEST_FILE");
  }
};

TEST_F(ShopSession, ANewShopReopensInAnotherProcessAtAnotherAddress) {
  {
    CShopSession session;
    session.Create(shop_.c_str());
  }
  const dv_test::env_list env = {
      {"DV_TEST_FILE", shop_}, {"DV_QEM_AS_START", "0x24100000"}, {"DV_QEM_CHK_ILLEGAL_PTR", "1"}};
  EXPECT_EQ(dv_test::run_child("ShopSessionChild.ReopenAndCheck", env), 0);
}

TEST_F(ShopSessionChild, ReopenAndCheck) {
  CShopSession session;
  session.Open(shop_.c_str());
  session.GetDatabase()->self_check();
  EXPECT_EQ(g_bOldShopFormat, 0);
  dv_transaction::begin(dv_transaction::read_only);
  expect_new_shop(session.GetRoot());
  dv_transaction::commit();
}

// A shop holding an object of a class the program only registers: a class
// whose pointers are described has them relocated at another address; one
// whose pointers lie at unknown places refuses the shop there, by name.
void AddRegisteredOnlyObject(const std::string& shop, const char* type_name) {
  CShopSession session;
  session.Open(shop.c_str());
  dv_transaction::begin(dv_transaction::update);
  dv_database* db = session.GetDatabase();
  dv_typespec* ts = dv_typespec::get_typespec(type_name);
  ASSERT_NE(ts, nullptr) << type_name;
  auto* words = static_cast<void**>(::operator new(ts->get_size(), db, ts));
  std::memset(words, 0, ts->get_size());
  if (std::string(type_name) == "kv_pair<CMyString,CMyString>") {
    CMyString* first = CMyString::CreateNew(TRUE);
    *first = "first";
    CMyString* second = CMyString::CreateNew(TRUE);
    *second = "second";
    words[0] = first;
    words[1] = second;
  }
  db->create_root("registered only")->set_value(words, nullptr);
  dv_transaction::commit();
  session.Save();
}

TEST_F(ShopSession, RegisteredOnlyClassesAtAnotherAddress) {
  struct row {
    const char* type_name;
    const char* child;
  };
  const row rows[] = {
      {"kv_pair<CMyString,CMyString>", "ShopSessionChild.DescribedShellIsRelocated"},
      {"CZone", "ShopSessionChild.UnknownShellRefusesTheShop"},
      {"CAppInfo", "ShopSessionChild.UnknownShellRefusesTheShop"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.type_name);
    {
      CShopSession session;
      session.Create(shop_.c_str());
    }
    AddRegisteredOnlyObject(shop_, r.type_name);
    const dv_test::env_list env = {{"DV_TEST_FILE", shop_},
                                   {"DV_TEST_TYPE", r.type_name},
                                   {"DV_QEM_AS_START", "0x24100000"},
                                   {"DV_QEM_CHK_ILLEGAL_PTR", "1"}};
    EXPECT_EQ(dv_test::run_child(r.child, env), 0);
  }
}

TEST_F(ShopSessionChild, DescribedShellIsRelocated) {
  CShopSession session;
  session.Open(shop_.c_str());
  dv_transaction::begin(dv_transaction::read_only);
  auto* words = static_cast<CMyString**>(session.GetDatabase()->find_root("registered only")->get_value(nullptr));
  ASSERT_NE(words, nullptr);
  EXPECT_STREQ(*words[0], "first");
  EXPECT_STREQ(*words[1], "second");
  dv_transaction::commit();
}

TEST_F(ShopSessionChild, UnknownShellRefusesTheShop) {
  const std::string type_name = std::getenv("DV_TEST_TYPE");
  std::string before = read_bytes(shop_);
  CShopSession session;
  try {
    session.Open(shop_.c_str());
    ADD_FAILURE() << "a shop holding a " << type_name << " opened at another address";
  } catch (const dv_err_not_a_database& e) {
    EXPECT_NE(std::string(e.get_report()).find("class " + type_name + " "), std::string::npos) << e.get_report();
  }
  EXPECT_TRUE(read_bytes(shop_) == before) << "the refused shop is left as it was";
}

TEST_F(ShopSession, TheSignatureDecidesTheOlderFormat) {
  struct row {
    const char* signature;
    BOOL old_format;
  };
  const row rows[] = {{"KESTRELMARK_DBASE_VER5", 0}, {"kestrelmark_dbase_ver5", 0},
                      {"KESTRELMARK_DBASE_VER4", 1}, {"anything", 1}, {"", 0}};
  {
    CShopSession session;
    session.Create(shop_.c_str());
  }
  for (const row& r : rows) {
    SCOPED_TRACE(r.signature);
    CShopSession session;
    session.Open(shop_.c_str());
    {
      CTransactionScope scope;
      session.GetRoot()->m_strSignature = r.signature;
      scope.Commit();
    }
    session.Save();
    session.Close();
    g_bOldShopFormat = 0;
    session.Open(shop_.c_str());
    EXPECT_EQ(g_bOldShopFormat, r.old_format);
  }
}

TEST_F(ShopSession, CreateAfterAnOlderFormatShopMakesACurrentShop) {
  CShopSession session;
  session.Create(shop_.c_str());
  {
    CTransactionScope scope;
    session.GetRoot()->m_strSignature = "KESTRELMARK_DBASE_VER4";
    scope.Commit();
  }
  session.Save();
  session.Open(shop_.c_str());
  EXPECT_EQ(g_bOldShopFormat, 1);
  std::string second = dir_ / "second.kvc";
  session.Create(second.c_str());
  EXPECT_EQ(g_bOldShopFormat, 0);
  dv_transaction::begin(dv_transaction::read_only);
  expect_new_shop(session.GetRoot());
  dv_transaction::commit();
}

TEST_F(ShopSession, OpeningAShopDoesNotChangeTheFile) {
  {
    CShopSession session;
    session.Create(shop_.c_str());
  }
  std::string before = read_bytes(shop_);
  {
    CShopSession session;
    session.Open(shop_.c_str());
    session.Close();
  }
  EXPECT_TRUE(read_bytes(shop_) == before) << "opening and closing a shop writes nothing";
}

TEST_F(ShopSession, MissingForeignAndDamagedFilesAreRefusedAndLeftAlone) {
  std::string missing = dir_ / "missing.kvc";
  {
    CShopSession session;
    EXPECT_THROW(session.Open(missing.c_str()), dv_err_database_not_found);
    EXPECT_EQ(session.GetDatabase(), nullptr);
  }
  EXPECT_FALSE(std::filesystem::exists(missing)) << "a mistyped path never becomes an empty shop";

  std::string text = dir_ / "notes.kvc";
  std::ofstream(text) << std::string(9000, 'x');
  {
    CShopSession session;
    EXPECT_THROW(session.Open(text.c_str()), dv_err_not_a_database);
  }
  EXPECT_EQ(read_bytes(text), std::string(9000, 'x'));

  std::string foreign = dir_ / "foreign.db";
  {
    dv_database* db = dv_database::create(foreign.c_str(), 0666, 1, 8);
    dv_transaction::begin(dv_transaction::update);
    db->create_root("Other");
    dv_transaction::commit();
    db->save();
    db->close();
  }
  std::string before = read_bytes(foreign);
  {
    CShopSession session;
    EXPECT_THROW(session.Open(foreign.c_str()), objsch::shop_err_not_a_shop);
    EXPECT_EQ(g_pShopDatabase, nullptr);
  }
  EXPECT_TRUE(read_bytes(foreign) == before) << "no shop is written into a foreign database";

  std::string impostor = dir_ / "impostor.db";
  {
    dv_database* db = dv_database::create(impostor.c_str(), 0666, 1, 8);
    dv_transaction::begin(dv_transaction::update);
    void* cell = ::operator new(sizeof(unsigned long), db, dv_typespec::get_unsigned_long());
    db->create_root("My Shop")->set_value(cell, nullptr);
    dv_transaction::commit();
    db->save();
    db->close();
  }
  before = read_bytes(impostor);
  {
    CShopSession session;
    EXPECT_THROW(session.Open(impostor.c_str()), objsch::shop_err_not_a_shop) << "a root that holds no Root";
  }
  EXPECT_TRUE(read_bytes(impostor) == before);
}

}  // namespace
